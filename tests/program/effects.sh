#!/usr/bin/env bash
# The whole program under a virtual display: the design missile's motor makes its exhaust
# (flame and smoke column) from the world's effects at start-up, and a start and close leaves
# no device failure of the effect sources in "Logfile.txt".
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

start_and_close 2
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f Logfile.txt ] || fail "no Logfile.txt after the run"
if grep -E "(sprinkle|smoke|flame|trail|floater|array_sp|decal|blinker|effect_drawing)\.cpp line [0-9]+" Logfile.txt; then
  fail "the effects logged device failures: $(cat Logfile.txt)"
fi
if grep -E "graphics\\\\(smoke|thrust|trail|light|flame)\.dds" Logfile.txt; then
  fail "an effect texture could not be loaded: $(cat Logfile.txt)"
fi
echo "effects: ok"
