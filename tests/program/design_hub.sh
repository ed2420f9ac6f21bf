#!/usr/bin/env bash
# A walk through the design hub of the whole program in a 640 x 480 window: "Design Missile"
# opens the hub, "Resize Shape" fits the airframe, Save "T1" writes the missile and its
# system, "Aerodynamics" opens the airframe screen, where a cylinder cut to 60 cm and Apply
# Changes redraw the preview (a wing set chosen from its list shows the airframe part by part),
# whose Save "T1" writes the configuration and its 41-line table, a name with a '.' writes
# nothing, Close returns to the hub; "Launcher" opens its screen, where an elevation of 50 and
# Apply turn the barrel and Load "New Launcher" turns it back to 25 degrees; Close, then Fire runs
# the static test for 3 s with the parts shown labelled beside the airframe, Explode bursts the
# warhead, and the hub's Close, Escape and Return end the program with status 0. The
# screenshots are kept in the build (design_hub_*.png); design_hub_labels.png shows the hub's
# labelled parts, design_hub_explode.png the explosion's smoke over the preview.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n640\t[window_width]\r\n480\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
rm -f missiles/T1.txt systems/T1.txt configs/T1.txt configs/T1.csv

cat > walk.sh <<'INNER'
source "$session_lib"
start_program
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || echo "note: the window is $WIDTH x $HEIGHT"
click_and_shoot hub.png -0.81875 -0.82917            # Design Missile (58, 439)
click_and_shoot resized.png -0.75625 -0.0625         # Resize Shape (78, 255)
click_and_shoot save_box.png 0.890625 -0.50833       # Save (605, 362)
type_name T1
shot hub_saved.png
click_and_shoot aero.png 0.840625 0.7                # Aerodynamics (589, 72)
click_and_shoot aero_field.png -0.175 0.475          # Cylinder Length field (264, 126)
replace_text 60
click_and_shoot aero_short.png 0.75 0.29             # Apply Changes (560, 170)
click_and_shoot aero_parts.png 0.703 0.7125          # wing set 2 of the list: the parts one by one
click_and_shoot aero_save_box.png 0.890625 -0.50833
type_name T1
click_and_shoot aero_bad_box.png 0.890625 -0.50833
type_name a.b
shot aero_notice.png
click_gui 0 -0.13                                    # the notice's "OK"
click_and_shoot hub_again.png 0.89375 -0.9           # Close (606, 456)
click_and_shoot launcher.png 0.840625 -0.020833      # Launcher (589, 245)
click_and_shoot launcher_field.png 0.86 0.555        # Elevation Angle field (595, 107)
replace_text 50
click_and_shoot launcher_50.png 0.72 0.285           # Apply Changes (550, 172)
click_and_shoot launcher_load_box.png 0.89 -0.71     # Load (605, 410)
click_and_shoot launcher_chosen.png 0 0.5            # "New Launcher", the first of the list
click_and_shoot launcher_loaded.png -0.33 -0.64      # Accept (214, 394)
click_and_shoot hub_launcher.png 0.89375 -0.9        # Close (606, 456)
click_and_shoot labels.png -0.75 0.0175              # "Show components inside" off: labelled parts
click_and_shoot fire.png 0.190625 0.8                # Fire (381, 48)
sleep 3
shot flying.png
click_gui 0.190625 0.7                               # Explode (381, 72): the warhead bursts
shot explode.png
click_gui 0.89375 -0.9                               # Close: the main menu
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
for f in hub resized save_box hub_saved aero aero_field aero_short aero_parts aero_save_box aero_bad_box aero_notice \
    hub_again launcher launcher_field launcher_50 launcher_load_box launcher_chosen launcher_loaded hub_launcher \
    labels fire flying explode; do
  [ -f "$f.png" ] && cp "$f.png" "$out/design_hub_$f.png"
done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"
[ -f missiles/T1.txt ] || fail "no missiles/T1.txt"
[ -f systems/T1.txt ] || fail "no systems/T1.txt"
[ -f configs/T1.txt ] || fail "no configs/T1.txt"
[ "$(wc -l < configs/T1.csv)" -eq 41 ] || fail "configs/T1.csv is not 41 lines: $(wc -l < configs/T1.csv)"
! ls configs/a.b.* missiles/a.b.* 2>/dev/null | grep -q . || fail "a refused name wrote a file"
! grep -qwi "nan" Logfile.txt || fail "the static test logged a NaN: $(grep -i nan Logfile.txt)"
# The preview follows the fields: the airframe with a 60 cm cylinder is drawn anew (right of
# the graph, under the panels), and the launcher loaded after a jog to 50 degrees stands as it
# did when the screen opened, its barrel back at 25 degrees.
shorter=$(box_changed aero.png aero_short.png 230x110+330+190 10)
[ "$shorter" -gt 2000 ] || fail "the preview kept the old airframe after Apply: $shorter pixels changed"
reloaded=$(box_changed launcher.png launcher_loaded.png 320x330+100+20 10)
[ "$reloaded" -lt 300 ] || fail "the loaded launcher is not drawn as its file says: $reloaded pixels differ"
turned=$(box_changed launcher_50.png launcher_loaded.png 320x330+100+20 10)
[ "$turned" -gt 5000 ] || fail "the preview kept the barrel at 50 degrees after Load: $turned pixels changed"
echo "design hub: ok"
