# Inside the virtual display: start, wait for the main window, settle, end the program and
# wait (30 s, or close_wait_seconds from the environment). Arguments: seconds to let the
# program run, then optional environment words. END_BY=windowclose destroys the main window
# from outside (as a window manager's kill does) instead of sending SIGTERM.
set -u
settle=$1
shift
end_by=${END_BY:-sigterm}
env "$@" ./ventrask &
pid=$!
source "$(dirname "${BASH_SOURCE[0]}")/main_window.sh"
window=""
for _ in $(seq 1 600); do
  window=$(main_window)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no visible window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep "$settle"
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended by itself"; exit 92; }
if [ "$end_by" = windowclose ]; then
  # xdotool's own status says nothing of the program: it may trip over the window it has
  # just destroyed.
  xdotool windowclose "$window" 2>/dev/null
else
  kill -TERM "$pid"
fi
for _ in $(seq 1 $((${close_wait_seconds:-30} * 10))); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program did not end after $end_by"
  kill -KILL "$pid"
  exit 93
fi
wait "$pid"
