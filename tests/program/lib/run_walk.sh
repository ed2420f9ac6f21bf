# The walk of the run screens at any window size, run inside the virtual display by
# lib/run_screens.sh: "Kestrel Bay Defence" with the full status line, the message history,
# the counters, the map, radar and telescope views, night vision, the menu bar with a menu
# down, the quit dialog; then a test flight with its bar, and a scenario of one system and a
# launcher without rockets, whose run ends at once in the results dialog. Screenshots go to
# the working folder (status.png, history.png ...).
source "$session_lib"
step() { echo "$(date +%T) $*"; }

start_program
echo "window $WIDTH x $HEIGHT"
# The half-extents of the screen in GUI units, and the design screens' units (the smaller
# scale, a 4:3 area centred).
SX=$(awk -v w="$WIDTH" 'BEGIN { printf "%f", w / 640 }')
SY=$(awk -v h="$HEIGHT" 'BEGIN { printf "%f", h / 480 }')
M=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { a = w / 640; b = h / 480; printf "%f", a < b ? a : b }')
dat() { awk -v m="$M" -v h="$SY" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", x * m, y * h }'; }
dshoot() { click_and_shoot "$1" $(dat "$2" "$3"); }
dclick() { click_gui $(dat "$1" "$2"); }
menu_shoot() {
  dshoot "$1" $(awk -v x="$2" -v y="$3" 'BEGIN { printf "%f %f", (x - 320) / 320, (240 - y) / 240 }')
}
# The pointer away from the menu bar and the side bar (the counters show).
rest_pointer() { xdotool mousemove --window "$window" $(at 0 -0.3); sleep 0.5; }
# The colour of one window pixel as "r g b".
pixel_at() {
  import -window "$window" -crop "1x1+$1+$2" -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" info:-
}

step run
start_first_situation menu.png run.png
rest_pointer
press_key f                                  # the status line in its full mode
press_key F4                                 # "Sim rate x 2": messages for the history
press_key F3
press_key F4
press_key F3
sleep 1
shot status.png
step views
press_key m
shot_changed status.png map.png 10
press_key r
shot_changed map.png radar.png 10
press_key t
shot_changed radar.png telescope.png 10
click_gui 0.9 -0.95                          # the telescope's "Night Vis"
shot_changed telescope.png night_vision.png 10
click_gui 0.9 0.95                           # its "OFF"
rest_pointer
shot plain.png
step menu_bar
BAR_Y=$(awk -v s="$SY" 'BEGIN { print s - 0.18 }')
xdotool mousemove --window "$window" $(at 0 "$BAR_Y")
shot_changed plain.png menu_bar.png
click_and_shoot menu_down.png "$(awk -v s="$SX" 'BEGIN { print 0.15 - s }')" "$(awk -v s="$SY" 'BEGIN { print s - 0.04 }')"
press_key Escape
rest_pointer
step quit
# Escape closes what is open, then asks: until the question's title bar shows (its middle at
# (0, 0.27)).
for _ in 1 2 3 4; do
  read -r r g b <<<"$(pixel_at $(at 0 0.27))"
  [ $((r > 30 && r < 60 && g > 80 && g < 105 && b > 95 && b < 120)) -eq 1 ] && break
  press_key Escape
  sleep 1
done
shot quit.png
click_gui 0.28 -0.13                         # its "No"
# The side bar's "Exit" (its eighth button) opens the question under the pointer's bar.
xdotool mousemove --window "$window" $(at 0 "$BAR_Y")
sleep 1
click_and_shoot quit_side_bar.png "$(awk -v s="$SX" 'BEGIN { print s - 0.075 }')" "$BAR_Y"
xdotool mousemove --window "$window" $(at -0.3 "$BAR_Y")
sleep 1
shot quit_menu_bar.png
press_key Return                             # "Yes": the run ends, the scenario design follows
shot_changed quit_menu_bar.png after_run.png

step scenario
# A scenario of one missile system and one launcher without rockets: nothing is left to fly.
# The first scenery of the list: its items keep their GUI height below the list's top (0.87 h).
click_and_shoot scenery.png $(awk -v m="$M" -v h="$SY" 'BEGIN { printf "%f %f", 0.81 * m, 0.87 * h - 0.05 }')
sleep 1
dclick -0.15 0                               # a point of the map
dclick 0.84 0.24                             # Add Missile System
dclick -0.05 0.1                             # another point
dclick 0.93 0.16                             # the rockets count
replace_text 0
dclick 0.84 -0.01                            # Add Rocket Launcher
rest_pointer
sleep 1
shot scenario_objects.png
# The Save box takes the keyboard as it opens: the typing replaces the offered name.
dshoot save_box.png 0.84 -0.69
xdotool key --window "$window" End
xdotool key --window "$window" --repeat 20 --delay 20 BackSpace
xdotool type --window "$window" "Typed At Once"
sleep 1
shot save_typed.png
click_gui 0.28 -0.13                         # the name box's Cancel
step results
dshoot results_run.png 0.54 -0.875           # Run Scenario: the results come at once
for _ in $(seq 1 40); do
  sleep 0.5
  shot results.png
  [ "$(changed_pixels results_run.png results.png 10)" -gt $((WIDTH * HEIGHT / 20)) ] && break
done
sleep 3
shot results.png
click_gui 0 -0.61                            # its "Close": the scenario design again
sleep 2
shot results_closed.png
dclick 0.84 -0.85                            # the design's Close: the main menu

step test_flight
menu_shoot hub.png 58 439                    # Design Missile
dshoot conditions.png 0.640625 -0.9          # Test Flight: the test conditions
dshoot test_run.png 0.64 -0.9                # Start Test
rest_pointer
sleep 2
shot test_bar.png
# The bar's "Close": the test ends, the test conditions follow.
click_and_shoot test_left.png "$(awk -v s="$SX" 'BEGIN { print 0.93 * s }')" "$(awk -v s="$SY" 'BEGIN { print -0.93 * s }')"
quit_by_keys
