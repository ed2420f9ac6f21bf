#!/usr/bin/env bash
# The whole program under a virtual display whose main window is destroyed from outside (a
# window manager's kill, xdotool windowclose): it closes as if by its close button, writes
# its settings and its log and ends with status 0.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

rm -f Logfile.txt qvd.ini
start_and_destroy_window 1
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f qvd.ini ] || fail "no qvd.ini after the window was destroyed"
grep -q "\[sleep_time\]" qvd.ini || fail "qvd.ini is not a settings file: $(cat qvd.ini)"
[ -f Logfile.txt ] || fail "no Logfile.txt after the window was destroyed"
grep -q "Ventrask" Logfile.txt || fail "the log lacks the program's line: $(cat Logfile.txt)"
echo "window destroyed: ok"
