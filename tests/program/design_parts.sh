#!/usr/bin/env bash
# A walk through the part screens of the whole program in a 640 x 480 window: "Design Missile"
# opens the hub, "Rocket Motor" its motor screen, where the chamber length becomes 90, Apply
# Changes takes it, Fire burns the motor for 4 s, Stop ends the fire and Save "T2" writes the
# motor with the recorded fire as its table; then each other part button of the hub opens its
# screen, whose Save "T2" writes its file, and Close returns to the hub. The hub's Close,
# Escape and Return end the program with status 0. The screenshots are kept in the build
# (design_parts_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
for folder in motors launchers controls warheads seekers; do rm -f "$folder"/T2.*; done

cat > walk.sh <<'INNER'
source "$session_lib"
# Opens a part screen from the hub, saves its design as "T2" and closes it again.
save_part() {
  step "$1"
  click_and_shoot "$1.png" 0.840625 "$2"
  click_and_shoot "$1_save_box.png" 0.890625 -0.50833      # Save (605, 362)
  type_name T2
  shot "$1_saved.png"
  click_and_shoot "$1_closed.png" 0.89375 -0.9            # Close (606, 456)
}
step() { echo "$(date +%T) $*"; }
start_program
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || echo "note: the window is $WIDTH x $HEIGHT"
click_and_shoot hub.png -0.81875 -0.82917                 # Design Missile (58, 439)
step motor
click_and_shoot motor.png 0.840625 0.87917                # Rocket Motor (589, 29)
click_and_shoot length.png -0.175 0.55417                 # Chamber Length field (264, 107)
replace_text 90
click_and_shoot applied.png 0.75 0.25                     # Apply Changes (560, 180)
click_and_shoot fire.png 0.340625 -0.9                    # Fire (429, 456)
sleep 4
shot burning.png
click_gui 0.640625 -0.9                                   # Stop (525, 456)
click_and_shoot motor_save_box.png 0.890625 -0.50833      # Save (605, 362)
type_name T2
shot motor_saved.png
click_and_shoot motor_closed.png 0.89375 -0.9             # Close (606, 456)
save_part launcher -0.020833                              # Launcher (589, 245)
save_part control -0.2                                    # Control Unit (589, 288)
save_part warhead 0.520833                                # Warhead (589, 115)
save_part fuse 0.341667                                   # Fuse (589, 158)
save_part guidance 0.158333                               # Guidance (589, 202)
click_gui 0.89375 -0.9                                    # Close: the main menu
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
for f in *.png; do
  [ -f "$f" ] && cp "$f" "$out/design_parts_$f"
done
[ -f motors/T2.txt ] || fail "no motors/T2.txt"
grep -q $'^90\t\\[LEN\\]' motors/T2.txt || fail "motors/T2.txt has no chamber length of 90: $(grep LEN motors/T2.txt)"
head -n 1 motors/T2.csv | grep -q '^Time (sec),Th (kgf)' || fail "motors/T2.csv has no header"
[ "$(wc -l < motors/T2.csv)" -ge 3 ] || fail "motors/T2.csv holds no fire: $(wc -l < motors/T2.csv) lines"
[ -f launchers/T2.txt ] || fail "no launchers/T2.txt"
[ -f controls/T2.txt ] || fail "no controls/T2.txt"
[ "$status" -eq 0 ] || fail "the walk ended with status $status"
[ -f warheads/T2.txt ] || fail "no warheads/T2.txt"
[ -f warheads/T2.csv ] || fail "no warheads/T2.csv"
[ -f seekers/T2.txt ] || fail "no seekers/T2.txt"
! grep -qwi "nan" Logfile.txt || fail "a screen logged a NaN: $(grep -i nan Logfile.txt)"
echo "design parts: ok"
