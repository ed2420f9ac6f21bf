#!/usr/bin/env bash
# The main menu's dialogs in a 640 x 480 window: the settings pages through their tab row, Run
# Scenario, the help pages, the quit question and the in-run Help menu (lib/screen_sizes.sh).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"
source "$lib_dir/screen_sizes.sh"
screen_sizes 640x480
