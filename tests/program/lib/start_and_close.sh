# Inside the virtual display: start, wait for the visible window, settle, SIGTERM, wait (30 s,
# or close_wait_seconds from the environment).
# Arguments: seconds to let the program run, then optional environment words.
set -u
settle=$1
shift
env "$@" ./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no visible window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep "$settle"
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended by itself"; exit 92; }
kill -TERM "$pid"
for _ in $(seq 1 $((${close_wait_seconds:-30} * 10))); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program did not end after SIGTERM"
  kill -KILL "$pid"
  exit 93
fi
wait "$pid"
