#!/usr/bin/env bash
# The quit question keeps a run paused each time it is shown: in "Kestrel Bay Defence" (640 x
# 480 window, the simulation sped up so that it visibly moves) the side bar's "Exit" shows the
# question and the scene behind it stands still; "No" lets it move again; "Exit" once more
# shows the question again and the scene stands still again. Escape and Return, repeated,
# leave the run and the program with status 0. Screenshots are kept beside the run folder
# (quit_pause_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png run.png
for _ in $(seq 1 6); do xdotool key --window "$window" F4; sleep 0.2; done
sleep 2
# The side bar shows while the pointer is over the menu bar; "Exit" is its eighth button,
# x0 + 0.15 x 7.5 = 0.925 across and halfway down the bar (0.82).
exit_button() { click_gui 0.925 0.82; }
no_button() { click_gui 0.28 -0.13; }   # the question's "No"
exit_button
shot first_a.png
sleep 2
shot first_b.png
no_button
shot running_a.png
# A loaded machine draws few frames: the run gets up to eight seconds to show it moves.
for t in 2 4 6 8; do sleep 2; shot "running_b$t.png"; done
exit_button
shot second_a.png
sleep 2
shot second_b.png
no_button
quit_by_keys
INNER

run_window_walk 640x480 quit_pause_ first_a first_b running_a running_b2 running_b8 second_a second_b

# Pixels that changed by more than 5 % in two seconds below the menu bar and the side bar
# (rows 100 and down): the scene, its messages and the question's box.
moved() { box_changed "$1_a.png" "$1_b.png" 640x380+0+100 5; }
first=$(moved first)
second=$(moved second)
# Running: the first of the later pictures that shows the scene clearly moving.
running=0
for t in 2 4 6 8; do
  running=$(box_changed running_a.png "running_b$t.png" 640x380+0+100 5)
  [ "$running" -gt 1000 ] && break
done
echo "changed in 2 s: $first px under the first question, $second px under the second; running: $running px in $t s"
[ "$running" -gt 1000 ] || fail "the run hardly moves ($running px in $t s): no measure of a pause"
[ "$first" -lt 50 ] || fail "the run went on under the question ($first px changed)"
[ "$second" -lt 50 ] || fail "the run went on under the question shown again ($second px changed)"
# Both times the question was up: its "No" and "Yes" boxes differ from the scene they cover.
[ "$(pixel first_a.png 410 271)" != "$(pixel running_a.png 410 271)" ] || fail "no question the first time"
[ "$(pixel second_a.png 410 271)" != "$(pixel running_a.png 410 271)" ] || fail "no question the second time"
[ -f Logfile.txt ] || fail "no Logfile.txt"
echo "quit pause: ok"
