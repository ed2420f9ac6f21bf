#!/usr/bin/env bash
# What the world of "Kestrel Bay Defence" shows in a 1024 x 768 window. The first view looks
# inland from above the second system; turned round by a right-button drag (800 pixels, half
# a turn) it looks east over the shore at the bay and "Gull Island": the water between the
# shore and the island is clearly not the sky's colour (a far sea that mirrored the hazy
# horizon, fogged harder than the island, once turned it into sky and left the island
# floating). After F5 the ground round the first system shows no square of shadow: the
# mean brightness changes smoothly across the line where the shadow map's edge lay (a
# cleared map once read as casters everywhere and darkened its whole square). The log names
# no failed program or device call. Screenshots are kept beside the run folder
# (world_first_view.png, world_bay.png, world_f5.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png run.png
sleep 4
shot first.png
# Half a turn: the look yaw moves by 0.005 x field of view (pi / 4) per pixel dragged.
xdotool mousemove --window "$window" 112 600 mousedown 3
for _ in $(seq 1 40); do xdotool mousemove_relative 20 0; sleep 0.03; done
xdotool mouseup 3
sleep 3
shot bay.png
press_key F5
sleep 3
shot f5.png
quit_by_keys
INNER

rm -f Logfile.txt
printf '1\t[window_mode]\r\n1024\t[window_width]\r\n768\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
run_walk session.sh
status=$?
out=$(dirname "$run")
cp first.png "$out/world_first_view.png" 2>/dev/null
cp bay.png "$out/world_bay.png" 2>/dev/null
cp f5.png "$out/world_f5.png" 2>/dev/null
[ "$status" -eq 0 ] || fail "the walk ended with status $status"

brightness() { read -r r g b <<<"$(box_mean "$1" "$2")"; echo $((r + g + b)); }

# The bay: sky above the horizon (row 395), the water below Gull Island down to the shore
# (row 445).
sky=$(brightness bay.png 300x20+362+360)
water=$(brightness bay.png 300x20+362+418)
read -r wr wg wb <<<"$(box_mean bay.png 300x20+362+418)"
echo "bay: sky $sky, water between the shore and the island $water ($wr $wg $wb)"
[ $((sky - water)) -ge 45 ] || fail "the water between the shore and the island ($water) is the sky's colour ($sky)"
[ "$wb" -gt "$wr" ] || fail "the water below the island is not blue: $wr $wg $wb"

# F5: the shadow map's square reached from (0, 540) over (420, 470) to (1024, 500); across
# that line the ground grew 40 % darker. Boxes of 200 x 12 pixels just beyond and just short
# of it, left and right.
far_left=$(brightness f5.png 200x12+100+476)
near_left=$(brightness f5.png 200x12+100+540)
far_right=$(brightness f5.png 200x12+650+462)
near_right=$(brightness f5.png 200x12+650+512)
echo "F5: beyond and short of the old edge: left $far_left $near_left, right $far_right $near_right"
[ $((far_left - near_left)) -le 60 ] || fail "a dark square of ground on the left: $far_left against $near_left"
[ $((far_right - near_right)) -le 60 ] || fail "a dark square of ground on the right: $far_right against $near_right"

[ -f Logfile.txt ] || fail "no Logfile.txt"
if grep -E "Could not load (VSO|PSO)|\.cpp line [0-9]+" Logfile.txt; then fail "the log names failures"; fi
echo "world views: ok"
