#!/usr/bin/env bash
# The whole program on a display server that ends while it runs (a session closed under
# it): it cannot draw or read input any more, but it writes its settings and its log, with
# a line saying why, and ends with status 0.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

rm -f Logfile.txt qvd.ini
# A display server of our own (xvfb-run would end the program with it): -displayfd writes
# the number of the free display it took.
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ server <&3
read -r display <&3 || fail "the display server did not start"
export DISPLAY=":$display"
source "$lib_dir/main_window.sh"
./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(main_window)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { kill -TERM "$server"; kill -KILL "$pid"; fail "no visible window"; }
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
kill -TERM "$server"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid"
  fail "the program did not end when its display went away"
fi
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f qvd.ini ] || fail "no qvd.ini after the display went away"
grep -q "\[sleep_time\]" qvd.ini || fail "qvd.ini is not a settings file: $(cat qvd.ini)"
grep -q "^The connection to the display was lost" Logfile.txt ||
  fail "the log does not say what happened: $(cat Logfile.txt 2>/dev/null)"
echo "display lost: ok"
