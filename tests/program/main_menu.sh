#!/usr/bin/env bash
# The whole program under a virtual display opens on its main menu and is left as a user
# would leave it: the "Exit" button, then "Yes" in the quit question; and again with Escape
# and Enter. Each run ends by itself with status 0. Screenshots of the menu and of the quit
# question are kept beside the run folder (main_menu.png, quit_question.png). The tips
# browser is turned off so that the menu shows alone.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

cat > session.sh <<'INNER'
source "$session_lib"
how=$1
start_program
if [ "$how" = buttons ]; then
  # The main menu's "Exit" button sits at 0.8 .. 0.99 of the picture's half width M and
  # from -H + 0.12 to -0.78 H, where M is the smaller of W / 640 and H / 480.
  import -window root menu.png
  exit_at=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN {
      sx = w / 640; sy = h / 480; m = sx < sy ? sx : sy;
      printf "%f %f", 0.895 * m, (-sy + 0.12 - 0.78 * sy) / 2 }')
  click_gui $exit_at
  import -window root quit.png
  xdotool mousemove --window "$window" $(at -0.28 -0.13) click 1
else
  press_key Escape
  xdotool key --window "$window" Return
fi
wait_for_exit
INNER

for how in buttons keys; do
  rm -f Logfile.txt
  printf '0\t[use_tips]\r\n' > qvd.ini
  run_walk session.sh "$how"
  status=$?
  [ "$status" -eq 0 ] || fail "leaving by $how ended with status $status"
  grep -q "Ventrask" Logfile.txt || fail "no log after leaving by $how"
done
# What the screen showed: the menu drew its picture and buttons, and the quit question
# appeared over it in the middle of the screen.
cp menu.png "$(dirname "$run")/main_menu.png" 2>/dev/null
cp quit.png "$(dirname "$run")/quit_question.png" 2>/dev/null
lit=$(convert menu.png -threshold 10% -format "%[fx:mean]" info:-)
awk -v m="$lit" 'BEGIN { exit !(m > 0.3) }' || fail "the main menu screen is mostly black ($lit lit)"
# The middle of the quit question's text row.
[ "$(pixel menu.png 512 367)" != "$(pixel quit.png 512 367)" ] || fail "no quit question over the menu"
echo "main menu: ok"
