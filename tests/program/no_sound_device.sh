#!/usr/bin/env bash
# The whole program on a machine without any sound device: start-up completes, the log
# names the missing device, the loop runs and a termination request ends it with status 0.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

rm -f Logfile.txt
start_and_close 0.5 ALSOFT_DRIVERS=no-such-backend
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
grep -q "E_AL_NO_DEVICE dmusic line" Logfile.txt || fail "the log does not name the missing device: $(cat Logfile.txt)"
! grep -q "Start-up failed" Logfile.txt || fail "start-up failed without a sound device"
echo "no sound device: ok"
