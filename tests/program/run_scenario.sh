#!/usr/bin/env bash
# A scenario from the main menu to its results and back, as a user would play it in a
# 640 x 480 window: "Run Scenario", keep the first situation ("Kestrel Bay Defence"), Start,
# F4 until the simulation runs fast, and "Close" on the results until the run has been left.
# Leaving writes the automatic situation "# Last Position" (a scenario-mode situation with its
# systems and launchers) and returns to the scenario design screen; Escape and Return then end
# the program with status 0. Screenshots of the menu, the run and the screen after it are kept beside the
# run folder (run_menu.png, run_scene.png, run_after.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png scene.png
sleep 3
shot scene.png
for _ in $(seq 1 9); do xdotool key --window "$window" F4; sleep 0.2; done
# The results come when nothing is left to fly; "Close" on them leaves the run.
for _ in $(seq 1 60); do
  [ -f "situations/# Last Position.txt" ] && break
  kill -0 "$pid" 2>/dev/null || break
  vclick 320 386
  sleep 2
done
# A moment for the menus to come back.
sleep 3
shot after.png
press_key Escape
xdotool key --window "$window" Return
wait_for_exit
INNER

rm -f Logfile.txt "situations/# Last Position.txt" "situations/# Last Position.jpg"
printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
run_walk session.sh
status=$?
for s in menu scene after; do cp "$s.png" "$(dirname "$run")/run_$s.png" 2>/dev/null; done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"

# The run replaced the menu on the screen: a third of its pixels or more changed.
changed=$(changed_pixels menu.png scene.png)
total=$(identify -format "%[fx:w*h]" menu.png)
awk -v c="$changed" -v t="$total" 'BEGIN { exit !(c * 3 >= t) }' \
  || fail "the run screen differs from the menu in only $changed of $total pixels"

last="situations/# Last Position.txt"
[ -f "$last" ] || fail "no \"$last\" after the results were closed"
grep -q "^1	\[scenario_mode\]" "$last" || fail "the last position is no scenario-mode situation: $(cat "$last")"
grep -q "	\[system\]$" "$last" || fail "the last position names no missile system"
grep -q "	\[launcher\]$" "$last" || fail "the last position names no rocket launcher"
grep -q "^Saved in scenario mode$" "$last" || fail "the last position's comment lacks the mode"
# The picture beside it is the snapshot of the view at half the back buffer.
[ -f "situations/# Last Position.jpg" ] || fail "no picture beside the last position"
size=$(identify -format "%w x %h" "situations/# Last Position.jpg")
[ "$size" = "320 x 240" ] || fail "the last position's picture is $size, not 320 x 240"
# A scenario-mode run returns to the scenario design screen: its map, not the main menu, fills
# the middle of the screen after the run.
[ "$(pixel menu.png 320 240)" != "$(pixel after.png 320 240)" ] || fail "the main menu, not the scenario design screen, came back after the run"
echo "run scenario: ok"
