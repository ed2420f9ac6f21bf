#!/usr/bin/env bash
# A test flight of the whole program in a 640 x 480 window: "Design Missile" opens the hub,
# "Test Flight" (525, 456) the test conditions screen with the first launch site, "Start Test"
# (525, 456) the test run with its control strip; there "Launch Target" (542, 463), "Launch
# Missile" (456, 463), F4 to speed the run up, and the strip's "Close" (618, 463) leaves the
# run for the test conditions screen again. Leaving writes "situations/# Last Test.txt", a
# test-mode situation. Close, Close, Escape and Return then end the program with status 0.
# The screenshots are kept in the build (test_flight_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
rm -f Logfile.txt "situations/# Last Test.txt" "situations/# Last Test.jpg"

cat > walk.sh <<'INNER'
source "$session_lib"
# Pixels of the 640 x 480 virtual screen in GUI units.
gx() { awk -v p="$1" 'BEGIN { printf "%.6f", (p - 320) / 320 }'; }
gy() { awk -v p="$1" 'BEGIN { printf "%.6f", (240 - p) / 240 }'; }
vshoot() { click_and_shoot "$1" "$(gx "$2")" "$(gy "$3")"; }
vclick() { click_gui "$(gx "$1")" "$(gy "$2")"; }
start_program
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || echo "note: the window is $WIDTH x $HEIGHT"
vshoot hub.png 58 439                # Design Missile
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
sleep 2
shot back.png
vclick 606 456                       # Close: the hub
vclick 606 456                       # Close: the main menu
for _ in 1 2 3; do
  kill -0 "$pid" 2>/dev/null || break
  press_key Escape
  press_key Return
done
wait_for_exit
INNER

run_walk walk.sh
status=$?
out="$(dirname "$run")"
for f in hub conditions run flying back; do
  [ -f "$f.png" ] && cp "$f.png" "$out/test_flight_$f.png"
done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"

last="situations/# Last Test.txt"
[ -f "$last" ] || fail "no \"$last\" after the test run was closed"
grep -q "^1	\[test_mode\]" "$last" || fail "the last test is no test-mode situation: $(cat "$last")"
grep -q "^Saved in test mode" "$last" || fail "the last test's comment lacks the mode"
# The run replaced the test conditions screen, and the screen after it is that screen again:
# at most a tenth of its pixels differ (the plot, the picture of the new site list).
total=$(identify -format "%[fx:w*h]" conditions.png)
changed=$(compare -metric AE conditions.png run.png null: 2>&1)
awk -v c="${changed%% *}" -v t="$total" 'BEGIN { exit !(c * 3 >= t) }' \
  || fail "the test run differs from the test conditions screen in only $changed of $total pixels"
changed=$(compare -metric AE conditions.png back.png null: 2>&1)
awk -v c="${changed%% *}" -v t="$total" 'BEGIN { exit !(c * 10 <= t) }' \
  || fail "after the run the screen differs from the test conditions screen in $changed of $total pixels"
echo "test flight: ok"
