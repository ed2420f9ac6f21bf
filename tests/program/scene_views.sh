#!/usr/bin/env bash
# The views over a running "Kestrel Bay Defence" in a 640 x 480 window: the keys M, R and T
# open the map, the radar and the telescope, each changing most pixels of its box against
# the screen before it (two shots of the plain run a second apart change few); the
# telescope's "Night Vis" turns the picture into the green night-vision one. Escape and
# Return, repeated, leave the run and the program with status 0, and the log names no
# missing "world_map.jpg". The run starts facing west and shows the full status line (F); a
# right-button drag of half a turn faces it east before the views open. The heading tape
# shows the compass strip's part round 270 and then round 090, not their mirrors, and the
# radar's "Heading" caption and its wheel hint are drawn on the screen, the caption differing
# between the two. The main window carries the program's 64 x 64 icon, and a click on the
# map's centre puts the position under it ("east   north" in degrees, inside Kestrel Bay) on
# the X clipboard. Screenshots are kept beside the run folder (views_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

# The heading tape, (-0.5, 0.8) .. (0.5, 0.95) in GUI units, shows the compass strip from
# u = heading / 360 + 0.3 to + 0.7 (wrapping), v from 0.01 at its top to 0.99 at its foot,
# half transparent. Its lower 26 rows (clear of the status text) against the strip's part
# for a heading: the normalised cross-correlation of the two grey pictures, per mille. Sourced
# by the walk, which waits for the turn, and by the checks.
cat > tape.sh <<'TAPE'
[ -f strip2.png ] || convert graphics/compass.jpg graphics/compass.jpg +append strip2.png
strip_w=$(identify -format "%w" graphics/compass.jpg)
strip_h=$(identify -format "%h" graphics/compass.jpg)
tape_match() {
  local left
  left=$(awk -v h="$2" -v w="$strip_w" 'BEGIN { u = h / 360 + 0.3; u -= int(u); printf "%d", u * w }')
  convert strip2.png -crop "$((strip_w * 2 / 5))x$((strip_h * 98 / 100))+$left+$((strip_h / 100))" +repage \
    -resize '320x36!' -crop 320x26+0+10 +repage -colorspace gray expected.png
  convert "$1" -crop 320x26+160+22 +repage -colorspace gray shown.png
  awk -v r="$(picture_measure NCC shown.png expected.png)" 'BEGIN { printf "%d", r * 1000 }'
}
# Whether a picture's tape shows the strip round $2 clearly better than round $3: the faint
# tape over a sky whose clouds move keeps the two matches about 100 apart; a mirrored tape
# would swap them.
tape_faces() {
  [ "$(tape_match "$1" "$2")" -gt $(( $(tape_match "$1" "$3") + 40 )) ]
}
TAPE

cat > session.sh <<'INNER'
source "$session_lib"
source ./tape.sh
start_program
start_first_situation menu.png run.png
press_key f             # the full status line: time, position, altitude, heading
sleep 2
shot calm1.png
sleep 1
shot calm2.png          # facing west, as the situation's systems do
press_key r
shot_changed calm2.png west_radar.png 10
press_key t
shot_changed west_radar.png west_telescope.png 10
press_key t             # closed again
shot_changed west_telescope.png west_back.png 10
# Half a turn in two drags of 400 pixels: the look yaw moves by 0.005 x field of view
# (pi / 4) per pixel dragged.
for _ in 1 2; do
  xdotool mousemove --window "$window" 112 400 mousedown 3
  for _ in $(seq 1 20); do xdotool mousemove_relative 20 0; sleep 0.03; done
  xdotool mouseup 3
done
# The turn shows once the frames after the drags are drawn: up to 30 s on a loaded machine.
for _ in $(seq 1 60); do
  sleep 0.5
  shot east.png
  tape_faces east.png 90 270 && break
done
press_key m
shot_changed east.png map.png 10
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

run_window_walk 640x480 views_ calm2 west_radar west_telescope east map map_copied radar telescope night_vision

# Share (percent) of a box's pixels that changed by more than 10 % between two pictures.
share() {
  local w=${3%%x*} rest=${3#*x}
  local h=${rest%%+*}
  echo $(( $(box_changed "$1" "$2" "$3" 10) * 100 / (w * h) ))
}
screen=640x480+0+0
map_box=544x480+48+0     # the map window, (-0.85, -1.05) .. (0.85, 1.15) in GUI units
calm=$(share calm1.png calm2.png "$screen")
map=$(share east.png map.png "$map_box")
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

source ./tape.sh
west_west=$(tape_match calm2.png 270)
west_east=$(tape_match calm2.png 90)
east_east=$(tape_match east.png 90)
east_west=$(tape_match east.png 270)
echo "heading tape: facing west $west_west against 270, $west_east against 090;" \
  "facing east $east_east against 090, $east_west against 270"
[ "$west_west" -gt $((west_east + 40)) ] || fail "facing west, the heading tape does not show the strip round 270"
[ "$east_east" -gt $((east_west + 40)) ] || fail "facing east, the heading tape does not show the strip round 090"
# The radar window, brought inside the 640 x 480 screen, has its title bar at rows 30..44: the
# "Heading %03d deg" caption stands over its middle in white (the grid's lines are
# blue-tinged), "27x" then "09x".
caption_box=128x16+256+30
white() {
  local t=${3:-0.94}
  convert "$1" -crop "$2" +repage -fx "r>$t&&g>$t&&b>$t?1:0" -format "%[fx:int(mean*w*h+0.5)]" info:
}
west_caption=$(white west_radar.png "$caption_box")
east_caption=$(white radar.png "$caption_box")
caption_change=$(box_changed west_radar.png radar.png "$caption_box" 30)
echo "radar caption: $west_caption white pixels facing west, $east_caption facing east, $caption_change changed"
[ "$west_caption" -gt 40 ] && [ "$east_caption" -gt 40 ] || fail "the radar's heading caption is not drawn on the screen"
[ "$caption_change" -gt 15 ] || fail "the radar's heading caption is the same facing west and east"
# "use mouse wheel to zoom" under the square's foot at the window's left, clear of the
# kilometre labels; its thin 12-pixel letters seldom cover a whole pixel, so their bright
# pixels count from 0.85.
hint=$(white radar.png 170x18+40+451 0.85)
echo "radar hint: $hint white pixels"
[ "$hint" -gt 40 ] || fail "the radar's wheel hint is not drawn on the screen"

[ -f Logfile.txt ] || fail "no Logfile.txt"
if grep "world_map.jpg" Logfile.txt; then fail "the world map picture is missing"; fi
echo "views: ok"
