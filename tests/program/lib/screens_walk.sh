# The walk of the main menu's dialogs at any window size, run inside the virtual display by
# lib/screen_sizes.sh: the settings pages one after the other through their tab row, then
# closed with the close button; Run Scenario; the keys page, the about and tips pages through
# the help pages' tab row; the quit question; then in a run the keys page from the Help menu
# and the Help menu open over it. Screenshots go to the working folder (menu.png, video.png,
# sound.png, ... help_menu.png); dialog.txt lists the dialog screenshots, one a line.
source "$session_lib"
step() { echo "$(date +%T) $*"; }

start_program
echo "window $WIDTH x $HEIGHT"
M=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { a = w / 640; b = h / 480; printf "%f", a < b ? a : b }')
H=$(awk -v h="$HEIGHT" 'BEGIN { printf "%f", h / 480 }')

# Where a point of a dialog lands on the screen, in GUI units: the dialog draws over x1 y1 x2
# y2 of its own units (its tab row included) and is moved by "lift" upwards. A dialog that
# lies within the window stays as it is; one reaching past it is scaled about its centre
# until it lies 0.02 inside the window, then moved in. Arguments: x1 y1 x2 y2 lift px py.
fitted() {
  awk -v w="$WIDTH" -v h="$HEIGHT" -v x1="$1" -v y1="$2" -v x2="$3" -v y2="$4" -v lift="$5" \
      -v px="$6" -v py="$7" 'BEGIN {
    if (x1 >= -w / 640 && x2 <= w / 640 && y1 + lift >= -h / 480 && y2 + lift <= h / 480) {
      printf "%f %f", px, py + lift; exit }
    rx = w / 640 - 0.02; ry = h / 480 - 0.02
    f = 1
    if (x2 - x1 > 2 * rx) f = 2 * rx / (x2 - x1)
    if (y2 - y1 > 2 * ry && 2 * ry / (y2 - y1) < f) f = 2 * ry / (y2 - y1)
    cx = (x1 + x2) / 2; cy = (y1 + y2) / 2 + lift
    tx = (1 - f) * cx; ty = f * lift + (1 - f) * cy
    lo = f * y1 + ty; hi = f * y2 + ty
    if (hi > ry) ty -= hi - ry
    if (lo < -ry) ty += -ry - lo
    lo = f * x1 + tx; hi = f * x2 + tx
    if (hi > rx) tx -= hi - rx
    if (lo < -rx) tx += -rx - lo
    printf "%f %f", f * px + tx, f * py + ty }'
}

# The boxes the dialogs draw over (body, title bar, tab row).
SETTINGS="-0.8 -1.1 0.8 1.08 0"
GRAPHICS="-1.0 -1.1 1.0 1.08 0"
JOYSTICK="-0.8 -1.3 0.8 1.28 0.2"
HELP="-0.7 -1.1 0.7 1.08 0"
# The x of the settings tabs "Video" ... "Graphics" and of the help tabs "Keys" ... "Tips".
declare -A TAB=([Video]=-0.615 [Sound]=-0.315 [Joystick]=-0.015 [Buttons]=0.285 [Graphics]=0.585
                [Keys]=-0.5 [About]=-0.15 [Tips]=0.2)

: > dialog.txt
dialog_shot() { click_and_shoot "$1" $2; echo "$1" >> dialog.txt; }
# A tab of the page whose box is given: the next page's screenshot.
tab() {
  local picture=$1 name=$2 row=$3
  shift 3
  dialog_shot "$picture" "$(fitted "$@" "${TAB[$name]}" "$row")"
}
# The window pixels (WxH+X+Y) of the help page's text area, (-0.65, -0.87)-(0.59, 0.95) of
# the page, a few pixels inside its frame.
help_text_area() {
  set -- $(at $(fitted $HELP -0.65 0.95)) $(at $(fitted $HELP 0.59 -0.87))
  echo "$(($3 - $1 - 8))x$(($4 - $2 - 4))+$(($1 + 4))+$(($2 + 2))"
}

