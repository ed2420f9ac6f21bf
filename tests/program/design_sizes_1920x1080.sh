#!/usr/bin/env bash
# The design screens in a 1920 x 1080 window: the hub, every part screen, the test conditions
# and the scenario design screen, with the Save and Load boxes of each (lib/design_sizes.sh).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"
source "$lib_dir/design_sizes.sh"
design_sizes 1920x1080
