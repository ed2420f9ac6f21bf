#!/usr/bin/env bash
# A scenario designed and run in a 640 x 480 window, as a user would: "Design Scenario" on the
# main menu, the first scenery of the list, a press in the middle of the map and "Add Missile
# System", a press a little north-east and "Add Rocket Launcher", Save as "S1", "Run
# Scenario", F4 until the simulation runs fast, and "Close" on the results. Leaving the run
# comes back to the scenario design screen with S1: its Save then offers "S1" again. Escape and
# Return end the program with status 0. Screenshots are kept in the build
# (scenario_design_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
rm -f Logfile.txt scenarios/S1.txt scenarios/scenario.cfg "situations/# Last Position.txt"
[ -d scenarios ] || fail "the run folder has no scenarios folder"

cat > walk.sh <<'INNER'
source "$session_lib"
# Pixels of the 640 x 480 virtual screen, scaled to the window.
vclick() {
  click_pixel $(awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$1" -v y="$2" \
      'BEGIN { printf "%d %d", x * w / 640, y * h / 480 }')
}
gui() { awk -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", (x - 320) / 320, (240 - y) / 240 }'; }
start_program
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || echo "note: the window is $WIDTH x $HEIGHT"
shot_drawn menu.png
click_and_shoot design.png $(gui 170 439)            # Design Scenario
click_and_shoot scenery.png $(gui 579 41)            # the first scenery of the list
vclick 273 240                                       # the middle of the map
vclick 589 182                                       # Add Missile System
vclick 300 220                                       # a little north-east
click_and_shoot placed.png $(gui 589 242)            # Add Rocket Launcher
click_and_shoot save_box.png $(gui 589 406)          # Save
click_gui 0 0.02                                     # the name field: "New Scenario" goes
for _ in $(seq 1 45); do xdotool key --window "$window" End BackSpace; done
xdotool type --window "$window" S1
sleep 0.3
click_gui -0.28 -0.13                                # Accept
shot saved.png
[ -f scenarios/S1.txt ] && mv scenarios/S1.txt S1.saved
vclick 493 450                                       # Run Scenario
for _ in $(seq 1 100); do
  shot scene.png
  [ "$(convert scene.png rgb:- | md5sum)" != "$(convert saved.png rgb:- | md5sum)" ] && break
  sleep 0.2
done
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
vclick 589 406
sleep 0.5
click_gui -0.28 -0.13
shot again.png
press_key Escape
xdotool key --window "$window" Return
wait_for_exit
INNER

run_walk walk.sh
status=$?
out="$(dirname "$run")"
for f in menu design scenery placed save_box saved scene after again; do
  [ -f "$f.png" ] && cp "$f.png" "$out/scenario_design_$f.png"
done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"
[ -f S1.saved ] || fail "Save wrote no scenarios/S1.txt"
grep -q $'^2\tsystems_num\r$' S1.saved || fail "S1 does not hold two objects: $(cat S1.saved)"
cfg=scenarios/scenario.cfg
[ -f "$cfg" ] || fail "Run Scenario wrote no $cfg"
grep -q $'\t\\[system\\]\r$' "$cfg" || fail "the run file has no [system] line: $(cat "$cfg")"
grep -q $'\t\\[launcher\\]\r$' "$cfg" || fail "the run file has no [launcher] line: $(cat "$cfg")"
last="situations/# Last Position.txt"
[ -f "$last" ] || fail "the run was not left through its results"
grep -q "^1	\[scenario_mode\]" "$last" || fail "the run was no scenario run"
[ -f scenarios/S1.txt ] || fail "the screen after the run did not offer S1 to save"
cmp -s S1.saved scenarios/S1.txt || fail "the scenario after the run is not S1"
echo "scenario design: ok"
