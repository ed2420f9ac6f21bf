#!/usr/bin/env bash
# Damaged files, as a disk or an editor leaves them: the sky's colour map emptied and the first
# situation ("Kestrel Bay Defence") cut in half. The sky takes its built-in colours with a log
# line naming the map; Run Scenario's Start names the situation in a notice and in the log and
# the menus stay (no run starts without its systems and launchers). OK closes the notice, and
# the program ends normally. Screenshots: damaged_files_notice.png, damaged_files_after.png.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

situation="situations/Kestrel Bay Defence.txt"
[ -f "$situation" ] || fail "no $situation in the run folder"
[ -f graphics/color_map.txt ] || fail "no graphics/color_map.txt in the run folder"
whole=$(cat "$situation")
head -c $(( $(wc -c < "$situation") / 2 )) "$situation" > cut.txt && mv cut.txt "$situation"
: > graphics/color_map.txt

cat > session.sh <<'INNER'
source "$session_lib"
start_program
shot_drawn menu.png
vclick 280 439          # "Run Scenario"
shot_changed menu.png dialog.png
click_gui 0.48 -0.85    # "Start" with the first situation selected
shot_changed dialog.png notice.png
# OK closes the notice (a centred box); the dialog stays over the menu.
press_key Return
sleep 2
shot after.png
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
quit_by_keys
INNER

run_window_walk 640x480 damaged_files_ notice after

[ -f Logfile.txt ] || fail "no Logfile.txt"
grep -q 'graphics\\color_map.txt: .*the built-in sky colours are used' Logfile.txt \
  || fail "the log does not name the emptied colour map: $(cat Logfile.txt)"
grep -q 'situations\\Kestrel Bay Defence.txt cannot be read whole: it ends before its "@" line' Logfile.txt \
  || fail "the log does not name the cut situation: $(cat Logfile.txt)"
# Nothing was written over the damaged situation (no run began, so no "# Last Position").
[ "$(cat "$situation")" != "$whole" ] || fail "the situation was written whole again"
[ ! -f "situations/# Last Position.txt" ] || fail "a run began: its last position was written"
# The notice was a box in the middle of the dialog: the middle changed when it closed.
centre=$(box_changed notice.png after.png 300x100+170+190 8)
[ "${centre:-0}" -gt 3000 ] || fail "no notice in the middle (only $centre pixels changed when it closed)"
echo "damaged files: ok"
