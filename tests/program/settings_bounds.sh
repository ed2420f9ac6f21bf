#!/usr/bin/env bash
# A hand-edited qvd.ini with values beyond their ranges: a pause of 2147483647 ms after each
# frame still lets the program end promptly on SIGTERM, and the file written at the close
# holds every such value clamped, with a log line for each; a window smaller than the menus
# need opens at their smallest.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '%s\r\n' '2147483647	[sleep_time]' '5	[dead_zone]' '-2147483648	[volume_speech]' \
  '1e+30	[normal_fov]' '9	[color_scheme]' > qvd.ini
rm -f Logfile.txt
# The longest pause is a second: the close must not take much more (a loaded machine and
# the sanitizers add a few seconds; without the bound it never comes).
close_wait_seconds=10 start_and_close 3
status=$?
[ "$status" -eq 0 ] || fail "the run with a huge [sleep_time] ended with status $status"

for line in '1000	[sleep_time]' '1	[dead_zone]' '0	[volume_speech]' '2	[normal_fov]' '6	[color_scheme]'; do
  grep -qxF "$line"$'\r' qvd.ini || fail "qvd.ini lacks '$line': $(cat qvd.ini)"
done
for key in sleep_time dead_zone volume_speech normal_fov color_scheme; do
  grep -q "^qvd.ini: \[$key\] .* is outside" Logfile.txt || fail "no log line for [$key]: $(cat Logfile.txt)"
done

# A window made smaller than the menus need. The window system is told the smallest size the
# menus can use, 640 x 480; a window resized below it anyway (no window manager holds it
# here) saves its size, and the next start opens at 640 x 480, with a log line naming qvd.ini.
cat > small_window.sh <<'INNER'
source "$session_lib"
start_program
xprop -id "$window" WM_NORMAL_HINTS > hints.txt
xwininfo -id "$window" > opened.txt
[ "${RESIZE_TO:-}" ] && xdotool windowsize "$window" $RESIZE_TO && sleep 2
kill -TERM "$pid"
wait "$pid"
INNER
printf '1\t[window_mode]\r\n800\t[window_width]\r\n600\t[window_height]\r\n0\t[use_tips]\r\n' > qvd.ini
export RESIZE_TO="34 20"
run_walk small_window.sh
status=$?
[ "$status" -eq 0 ] || fail "the run resized to 34 x 20 ended with status $status"
grep -q "program specified minimum size: 640 by 480" hints.txt || fail "no minimum size for the window: $(cat hints.txt)"
grep -q "Width: 800" opened.txt || fail "the window did not open at 800 x 600: $(cat opened.txt)"
# Whatever the resize left in qvd.ini, the next start meets a size of 34 x 20.
sed -i 's/^[0-9]*\t\[window_width\]/34\t[window_width]/; s/^[0-9]*\t\[window_height\]/20\t[window_height]/' qvd.ini
grep -q $'^34\t\[window_width\]' qvd.ini || fail "qvd.ini lost its window size: $(cat qvd.ini)"
unset RESIZE_TO
rm -f Logfile.txt
run_walk small_window.sh
status=$?
[ "$status" -eq 0 ] || fail "the start with a 34 x 20 window ended with status $status"
grep -q "Width: 640" opened.txt && grep -q "Height: 480" opened.txt ||
  fail "a saved 34 x 20 window did not open at 640 x 480: $(cat opened.txt)"
grep -q "^qvd.ini: the window size 34 x 20 is smaller than the menus need; 640 x 480 is used" Logfile.txt ||
  fail "no log line for the small window: $(cat Logfile.txt)"
grep -qxF $'640\t[window_width]\r' qvd.ini || fail "qvd.ini lacks the brought-up width: $(cat qvd.ini)"
echo "settings bounds: ok"
