#!/usr/bin/env bash
# A situation saved through the run's "Situation" menu while a file-size limit holds the
# program (prlimit --fsize, as a full disk would): the write fails as a write, the "Save Error"
# notice says so, the situation saved before under that name stays whole beside no temporary
# file, and the program runs on and ends normally once the limit is lifted. Without care the
# limit's signal would end the program in the middle of the save (status 153). The temporary
# file an earlier, killed save left is gone after the start. Screenshots of the dialog and the
# notice are kept beside the run folder (save_limit_dialog.png, save_limit_notice.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cp "situations/Kestrel Bay Defence.txt" "situations/Kept.txt"
cp "situations/Kestrel Bay Defence.jpg" "situations/Kept.jpg"
kept_txt=$(md5sum < situations/Kept.txt)
kept_jpg=$(md5sum < situations/Kept.jpg)
# What a save killed in the middle left behind: its process has ended, so the next start
# removes it.
true & ended=$!
wait "$ended"
left=".New Missile.txt.$ended.2.tmp"
mkdir -p configs
printf 'half a design' > "configs/$left"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png scene.png
sleep 2
# "Situation" at the menu bar's left end, then its second entry, "Save".
xdotool mousemove --window "$window" $(at -0.85 0.96)
sleep 0.6
xdotool mousemove --window "$window" $(at -0.85 0.80)
sleep 0.6
click_gui -0.85 0.80
sleep 1
shot dialog.png
# The name field of the dialog, then the name of the situation kept before. The limit holds
# only the soft bound (200 bytes), so it can be lifted again before the program ends and
# writes its log.
click_gui 0.15 -0.30
replace_text "Kept"
prlimit --pid "$pid" --fsize=200: || { echo "FAIL: prlimit"; kill -KILL "$pid"; exit 1; }
click_gui -0.325 -0.90   # "Save"
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "FAIL: the program ended during the save (status $?)"
  exit 1
fi
shot notice.png
ls -a situations > listing.txt
prlimit --pid "$pid" --fsize=unlimited: || echo "FAIL: the limit was not lifted"
press_key Return          # OK on the notice
click_gui 0.325 -0.90     # "Cancel" on the dialog
quit_by_keys
INNER

run_window_walk 640x480 save_limit_ dialog notice

[ "$(md5sum < situations/Kept.txt)" = "$kept_txt" ] || fail "the situation saved before was changed"
[ "$(md5sum < situations/Kept.jpg)" = "$kept_jpg" ] || fail "the picture saved before was changed"
[ -f listing.txt ] || fail "no listing of the situations taken after the save"
! grep -q '\.tmp$' listing.txt || fail "a temporary file stayed after the failed save: $(grep '\.tmp$' listing.txt)"
[ ! -e "configs/$left" ] || fail "the temporary file of an ended save is still there"
grep -q 'Temporary files of saves that did not finish were removed: 1' Logfile.txt \
  || fail "the log does not count the removed temporary file"
grep -q 'Could not write situations\\Kept' Logfile.txt || fail "the log does not name the file that failed: $(cat Logfile.txt)"
# The notice: a box in the middle of the dialog's picture.
centre=$(box_changed dialog.png notice.png 300x100+170+190 8)
[ "${centre:-0}" -gt 3000 ] || fail "no notice after the failed save (only $centre pixels changed)"
echo "save under a file-size limit: ok"
