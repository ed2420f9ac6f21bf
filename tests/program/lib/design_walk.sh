# The walk of the design screens at any window size, run inside the virtual display by
# lib/design_sizes.sh: the hub with its Save and Load boxes and a few frames of its Explode,
# every part screen with its Save
# and Load boxes (the airframe with a shorter cylinder; the motor refusing a chamber length,
# then a static fire plotted), the test conditions, then the scenario design screen (a scenery chosen, the
# wheel turned over the map, a missile system placed) and its Save and Load boxes, and a test
# flight with its flight graphs view. Every box is closed with its "Cancel". Screenshots go to
# the working folder (hub.png, motor_save_box.png, scenario_load_box.png ...).
source "$session_lib"
step() { echo "$(date +%T) $*"; }

start_program
echo "window $WIDTH x $HEIGHT"
# The design screens' units: m = the smaller scale, h the vertical one (a 4:3 area centred).
M=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { a = w / 640; b = h / 480; printf "%f", a < b ? a : b }')
H=$(awk -v h="$HEIGHT" 'BEGIN { printf "%f", h / 480 }')
# GUI units of a point given in design-screen units.
dat() { awk -v m="$M" -v h="$H" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", x * m, y * h }'; }
dshoot() { click_and_shoot "$1" $(dat "$2" "$3"); }
dclick() { click_gui $(dat "$1" "$2"); }
# A pixel of the 640 x 480 main menu, whose buttons keep to the same 4:3 area.
menu_shoot() {
  dshoot "$1" $(awk -v x="$2" -v y="$3" 'BEGIN { printf "%f %f", (x - 320) / 320, (240 - y) / 240 }')
}

# The Save and Load boxes of a screen (its Save and Load at the framework's places unless
# given), each shot open and closed with its "Cancel" (the boxes are centred, in GUI units).
boxes() {
  local name=$1 sx=${2:-0.89} sy=${3:--0.51} lx=${4:-0.89} ly=${5:--0.71}
  dshoot "${name}_save_box.png" "$sx" "$sy"
  click_gui 0.28 -0.13                       # the name box's Cancel
  dshoot "${name}_load_box.png" "$lx" "$ly"
  click_gui 0.3 -0.64                        # the file box's Cancel
}
# A part screen from the hub: opened, what the screen's own step does (aero_step ...), its
# boxes, closed.
part() {
  step "$1"
  dshoot "$1.png" 0.84 "$2"
  if declare -F "${1}_step" > /dev/null; then "${1}_step"; fi
  boxes "$1"
  dclick 0.89 -0.9                           # Close: the hub
}
# Types into the field at a point of the screen and applies with the button at another.
type_and_apply() {
  dclick "$1" "$2"
  replace_text "$3"
  click_and_shoot "$6" $(dat "$4" "$5")
}
# The airframe with a shorter cylinder: the preview shrinks and moves, the graph buttons stay.
aero_step() {
  type_and_apply -0.175 0.475 60 0.75 0.29 aero_short.png
}
# A chamber too short for its charges: the motor keeps its length and the hint line says why.
# Then a static fire, plotted by the thrust readout once it has burnt for a while.
motor_step() {
  type_and_apply -0.175 0.555 40 0.75 0.25 motor_refused.png
  dclick 0.34 -0.9                           # Fire
  sleep 4
  dshoot motor_fire.png -0.8 0.665           # the thrust readout: the plot at once
  dclick 0.64 -0.9                           # Stop
}

shot_drawn menu.png
menu_shoot hub.png 58 439                    # Design Missile
boxes hub
step explode
dclick 0.190625 0.7                          # Explode: the warhead bursts in the preview
for n in 1 2 3 4 5 6; do shot "explode_$n.png"; sleep 0.1; done
part aero 0.7
part motor 0.87917
part warhead 0.520833
part fuse 0.341667
part guidance 0.158333
part launcher -0.020833
part control -0.2
step conditions
dshoot conditions.png 0.640625 -0.9          # Test Flight: the test conditions
dclick 0.89 -0.9                             # its Close: the hub
dclick 0.89 -0.9                             # the hub's Close: the main menu
step scenario
menu_shoot scenario.png 170 439              # Design Scenario
# The first scenery of the list: its items keep their GUI height below the list's top (0.87 h).
click_and_shoot scenery.png $(awk -v m="$M" -v h="$H" 'BEGIN { printf "%f %f", 0.81 * m, 0.87 * h - 0.05 }')
sleep 1                                      # the list's choice is taken after a moment
shot chosen.png
# The wheel over the map zooms it at once, without a click into the map first.
xdotool mousemove --window "$window" $(at $(dat -0.15 0))
xdotool click 4 click 4
shot_changed chosen.png wheel.png
dclick -0.15 0                               # a point of the map
dshoot system.png 0.84 0.24                  # Add Missile System
boxes scenario 0.84 -0.69 0.84 -0.53
dclick 0.84 -0.85                            # Close: the main menu
step flight
# A test flight from the hub's test conditions: a target and a missile launched, then the
# flight graphs view opened from the test control strip (its buttons span the window's
# width: W and H are the GUI scales).
W=$(awk -v w="$WIDTH" 'BEGIN { printf "%f", w / 640 }')
wat() { awk -v a="$W" -v b="$H" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", x * a, y * b }'; }
menu_shoot hub_again.png 58 439              # Design Missile
dshoot conditions_again.png 0.640625 -0.9    # Test Flight
xdotool mousemove --window "$window" $(at $(dat 0.64 -0.9)) click 1   # Start Test
shot_changed conditions_again.png test_run.png
sleep 2
click_gui $(wat 0.6945 -0.93)                # Launch Target
sleep 2
click_gui $(wat 0.4245 -0.93)                # Launch Missile
sleep 2
dshoot_w() { click_and_shoot "$1" $(wat "$2" "$3"); }
dshoot_w flight.png -0.301 -0.93             # Graph: the flight graphs view
sleep 2
shot flight_later.png
quit_by_keys
