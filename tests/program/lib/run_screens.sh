# The run screens at one window size, sourced by a test after lib/common.sh with the size as
# $1 (e.g. 1024x768): the window opens that large on a virtual display as large, the walk
# of lib/run_walk.sh runs, the screenshots are kept in the build (run_<size>_*.png) and
# checked.
run_screens() {
  local size=$1 width=${1%x*} height=${1#*x}
  printf '1\t[window_mode]\r\n%s\t[window_width]\r\n%s\t[window_height]\r\n0\t[use_tips]\r\n1\t[use_verbose]\r\n' \
    "$width" "$height" > qvd.ini
  local screen=$size
  [ "$width" -ge 1024 ] || screen=1024x768
  walk_screen=$screen run_walk "$lib_dir/run_walk.sh"
  local status=$?
  local out f
  out="$(dirname "$run")"
  for f in *.png; do
    [ -f "$f" ] && cp "$f" "$out/run_${size}_$f"
  done
  cp Logfile.txt "$out/run_${size}_Logfile.txt" 2>/dev/null
  [ "$status" -eq 0 ] || fail "the walk ended with status $status"
  echo "run screens at $size: ok"
}
