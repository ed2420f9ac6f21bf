#!/usr/bin/env bash
# The design loop of the whole program in a 640 x 480 window, as a user would go round it:
# "Design Missile" opens the hub; on "Rocket Motor" the chamber length becomes 90 and the
# motor is saved as "T1"; back on the hub "Resize Shape" fits the airframe and Save "T1" writes
# the missile naming motor "T1". "Test Flight" and "Start Test" fly it: "Launch Target",
# "Launch Missile", F4, and the control strip's "Close" come back to the test conditions,
# leaving "situations/# Last Test.txt". Close twice reaches the main menu; "Design Scenario",
# the first scenery, a missile system in the middle of the map and a rocket launcher a little
# north-east, Save "S1", "Run Scenario", F4 and the results' "Close" come back to the scenario
# design screen with S1 (its Save offers "S1" again). Escape and Return end the program with
# status 0. Screenshots are kept in the build (design_loop_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
rm -f Logfile.txt motors/T1.* missiles/T1.txt systems/T1.txt scenarios/S1.txt scenarios/scenario.cfg \
  "situations/# Last Position.txt" "situations/# Last Test.txt"
[ -d scenarios ] || fail "the run folder has no scenarios folder"

cat > walk.sh <<'INNER'
source "$session_lib"
step() { echo "$(date +%T) $*"; }
start_program
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || echo "note: the window is $WIDTH x $HEIGHT"
shot_drawn menu.png
step hub
vshoot hub.png 58 439                # Design Missile
vshoot motor.png 589 29              # Rocket Motor
vshoot length.png 264 107            # Chamber Length
replace_text 90
vshoot applied.png 560 180           # Apply Changes
vshoot motor_save_box.png 605 362    # Save
type_name T1
vshoot motor_closed.png 606 456      # Close: the hub
vshoot resized.png 78 255            # Resize Shape
vshoot save_box.png 605 362          # Save
type_name T1
shot hub_saved.png

step test flight
vshoot conditions.png 525 456        # Test Flight
vshoot run.png 525 456               # Start Test
sleep 3                              # the scenery's first frames
vclick 542 463                       # Launch Target
sleep 1
vclick 456 463                       # Launch Missile
for _ in $(seq 1 4); do xdotool key --window "$window" F4; sleep 0.2; done
sleep 3
shot flying.png
vclick 618 463                       # the strip's Close: the run ends
for _ in $(seq 1 100); do
  [ -f "situations/# Last Test.txt" ] && break
  sleep 0.2
done
shot_like conditions.png back.png 10   # the test conditions screen again
vclick 606 456                       # Close: the hub
vclick 606 456                       # Close: the main menu

step scenario
vshoot design.png 170 439            # Design Scenario
vshoot scenery.png 579 41            # the first scenery of the list
vclick 273 240                       # the middle of the map
vclick 589 182                       # Add Missile System
vclick 300 220                       # a little north-east
vshoot placed.png 589 242            # Add Rocket Launcher
vshoot scenario_save_box.png 589 406 # Save
type_name S1
shot saved.png
[ -f scenarios/S1.txt ] && mv scenarios/S1.txt S1.saved
vclick 493 450                       # Run Scenario
shot_changed saved.png scene.png
sleep 3
shot scene.png
for _ in $(seq 1 9); do xdotool key --window "$window" F4; sleep 0.2; done
# The results come when nothing is left to fly; "Close" on them leaves the run.
for _ in $(seq 1 90); do
  [ -f "situations/# Last Position.txt" ] && break
  kill -0 "$pid" 2>/dev/null || break
  vclick 320 386
  sleep 2
done
sleep 3
shot after.png
# Back on the design screen its Save offers the scenario's name: accepting it writes S1 again.
vshoot again_box.png 589 406         # Save: the name box drawn over the screen
click_gui -0.28 -0.13
shot again.png
press_key Escape
xdotool key --window "$window" Return
wait_for_exit
INNER

run_walk walk.sh
status=$?
out="$(dirname "$run")"
for f in *.png; do
  [ -f "$f" ] && cp "$f" "$out/design_loop_$f"
done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"

grep -q $'^90\t\\[LEN\\]' motors/T1.txt || fail "motors/T1.txt has no chamber length of 90"
[ -f motors/T1.csv ] || fail "no motors/T1.csv"
grep -q $'^T1\t\\[motor_name\\]' missiles/T1.txt || fail "missiles/T1.txt does not name motor T1"

last="situations/# Last Test.txt"
[ -f "$last" ] || fail "no \"$last\" after the test run was closed"
grep -q "^1	\[test_mode\]" "$last" || fail "the last test is no test-mode situation: $(cat "$last")"
# The run replaced the test conditions screen, and the screen after it is that screen again:
# at most a tenth of its pixels differ (the plot, the picture of the new site list).
total=$(identify -format "%[fx:w*h]" conditions.png)
changed=$(changed_pixels conditions.png run.png)
awk -v c="$changed" -v t="$total" 'BEGIN { exit !(c * 3 >= t) }' \
  || fail "the test run differs from the test conditions screen in only $changed of $total pixels"
changed=$(changed_pixels conditions.png back.png)
awk -v c="$changed" -v t="$total" 'BEGIN { exit !(c * 10 <= t) }' \
  || fail "after the run the screen differs from the test conditions screen in $changed of $total pixels"

[ -f S1.saved ] || fail "Save wrote no scenarios/S1.txt"
grep -q $'^2\tsystems_num\r$' S1.saved || fail "S1 does not hold two objects: $(cat S1.saved)"
cfg=scenarios/scenario.cfg
[ -f "$cfg" ] || fail "Run Scenario wrote no $cfg"
grep -q $'\t\\[system\\]\r$' "$cfg" || fail "the run file has no [system] line: $(cat "$cfg")"
grep -q $'\t\\[launcher\\]\r$' "$cfg" || fail "the run file has no [launcher] line: $(cat "$cfg")"
last="situations/# Last Position.txt"
[ -f "$last" ] || fail "the scenario run was not left through its results"
grep -q "^1	\[scenario_mode\]" "$last" || fail "the run was no scenario run"
[ -f scenarios/S1.txt ] || fail "the screen after the run did not offer S1 to save"
cmp -s S1.saved scenarios/S1.txt || fail "the scenario after the run is not S1"
! grep -qwi "nan" Logfile.txt || fail "the loop logged a NaN: $(grep -i nan Logfile.txt | head -3)"
echo "design loop: ok"
