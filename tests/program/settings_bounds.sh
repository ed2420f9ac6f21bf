#!/usr/bin/env bash
# A hand-edited qvd.ini with values beyond their ranges: a pause of 2147483647 ms after each
# frame still lets the program end promptly on SIGTERM, and the file written at the close
# holds every such value clamped, with a log line for each.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '%s\r\n' '2147483647	[sleep_time]' '5	[dead_zone]' '-2147483648	[volume_speech]' \
  '1e+30	[normal_fov]' '9	[color_scheme]' > qvd.ini
rm -f Logfile.txt
# The longest pause is a second: the close must not take much more.
close_wait_seconds=4 start_and_close 3
status=$?
[ "$status" -eq 0 ] || fail "the run with a huge [sleep_time] ended with status $status"

for line in '1000	[sleep_time]' '1	[dead_zone]' '0	[volume_speech]' '2	[normal_fov]' '6	[color_scheme]'; do
  grep -qxF "$line"$'\r' qvd.ini || fail "qvd.ini lacks '$line': $(cat qvd.ini)"
done
for key in sleep_time dead_zone volume_speech normal_fov color_scheme; do
  grep -q "^qvd.ini: \[$key\] .* is outside" Logfile.txt || fail "no log line for [$key]: $(cat Logfile.txt)"
done
echo "settings bounds: ok"
