#!/usr/bin/env bash
# Every screen outside the design tools in a 640 x 480 window, in two runs of the program:
# the main menu's dialogs (the settings pages through their tab row, Run Scenario, the help
# pages, the quit question, the in-run Help menu: lib/screen_sizes.sh), then a run's screens
# (status line, message history, counters, views, menu bar, quit dialog, a test flight's bar,
# the scenario design screen and the results: lib/run_screens.sh).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"
source "$lib_dir/screen_sizes.sh"
source "$lib_dir/run_screens.sh"
screen_sizes 640x480
# The second run keeps only its own screenshots and log.
rm -f ./*.png Logfile.txt
run_screens 640x480
