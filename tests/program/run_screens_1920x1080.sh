#!/usr/bin/env bash
# The run screens in a 1920 x 1080 window: a scenario's run with its status line, message
# history, counters, views, menu bar and quit dialog, a test flight's bar, the scenario
# design screen and the results dialog (lib/run_screens.sh).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"
source "$lib_dir/run_screens.sh"
run_screens 1920x1080
