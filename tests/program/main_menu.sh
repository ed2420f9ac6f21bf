#!/usr/bin/env bash
# The whole program under a virtual display opens on its main menu and is left as a user
# would leave it: the "Exit" button, then "Yes" in the quit question; and again with Escape
# and Enter. Each run ends by itself with status 0. Screenshots of the menu and of the quit
# question are kept beside the run folder (main_menu.png, quit_question.png).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
set -u
how=$1
./ventrask &
pid=$!
# The main window, not the start-up splash of the same name: the splash is 350 x 280.
window=""
for _ in $(seq 1 600); do
  for w in $(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null); do
    WIDTH=0
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
    if [ "$WIDTH" -gt 400 ]; then window=$w; break; fi
  done
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
# The splash is gone and the main menu drawn once the window has been up a moment.
for _ in $(seq 1 100); do
  [ -z "$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | grep -v "^$window\$")" ] && break
  sleep 0.1
done
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# GUI units to window pixels: the centre is 0, one unit is 320 pixels across and 240 up.
at() { awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$1" -v y="$2" \
         'BEGIN { printf "%d %d", w / 2 + 320 * x, h / 2 - 240 * y }'; }
if [ "$how" = buttons ]; then
  # The main menu's "Exit" button sits at 0.8 .. 0.99 of the picture's half width M and
  # from -H + 0.12 to -0.78 H, where M is the smaller of W / 640 and H / 480.
  import -window root menu.png
  exit_at=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN {
      sx = w / 640; sy = h / 480; m = sx < sy ? sx : sy;
      printf "%f %f", 0.895 * m, (-sy + 0.12 - 0.78 * sy) / 2 }')
  xdotool mousemove --window "$window" $(at $exit_at) click 1
  sleep 0.5
  import -window root quit.png
  xdotool mousemove --window "$window" $(at -0.28 -0.13) click 1
else
  xdotool key --window "$window" Escape
  sleep 0.5
  xdotool key --window "$window" Return
fi
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program is still running after the quit question ($how)"
  kill -KILL "$pid"
  exit 93
fi
wait "$pid"
INNER

for how in buttons keys; do
  rm -f Logfile.txt
  xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh "$how"
  status=$?
  [ "$status" -eq 0 ] || fail "leaving by $how ended with status $status"
  grep -q "Ventrask" Logfile.txt || fail "no log after leaving by $how"
done
# What the screen showed: the menu drew its picture and buttons, and the quit question
# appeared over it in the middle of the screen.
pixel() { convert "$1" -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" -crop "1x1+$2+$3" info:-; }
cp menu.png "$(dirname "$run")/main_menu.png" 2>/dev/null
cp quit.png "$(dirname "$run")/quit_question.png" 2>/dev/null
lit=$(convert menu.png -threshold 10% -format "%[fx:mean]" info:-)
awk -v m="$lit" 'BEGIN { exit !(m > 0.3) }' || fail "the main menu screen is mostly black ($lit lit)"
# The middle of the quit question's text row.
[ "$(pixel menu.png 512 367)" != "$(pixel quit.png 512 367)" ] || fail "no quit question over the menu"
echo "main menu: ok"
