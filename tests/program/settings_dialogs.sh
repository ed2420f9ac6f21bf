#!/usr/bin/env bash
# A walk through the settings pages of the whole program in an 800 x 600 window, starting
# with the tips browser ([use_tips] 1): "Show Tips On Start" is cleared, "Settings" opens the
# video page, "Army Green" recolours it, the tabs Sound, Joystick and Graphics each bring their
# page, and Escape and Return end the program with status 0. The settings file then holds the
# new colour scheme and tips off. The screenshots are kept in the build
# (settings_dialogs_*.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

printf '1\t[window_mode]\r\n800\t[window_width]\r\n600\t[window_height]\r\n0\t[color_scheme]\r\n1\t[use_tips]\r\n' > qvd.ini

cat > walk.sh <<'INNER'
source "$session_lib"
start_program
[ "$WIDTH" -eq 800 ] && [ "$HEIGHT" -eq 600 ] || echo "note: the window is $WIDTH x $HEIGHT"
shot tips.png
# "Show Tips On Start" sits at 0.05 .. 0.35 M across and -0.6 H .. 0.1 - 0.6 H up, where M and
# H are the half extents (1.25 in an 800 x 600 window): (480, 468).
click_and_shoot tips_off.png 0.25 -0.7
# The main menu's "Settings" button: 0.6 .. 0.79 M across, -H + 0.12 .. -0.78 H up.
click_and_shoot video.png 0.86875 -1.0525
# "Army Green", the third item of the scheme list, whose area runs down from y 0.1.
click_and_shoot video_green.png 0 -0.1
# The tab row of the video and sound pages lies at y -1.1 .. -1.0.
click_and_shoot sound.png -0.315 -1.05
click_and_shoot joystick.png -0.015 -1.05
# The joystick page is taller (2.6 with its tab row): scaled to fit the window's 2.5 (less a
# margin of 0.02 each way), its tab row lies along the window's bottom, at y -1.23 .. -1.135.
click_and_shoot graphics.png 0.585 -1.18
for _ in 1 2 3; do
  kill -0 "$pid" 2>/dev/null || break
  press_key Escape
  press_key Return
done
wait_for_exit
INNER

run_walk walk.sh
status=$?
out="$(dirname "$run")"
for f in tips tips_off video video_green sound joystick graphics; do
  [ -f "$f.png" ] && cp "$f.png" "$out/settings_dialogs_$f.png"
done
[ "$status" -eq 0 ] || fail "the walk ended with status $status"
grep -q $'^2\t\\[color_scheme\\]' qvd.ini || fail "qvd.ini lacks the new colour scheme: $(grep color_scheme qvd.ini)"
grep -q $'^0\t\\[use_tips\\]' qvd.ini || fail "qvd.ini still shows tips on start: $(grep use_tips qvd.ini)"
# Each click changed the screen (the walk checks it); the video page's body took the new
# scheme's colours (a point of the page left of its lists).
[ "$(pixel video.png 180 300)" != "$(pixel video_green.png 180 300)" ] || fail "the colour scheme did not change the page"
echo "settings dialogs: ok"
