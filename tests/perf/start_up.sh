#!/usr/bin/env bash
# Start-up of a Release build to its first menu frame, measured from outside the program (not
# a test: ctest does not run it). The game starts twice in one copy of the run folder under a
# virtual display of 1024 x 768, in a 1024 x 768 window, with the frame counter preloaded
# (libventrask_swap_counter.so); the first start is the cold one (a fresh run folder, its
# derived files still to write), the second the warm one. Prints per start the seconds from
# the counter's start (just after exec) to the first frame presented and to the first frame
# with anything drawn, the seconds from exec to the counter's start (the shared libraries'
# loading, in 10 ms steps) and the peak memory on the menu (VmHWM).
# Usage: tests/perf/start_up.sh [build folder, build/rel] [rounds, 1]
# Environment: PIN=1 runs the game on processors 0 and 1 (taskset) with LP_NUM_THREADS=2.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/rel}" && pwd)
rounds=${2:-1}
counter="$build/tests/perf/libventrask_swap_counter.so"
[ -f "$counter" ] && [ -x "$build/run/ventrask" ] || { echo "build $build first (Release)"; exit 2; }

words=(LD_PRELOAD="$counter")
[ "${PIN:-0}" = 1 ] && words+=(LP_NUM_THREADS=2 taskset -c 0,1)

for ((r = 1; r <= rounds; r++)); do
  work=$(mktemp -d)
  cp -r "$build/run"/. "$work"/
  printf '1\t[window_mode]\r\n1024\t[window_width]\r\n768\t[window_height]\r\n0\t[use_tips]\r\n' \
    > "$work/qvd.ini"
  for start in cold warm; do
    rm -f "$work/swaps.txt"
    (
      cd "$work" || exit 1
      export session_lib="$top/tests/program/lib/session.sh" start
      xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        source "$session_lib"
        start_program "$@"
        shot_drawn menu.png
        peak=$(awk "/^VmHWM:/ { printf \"%.0f\", \$2 / 1024 }" /proc/$pid/status)
        kill -TERM "$pid"
        wait_for_exit >/dev/null || kill -KILL "$pid" 2>/dev/null
        awk -v s="$start" -v p="$peak" -v l="$(cut -d" " -f1-3 /proc/loadavg)" \
          "\$1 == \"first_swap\" { a = \$2 } \$1 == \"first_drawn\" { b = \$2 } \$1 == \"loaded\" { c = \$2 }
           END { printf \"%s start: first frame %.3f s, first drawn frame %.3f s (libraries loaded in %.2f s before), menu peak %d MB  load %s\n\", s, a, b, c, p, l }" swaps.txt
      ' walk "VENTRASK_SWAP_FILE=$work/swaps.txt" "${words[@]}"
    ) 2>/dev/null
  done
  rm -rf "$work"
done
