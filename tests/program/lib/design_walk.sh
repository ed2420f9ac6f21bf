# The walk of the design screens at any window size, run inside the virtual display by
# lib/design_sizes.sh: the hub with its Save and Load boxes, every part screen with its Save
# and Load boxes, the test conditions, then the scenario design screen with a missile system
# placed and its Save and Load boxes. Every box is closed with its "Cancel". Screenshots go to
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
# GUI units of a pixel of the 640 x 480 main menu, scaled to the window.
menu_shoot() {
  click_and_shoot "$1" $(awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$2" -v y="$3" \
    'BEGIN { printf "%f %f", (x * w / 640 - w / 2) / 320, (h / 2 - y * h / 480) / 240 }')
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
# A part screen from the hub: opened, its boxes, closed.
part() {
  step "$1"
  dshoot "$1.png" 0.84 "$2"
  boxes "$1"
  dshoot "$1_closed.png" 0.89 -0.9           # Close: the hub
}

shot_drawn menu.png
menu_shoot hub.png 58 439                    # Design Missile
boxes hub
part aero 0.7
part motor 0.87917
part warhead 0.520833
part fuse 0.341667
part guidance 0.158333
part launcher -0.020833
part control -0.2
step conditions
dshoot conditions.png 0.640625 -0.9          # Test Flight: the test conditions
dshoot conditions_closed.png 0.89 -0.9       # its Close: the hub
dclick 0.89 -0.9                             # the hub's Close: the main menu
step scenario
menu_shoot scenario.png 170 439              # Design Scenario
dshoot scenery.png 0.81 0.8                  # the first scenery of the list
dclick -0.15 0                               # a point of the map
dshoot system.png 0.84 0.24                  # Add Missile System
boxes scenario 0.84 -0.69 0.84 -0.53
dclick 0.84 -0.85                            # Close: the main menu
quit_by_keys
