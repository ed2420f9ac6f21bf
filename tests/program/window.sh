#!/usr/bin/env bash
# The whole program: under a virtual display it opens a window titled "Ventrask", runs its
# loop, takes keys and a termination request and ends with status 0 and its log; without a
# display it cannot start, says so in the log and on the terminal, ends with status 1 and
# leaves the user's settings file alone.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf 'a setting of the user\r\n' > qvd.ini

# A start without a display, with SDL left to choose its driver: it must not run on unseen
# (SDL's offscreen driver) but end at once with status 1, saying why in the log and on the
# terminal.
rm -f Logfile.txt
timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ./ventrask 2> stderr.txt
status=$?
[ "$status" -ne 124 ] || fail "a start without a display ran on unseen"
[ "$status" -eq 1 ] || fail "a start without a display ended with status $status"
[ -f Logfile.txt ] || fail "no Logfile.txt after a failed start"
grep -q "^Could not create the main window: ." Logfile.txt || fail "the log does not say why: $(cat Logfile.txt)"
grep -q "^Could not create the main window: ." stderr.txt || fail "the terminal was not told: $(cat stderr.txt)"
[ "$(cat qvd.ini)" = $'a setting of the user\r' ] || fail "a failed start changed qvd.ini"

# A normal run, ended by SIGTERM once the window is up.
rm -f Logfile.txt
cp "$lib_dir/main_window.sh" .
cat > session.sh <<'INNER'
set -u
source ./main_window.sh
./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(main_window)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "FAIL: no visible window titled Ventrask"
  kill -KILL "$pid" 2>/dev/null
  exit 90
fi
name=$(xdotool getwindowname "$window")
[ "$name" = "Ventrask" ] || { echo "FAIL: window title '$name'"; kill -KILL "$pid"; exit 91; }
# Input while the loop runs: a click, typed text, the pause toggle twice.
xdotool mousemove --window "$window" 20 20 click 1 type --delay 20 "ab"
xdotool key --window "$window" Return alt alt F10 F10
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
xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f Logfile.txt ] || fail "no Logfile.txt after the run"
grep -q "Ventrask" Logfile.txt || fail "the log lacks the program's line: $(cat Logfile.txt)"
! grep -q "Start-up failed\|Could not create" Logfile.txt || fail "the run logged a failed start"
echo "window: ok"
