#!/usr/bin/env bash
# "Kestrel Bay Defence" started with a broken scenery header ("kestrel.hdr" without usable map
# bounds): the scenery is left out of the index with a log line naming the header, and as the
# situation starts the user is told in a notice that it runs over open sea. The run goes on
# and the program ends normally. Screenshots of the run with its notice are kept beside the
# run folder (scenery_lost_notice.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

header="scenery/Kestrel Bay/kestrel.hdr"
[ -f "$header" ] || fail "no $header in the run folder"
printf 'file_type = elevation\r\nleft_map_x = nan\r\nlower_map_y = 20.000000\r\nright_map_x = 38.75\r\n' > "$header"

cat > session.sh <<'INNER'
source "$session_lib"
start_program
start_first_situation menu.png scene.png
# The notice comes as the run starts; a moment for its frame.
sleep 3
shot notice.png
# OK closes the notice (a centred box); the run goes on.
press_key Return
sleep 2
shot after.png
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended during the run"; exit 1; }
quit_by_keys
INNER

run_window_walk 640x480 scenery_lost_ notice after

[ -f Logfile.txt ] || fail "no Logfile.txt"
grep -q 'scenery\\Kestrel Bay\\kestrel.hdr gives no left_map_x: its scenery is left out' Logfile.txt \
  || fail "the log does not name the broken header: $(cat Logfile.txt)"
grep -q 'Kestrel Bay Defence.txt: the scenery of scenery\\Kestrel Bay could not be loaded' Logfile.txt \
  || fail "the log does not say the situation runs without its scenery"
# The notice is a box in the middle of the screen: the middle of the picture changed when it
# was closed, while the run's corners stayed as they were.
centre=$(box_changed notice.png after.png 300x100+170+190 8)
[ "${centre:-0}" -gt 3000 ] || fail "no notice in the middle of the run (only $centre pixels changed when it closed)"
echo "scenery lost: ok"
