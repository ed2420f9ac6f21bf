#!/usr/bin/env bash
# The views over a running "Kestrel Bay Defence" in a 640 x 480 window: the keys M, R and T
# open the map, the radar and the telescope, each changing most pixels of its box against
# the screen before it (two shots of the plain run a second apart change few); the
# telescope's "Night Vis" turns the picture into the green night-vision one. Escape and
# Return, repeated, leave the run and the program with status 0, and the log names no
# missing "world_map.jpg". The main window carries the program's 64 x 64 icon, and a click on
# the map's centre puts the position under it ("east   north" in degrees, inside Kestrel Bay)
# on the X clipboard. Screenshots are kept beside the run folder (views_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png run.png
sleep 2
shot calm1.png
sleep 1
shot calm2.png
press_key m
shot_changed calm2.png map.png 10
xprop -id "$window" _NET_WM_ICON > icon.txt 2>&1
click_gui 0 0           # the map's centre: its position goes to the clipboard
timeout 10 xclip -o -selection clipboard > clipboard.txt 2> clipboard_error.txt
shot map_copied.png
press_key r
shot_changed map_copied.png radar.png 10
press_key t
shot_changed radar.png telescope.png 10
vclick 608 468          # the telescope's "Night Vis"
shot_changed telescope.png night_vision.png 10
quit_by_keys
INNER

run_window_walk 640x480 views_ calm2 map map_copied radar telescope night_vision

# Share (percent) of a box's pixels that changed by more than 10 % between two pictures.
share() {
  local w=${3%%x*} rest=${3#*x}
  local h=${rest%%+*}
  echo $(( $(box_changed "$1" "$2" "$3" 10) * 100 / (w * h) ))
}
screen=640x480+0+0
map_box=544x480+48+0     # the map window, (-0.85, -1.05) .. (0.85, 1.15) in GUI units
calm=$(share calm1.png calm2.png "$screen")
map=$(share calm2.png map.png "$map_box")
radar=$(share map.png radar.png "$screen")
telescope=$(share radar.png telescope.png "$screen")
echo "changed: $calm % of the plain run in a second; map $map %, radar $radar %, telescope $telescope %"
[ "$calm" -lt 25 ] || fail "the plain run changes $calm % of its pixels in a second: no measure of the views"
[ "$map" -gt 50 ] || fail "the map view changed only $map % of its box"
[ "$radar" -gt 50 ] || fail "the radar view changed only $radar % of its box"
[ "$telescope" -gt 50 ] || fail "the telescope view changed only $telescope % of its box"
# Night vision: the picture around the sight is green.
read -r r g b <<<"$(box_mean night_vision.png 200x150+150+150)"
echo "night vision: $r $g $b"
[ "$g" -gt $((r * 3 / 2)) ] && [ "$g" -gt $((b * 3 / 2)) ] || fail "the night-vision picture is not green: $r $g $b"

# The icon: xprop shows the window's _NET_WM_ICON as a 64 x 64 picture.
grep -q "Icon (64 x 64)" icon.txt || fail "the window has no 64 x 64 icon: $(head -c 300 icon.txt)"
# The copied position, read back from the X clipboard.
read -r east north rest < clipboard.txt
echo "clipboard: '$(cat clipboard.txt)' $(cat clipboard_error.txt)"
[[ "$(cat clipboard.txt)" =~ ^-?[0-9]+\.[0-9]{6}\ \ \ -?[0-9]+\.[0-9]{6}$ ]] || fail "the clipboard holds no position"
awk -v e="$east" -v n="$north" 'BEGIN { exit !(e > 38.5 && e < 38.75 && n > 20.0 && n < 20.25) }' ||
  fail "the copied position $east $north is not in Kestrel Bay"

[ -f Logfile.txt ] || fail "no Logfile.txt"
if grep "world_map.jpg" Logfile.txt; then fail "the world map picture is missing"; fi
echo "views: ok"
