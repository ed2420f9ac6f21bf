#!/usr/bin/env bash
# The whole program on a machine without any sound device: start-up completes, the log
# names the missing device, the loop runs and a termination request ends it with status 0.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
binary=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$run"/. "$work"/
cp "$binary" "$work/ventrask"
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

cat > session.sh <<'INNER'
set -u
# No audio backend at all: OpenAL finds no device to open.
ALSOFT_DRIVERS=no-such-backend ./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window without a sound device"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep 0.5
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended by itself"; exit 92; }
kill -TERM "$pid"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program did not end after SIGTERM"
  kill -KILL "$pid"
  exit 93
fi
wait "$pid"
INNER
rm -f Logfile.txt
xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
grep -q "E_AL_NO_DEVICE dmusic line" Logfile.txt || fail "the log does not name the missing device: $(cat Logfile.txt)"
! grep -q "Start-up failed" Logfile.txt || fail "start-up failed without a sound device"
echo "no sound device: ok"
