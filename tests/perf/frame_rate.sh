#!/usr/bin/env bash
# Whole-program figures of a Release build, measured from outside the program (not a test:
# ctest does not run it). Under a virtual display of 1024 x 768 the game starts in a
# 1024 x 768 window with the frame counter preloaded (libventrask_swap_counter.so), rests on
# the main menu, then plays "Kestrel Bay Defence" (Run Scenario, Start with the first
# situation) and counts the frames presented over 20 s of the running scenario.
# Prints one line per run:
#   fps F (N frames in S s)  start-up first frame A s, first drawn frame B s
#   peak memory menu M MB, scenario P MB  load L
#   processor ms a frame: game thread G, renderer R, other O; N processors B % busy
# The peaks are VmHWM of /proc/<pid>/status, read on the menu and at the end of the counted
# seconds. The processor time is that of the game's threads over the counted frames (the
# renderer's are the software renderer's llvmpipe-N threads); "busy" is their sum over the
# time the processors the game may run on had: below 100 %, threads waited for each other.
# Usage: tests/perf/frame_rate.sh [build folder, build/rel] [runs, 1]
# Environment: PIN=1 runs the game on processors 0 and 1 (taskset) with LP_NUM_THREADS=2;
# MEASURE_SECONDS (20) the counted seconds; KEEP=folder keeps each run's screenshots there;
# PROFILE=file records a perf profile of the game over the counted seconds (the frame rate
# then pays for it a little; PROFILE_CALLS=dwarf adds call stacks); SETTINGS adds lines to
# qvd.ini, e.g. SETTINGS=$'0\t[use_shadow]' to see what the shadows cost; WINDOW=1920x1080 another
# window size (the virtual display takes the window's size when it is larger than 1024 x 768).
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/rel}" && pwd)
runs=${2:-1}
counter="$build/tests/perf/libventrask_swap_counter.so"
binary="$build/run/ventrask"
[ -f "$counter" ] && [ -x "$binary" ] || { echo "build $build first (Release)"; exit 2; }
lib_dir="$top/tests/program/lib"

window=${WINDOW:-1024x768}
screen_w=${window%x*} screen_h=${window#*x}
[ "$screen_w" -lt 1024 ] && screen_w=1024
[ "$screen_h" -lt 768 ] && screen_h=768
words=(LD_PRELOAD="$counter")
# The processors the game may run on: the walk tells how busy its threads kept them.
processors=$(nproc)
if [ "${PIN:-0}" = 1 ]; then
  words+=(LP_NUM_THREADS=2 taskset -c 0,1)
  processors=2
fi

for ((r = 1; r <= runs; r++)); do
  work=$(mktemp -d)
  cp -r "$build/run"/. "$work"/
  printf '1\t[window_mode]\r\n%d\t[window_width]\r\n%d\t[window_height]\r\n0\t[use_tips]\r\n' \
    "${window%x*}" "${window#*x}" > "$work/qvd.ini"
  # Further settings lines ("value<TAB>[key]", one a line) weigh a part of the frame.
  [ -n "${SETTINGS:-}" ] && printf '%s\n' "$SETTINGS" | sed 's/$/\r/' >> "$work/qvd.ini"
  (
    cd "$work" || exit 1
    export session_lib="$lib_dir/session.sh" measure_seconds="${MEASURE_SECONDS:-20}" processors
    xvfb-run -a -s "-screen 0 ${screen_w}x${screen_h}x24" bash "$top/tests/perf/lib/scenario_walk.sh" \
      "VENTRASK_SWAP_FILE=$work/swaps.txt" "${words[@]}"
  )
  status=$?
  if [ -n "${KEEP:-}" ]; then
    mkdir -p "$KEEP"
    for s in menu dialog scene end; do cp "$work/$s.png" "$KEEP/run${r}_$s.png" 2>/dev/null; done
  fi
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "run $r failed with status $status"; exit 1; }
done
