#!/usr/bin/env bash
# The world of a running "Kestrel Bay Defence" in a 1024 x 768 window. At 10:00 the sky above
# the horizon is blue and lighter near the horizon than higher up, the land below it is no
# sky; the scenery's "map.jpg" and "topo.jpg" are made once the run starts; sped up, the run
# soon shows rocket and missile plumes against the sky (pixels changed there) and an
# explosion's fire and smoke (pixels redder than blue there). Started again at 22:00 the sky
# is darker and holds stars. The log names no failed program or device call. Screenshots are
# kept beside the run folder (world_day.png, world_action.png, world_night.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

# Boxes of the 1024 x 768 window, clear of the counters (right), the messages (left) and the
# compass (top): the sky is the band above the horizon (row 384 at this camera pitch).
high_sky=640x30+160+60
low_sky=640x30+160+340
sky=640x320+160+50
land=640x200+160+500

# Each start writes a new log: no program of the world failed to load, no device call failed.
check_log() {
  [ -f Logfile.txt ] || fail "no Logfile.txt"
  if grep -E "Could not load (VSO|PSO)|\.cpp line [0-9]+" Logfile.txt; then fail "the log names failures"; fi
}

cat > session.sh <<'INNER'
source "$session_lib"
sky=640x320+160+50
start_program
start_first_situation menu.png run.png
for _ in $(seq 1 100); do
  [ -f "scenery/Kestrel Bay/map.jpg" ] && [ -f "scenery/Kestrel Bay/topo.jpg" ] && break
  sleep 0.2
done
sleep 2
shot sky.png
if [ "${1:-}" = action ]; then
  for _ in $(seq 1 9); do xdotool key --window "$window" F4; sleep 0.2; done
  # Up to 60 s for plumes and an explosion in the sky.
  warm0=$(box_warm sky.png "$sky")
  for _ in $(seq 1 60); do
    sleep 1
    shot action.png
    [ $(( $(box_warm action.png "$sky") - warm0 )) -ge 3000 ] &&
      [ "$(box_changed sky.png action.png "$sky" 10)" -ge 3000 ] && break
  done
fi
quit_by_keys
INNER

rm -f Logfile.txt "scenery/Kestrel Bay/map.jpg" "scenery/Kestrel Bay/topo.jpg"
printf '1\t[window_mode]\r\n1024\t[window_width]\r\n768\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
run_walk session.sh action
status=$?
out=$(dirname "$run")
cp sky.png "$out/world_day.png" 2>/dev/null
cp action.png "$out/world_action.png" 2>/dev/null
[ "$status" -eq 0 ] || fail "the day walk ended with status $status"
for f in map.jpg topo.jpg; do
  [ -f "scenery/Kestrel Bay/$f" ] || fail "no \"$f\" in the scenery's folder after the run started"
done

read -r hr hg hb <<<"$(box_mean sky.png "$high_sky")"
read -r lr lg lb <<<"$(box_mean sky.png "$low_sky")"
read -r gr gg gb <<<"$(box_mean sky.png "$land")"
echo "day: high sky $hr $hg $hb, low sky $lr $lg $lb, land $gr $gg $gb"
[ "$hb" -gt $((hr + 30)) ] || fail "the sky at 10:00 is not blue: $hr $hg $hb"
[ $((lr + lg + lb)) -gt $((hr + hg + hb + 15)) ] ||
  fail "the sky is not lighter near the horizon ($lr $lg $lb) than higher up ($hr $hg $hb)"
[ "$gb" -lt $((hb - 40)) ] || fail "below the horizon ($gr $gg $gb) looks like sky ($hr $hg $hb)"
warm=$(( $(box_warm action.png "$sky") - $(box_warm sky.png "$sky") ))
changed=$(box_changed sky.png action.png "$sky" 10)
echo "action: $changed sky pixels changed, $warm more fire and smoke pixels"
[ "$changed" -ge 3000 ] || fail "no plumes in the sky: only $changed of its pixels changed"
[ "$warm" -ge 3000 ] || fail "no explosion in the sky: only $warm more pixels of fire and smoke"
check_log

# Night: the same run at 22:00.
sed -i 's/^[0-9.]*\t\[time_of_day\]/22.00\t[time_of_day]/' "situations/Kestrel Bay Defence.txt"
grep -q "^22.00	\[time_of_day\]" "situations/Kestrel Bay Defence.txt" || fail "the situation names no time of day"
cp sky.png day.png
# Leaving the run saved "# Last Position", which would now be the first situation listed.
rm -f situations/"# Last Position".*
run_walk session.sh
status=$?
cp sky.png "$out/world_night.png" 2>/dev/null
[ "$status" -eq 0 ] || fail "the night walk ended with status $status"
read -r nr ng nb <<<"$(box_mean sky.png "$sky")"
read -r dr dg db <<<"$(box_mean day.png "$sky")"
# Stars: points brighter than the sky around them (the median of their 5 x 5 neighbourhood).
# The star map's sizes make most stars smaller than a pixel: a few show.
stars=$(box_points sky.png "$sky")
day_stars=$(box_points day.png "$sky")
echo "night: sky $nr $ng $nb (day $dr $dg $db), $stars star points ($day_stars by day)"
[ $((nr + ng + nb)) -lt $(( (dr + dg + db) / 3 )) ] || fail "the sky at 22:00 ($nr $ng $nb) is not dark against 10:00 ($dr $dg $db)"
[ "$stars" -ge 2 ] || fail "the night sky shows $stars stars"
check_log
echo "scene world: ok"
