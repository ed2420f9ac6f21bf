# Inside the virtual display, from the run folder copy (frame_rate.sh starts it): the game to
# its main menu, its peak memory there, Run Scenario and Start, then the frames presented over
# $measure_seconds of the running scenario and its peak memory. Arguments: the environment
# words that start_program puts before ./ventrask.
source "$session_lib"
swaps=$(pwd)/swaps.txt
# A value of the frame counter's file.
counted() { awk -v k="$1" '$1 == k { print $2 }' "$swaps" 2>/dev/null; }
peak_mb() { awk '/^VmHWM:/ { printf "%.0f", $2 / 1024 }' "/proc/$pid/status"; }
# Whether the pictures differ around the dialog's "Start" button (more than half of the pixels
# by more than 10 %): the menu behind the dialog moves, so whole pictures always differ.
button_differs() {
  local area=180x40+$((WIDTH / 2 + 64))+$((HEIGHT / 2 + 184)) changed
  convert "$1" -crop "$area" +repage first_area.png
  convert "$2" -crop "$area" +repage second_area.png
  changed=$(compare -metric AE -fuzz 10% first_area.png second_area.png null: 2>&1)
  [ "${changed%% *}" -gt 3600 ] 2>/dev/null
}
# Processor time so far of the game's threads, in clock ticks: "game renderer other", the
# renderer being the threads the software renderer names llvmpipe-N.
thread_ticks() {
  local task ticks name game=0 renderer=0 other=0
  for task in /proc/"$pid"/task/*; do
    ticks=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$task/stat" 2>/dev/null)
    [ -n "$ticks" ] || continue
    name=$(cat "$task/comm" 2>/dev/null)
    if [ "${task##*/}" = "$pid" ]; then game=$((game + ticks))
    elif [[ "$name" == llvmpipe* ]]; then renderer=$((renderer + ticks))
    else other=$((other + ticks)); fi
  done
  echo "$game $renderer $other"
}
vclick() {
  click_pixel $(awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$1" -v y="$2" \
      'BEGIN { printf "%d %d", x * w / 640, y * h / 480 }')
}

start_program "$@"
shot_drawn menu.png
sleep 2
menu_peak=$(peak_mb)
first_swap=$(counted first_swap)
first_drawn=$(counted first_drawn)
vclick 280 439          # "Run Scenario"
# Up to 20 s for the situation dialog, then a moment for it to settle.
for _ in $(seq 1 100); do
  shot dialog.png
  button_differs dialog.png menu.png && break
  sleep 0.2
done
sleep 1
shot dialog.png
# "Start" with the first situation ("Kestrel Bay Defence") selected: the dialog keeps its size
# in pixels at any window size, centred, so its button is found from the window's centre.
click_pixel $((WIDTH / 2 + 154)) $((HEIGHT / 2 + 204))
# Up to 20 s for the run to replace the dialog.
for _ in $(seq 1 100); do
  shot scene.png
  button_differs scene.png dialog.png && break
  sleep 0.2
done
if ! button_differs dialog.png menu.png || ! button_differs scene.png dialog.png; then
  echo "FAIL: the scenario did not start"
  kill -KILL "$pid"
  exit 1
fi
sleep 3                 # the run's first frames settle
shot scene.png
n0=$(counted swaps)
t0=$(counted last_swap)
ticks0=$(thread_ticks)
if [ -n "${PROFILE:-}" ]; then
  perf record -q -F 499 ${PROFILE_CALLS:+--call-graph "$PROFILE_CALLS"} -p "$pid" -o "$PROFILE" \
    -- sleep "$measure_seconds" >/dev/null 2>&1
else
  sleep "$measure_seconds"
fi
n1=$(counted swaps)
t1=$(counted last_swap)
ticks1=$(thread_ticks)
scene_peak=$(peak_mb)
shot end.png
load=$(cut -d' ' -f1-3 /proc/loadavg)
kill -TERM "$pid"
wait_for_exit >/dev/null || kill -KILL "$pid" 2>/dev/null
awk -v n0="$n0" -v n1="$n1" -v t0="$t0" -v t1="$t1" -v a="$first_swap" -v b="$first_drawn" \
    -v m="$menu_peak" -v p="$scene_peak" -v l="$load" -v k0="$ticks0" -v k1="$ticks1" \
    -v hz="$(getconf CLK_TCK)" -v cpus="$processors" 'BEGIN {
  printf "fps %.1f (%d frames in %.1f s)  start-up first frame %.3f s, first drawn frame %.3f s\n",
    (n1 - n0) / (t1 - t0), n1 - n0, t1 - t0, a, b
  printf "peak memory menu %d MB, scenario %d MB  load %s\n", m, p, l
  split(k0, s); split(k1, e)
  frames = n1 - n0
  if (frames > 0 && hz > 0 && cpus > 0 && t1 > t0) {
    g = (e[1] - s[1]) * 1000 / hz / frames; r = (e[2] - s[2]) * 1000 / hz / frames
    o = (e[3] - s[3]) * 1000 / hz / frames
    printf "processor ms a frame: game thread %.1f, renderer %.1f, other %.1f; %d processors %.0f %% busy\n",
      g, r, o, cpus, 100 * (g + r + o) * frames / 1000 / ((t1 - t0) * cpus)
  }
}'