# The window pixels (WxH+X+Y) of items of a list on a dialog whose box is given, one a line:
# the list's area runs from x1 to x2 across and down from its top, item k 0.08 high from
# top - 0.08 k; each box leaves out the chosen item's frame on the left and the tick's room
# on the right. Arguments: the dialog's box (5 numbers), x1 x2 top, then the items.
list_item_boxes() {
  local box="$1 $2 $3 $4 $5" x1=$6 x2=$7 top=$8 k
  shift 8
  for k in "$@"; do
    set -- $(at $(fitted $box "$(awk -v x="$x1" 'BEGIN { print x + 0.01 }')" \
                 "$(awk -v t="$top" -v k="$k" 'BEGIN { print t - 0.08 * k }')")) \
           $(at $(fitted $box "$(awk -v x="$x2" 'BEGIN { print x - 0.08 }')" \
                 "$(awk -v t="$top" -v k="$k" 'BEGIN { print t - 0.08 * (k + 1) }')"))
    echo "$(($3 - $1))x$(($4 - $2))+$1+$2"
  done
}

# Presses an arrow of the help page's text box (box (-0.65, -0.95)-(0.65, 0.95)) the given
# times and keeps the page as the picture, its text area's pixels beside it (<name>.area):
# "down" the down arrow (0.62, -0.822), "right" the right arrow (0.554, -0.91).
scroll_help_page() {
  local picture=$1 arrow=$2 times=$3 point
  case $arrow in
    down) point=$(fitted $HELP 0.62 -0.822) ;;
    right) point=$(fitted $HELP 0.554 -0.91) ;;
  esac
  xdotool mousemove --window "$window" $(at $point)
  sleep 0.5
  xdotool click --repeat "$times" --delay 60 1
  sleep 1
  shot "$picture"
  help_text_area > "${picture%.png}.area"
}

# A pixel of the 640 x 480 main menu, whose buttons keep to the same 4:3 area.
menu_point() { awk -v m="$M" -v h="$H" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", (x - 320) / 320 * m, (240 - y) / 240 * h }'; }

shot_drawn menu.png
step settings
dialog_shot video.png "$(menu_point 542 439)"          # "Settings"
tab sound.png Sound -1.05 $SETTINGS
tab joystick.png Joystick -1.05 $SETTINGS
tab buttons.png Buttons -1.25 $JOYSTICK
# Its list of the sixteen buttons' actions, (-0.7, 0.19) across from 0.8 down.
list_item_boxes $SETTINGS -0.7 0.19 0.8 $(seq 0 15) > buttons.items
tab graphics.png Graphics -1.05 $SETTINGS
# The graphics page's close button (its box ends at 1.0 across and 1.08 up).
click_and_shoot closed.png $(fitted $GRAPHICS 0.97 1.04)
step run scenario
dialog_shot run_scenario.png "$(menu_point 280 439)"   # "Run Scenario"
# Its list of the two situations, (-0.76, -0.28) across from 0.84 down.
list_item_boxes -0.8 -1.0 0.8 1.05 0 -0.76 -0.28 0.84 0 1 > run_scenario.items
click_gui $(fitted -0.8 -1.0 0.8 1.05 0 0.77 1.01)  # its close button
step help pages
dialog_shot keys.png "$(menu_point 606 404)"           # "Help"
scroll_help_page keys_end.png down 80
tab about.png About -1.05 $HELP
scroll_help_page about_right.png right 40
tab tips.png Tips -1.05 $HELP
# The tips page's close button: its box scales with the window to 0.75 m across and
# 0.65 h + 0.08 up.
click_gui $(awk -v m="$M" -v h="$H" 'BEGIN { printf "%f %f", 0.75 * m - 0.03, 0.65 * h + 0.04 }')
step quit
dialog_shot quit.png "$(menu_point 606 439)"           # "Exit"
# Its "No" (0.28, -0.13), the box grown with the fonts past 1024 x 768 as a message box.
click_gui $(awk -v m="$M" 'BEGIN { g = m / 1.6; if (g < 1) g = 1; printf "%f %f", 0.28 * g, -0.13 * g }')
step run
shot menu_again.png
start_first_situation menu_again.png run.png
# The Help menu's title is the fourth of the menu bar, 0.3 wide each from the left edge.
help_x=$(awk -v w="$WIDTH" 'BEGIN { printf "%f", 1.05 - w / 640 }')
top=$(awk -v h="$HEIGHT" 'BEGIN { printf "%f", h / 480 - 0.04 }')
xdotool mousemove --window "$window" $(at "$help_x" "$top")
sleep 0.6
click_gui "$help_x" "$(awk -v t="$top" 'BEGIN { print t - 0.08 }')"   # "Keys"
shot_changed run.png keys_run.png
xdotool mousemove --window "$window" $(at "$help_x" "$top")
sleep 0.6
xdotool mousemove --window "$window" $(at "$help_x" "$(awk -v t="$top" 'BEGIN { print t - 0.32 }')")
sleep 1
shot help_menu.png
quit_by_keys
