# Helpers of a whole-program walk inside the virtual display, sourced by the walk's own
# script (run_walk in common.sh starts it): start the program, find its main window, click
# and type at GUI units, keep screenshots, and wait for the program to end.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/main_window.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"

# Starts ./ventrask (words before it are its environment) and waits until its main window
# (not the 350 x 280 start-up splash of the same name) is shown and the splash is gone.
# Sets pid, window, WIDTH and HEIGHT; exits 90 when no window comes.
start_program() {
  env "$@" ./ventrask &
  pid=$!
  window=""
  for _ in $(seq 1 600); do
    window=$(main_window)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "FAIL: no window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
  for _ in $(seq 1 100); do
    [ -z "$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | grep -v "^$window\$")" ] && break
    sleep 0.1
  done
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

# Window pixels of a point in GUI units: the centre is 0, one unit is 320 pixels across and
# 240 up at any window size.
at() {
  awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$1" -v y="$2" \
    'BEGIN { printf "%d %d", w / 2 + 320 * x, h / 2 - 240 * y }'
}

# A click at window pixels, then a moment for the frame that shows its effect.
click_pixel() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
  sleep "${click_settle:-0.6}"
}
click_gui() { click_pixel $(at "$1" "$2"); }
press_key() {
  xdotool key --window "$window" "$1"
  sleep "${click_settle:-0.6}"
}
# The program window's picture.
shot() { import -window "$window" "$1"; }
# The same, once the window shows anything but black (up to 20 s: the first frames can take a
# while on a loaded machine).
shot_drawn() {
  for _ in $(seq 1 100); do
    shot "$1"
    [ "$(convert "$1" -colorspace gray -format "%[max]" info:)" != 0 ] && return
    sleep 0.2
  done
}

# Clicks at a point in GUI units and keeps the screen it leads to: the pointer rests there
# first (hover looks settle), then the click, then up to 20 s for the window's picture to
# change and a second more for the frames after it. When nothing changes the program is
# killed and the walk ends with status 1.
click_and_shoot() {
  local picture=$1 before
  xdotool mousemove --window "$window" $(at "$2" "$3")
  sleep 0.5
  before=$(import -window "$window" rgb:- | md5sum)
  xdotool click 1
  for _ in $(seq 1 100); do
    sleep 0.2
    [ "$(import -window "$window" rgb:- | md5sum)" != "$before" ] && break
  done
  sleep 1
  shot "$picture"
  if [ "$(convert "$picture" rgb:- | md5sum)" = "$before" ]; then
    echo "FAIL: clicking at $2, $3 for $picture changed nothing"
    kill -KILL "$pid"
    exit 1
  fi
}

# Waits up to 10 s for the program to end; its exit status, or 93 (killed) when it did not.
wait_for_exit() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program is still running"
    kill -KILL "$pid"
    return 93
  fi
  wait "$pid"
}

# A click at pixels of the 640 x 480 virtual screen, scaled to the window.
vclick() {
  click_pixel $(awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$1" -v y="$2" \
      'BEGIN { printf "%d %d", x * w / 640, y * h / 480 }')
}

# Waits up to 20 s for the window's picture to differ from the picture $1 (with a fuzz of $3
# percent, 0 unless given), then a second more, and keeps the picture as $2. A shot that
# cannot be compared (missing, of another size) fails the walk.
shot_changed() {
  local fuzz=${3:-0}
  for _ in $(seq 1 100); do
    shot "$2"
    [ "$(changed_pixels "$1" "$2" "$fuzz")" != 0 ] && break
    sleep 0.2
  done
  sleep 1
  shot "$2"
}

# Waits up to 30 s for the window's picture to come within $3 percent of the picture $1 (the
# share of pixels that differ), keeping it as $2: the screen a step leads back to is drawn on
# its own time on a loaded machine. When it does not come the program is killed and the walk
# ends with status 1.
shot_like() {
  local total changed
  total=$(identify -format "%[fx:w*h]" "$1")
  for _ in $(seq 1 150); do
    shot "$2"
    changed=$(changed_pixels "$1" "$2")
    awk -v c="$changed" -v t="$total" -v p="$3" 'BEGIN { exit !(c * 100 <= t * p) }' && return
    sleep 0.2
  done
  echo "FAIL: within 30 s the window did not come within $3 % of $1 ($changed of $total pixels differ in $2)"
  kill -KILL "$pid"
  exit 1
}

# From the main menu into the run of the first situation ("Kestrel Bay Defence"): "Run
# Scenario" (the menu's buttons keep to the screen's edges), then "Start". Keeps the menu as $1 and the first picture of the run as $2.
start_first_situation() {
  shot_drawn "$1"
  vclick 280 439          # "Run Scenario"
  shot_changed "$1" dialog.png
  click_gui 0.48 -0.85    # "Start" with the first situation selected (a centred dialog)
  # The run's first frames can take a while on a loaded machine.
  shot_changed dialog.png "$2"
}

# Asks the program to end as a user would, Escape then Return (quit, and yes), until it has
# ended or 10 tries are over; returns its status as wait_for_exit does.
quit_by_keys() {
  for _ in $(seq 1 10); do
    kill -0 "$pid" 2>/dev/null || break
    xdotool key --window "$window" Escape 2>/dev/null
    sleep 1
    xdotool key --window "$window" Return 2>/dev/null
    sleep 2
  done
  wait_for_exit
}

# click_and_shoot at pixels of the 640 x 480 virtual screen (the window is that size).
vshoot() {
  click_and_shoot "$1" $(awk -v x="$2" -v y="$3" 'BEGIN { printf "%f %f", (x - 320) / 320, (240 - y) / 240 }')
}

# Empties the field or box under the last click and types into it. Typed text stays ASCII:
# characters beyond it come through the system's SDL2 library, whose text input can read a
# byte past its buffer (a sanitizer report inside SDL_PollEvent) that is not this program's
# to mend, and would fail a walk for it.
replace_text() {
  xdotool key --window "$window" End
  xdotool key --window "$window" --repeat 45 --delay 20 BackSpace
  xdotool type --window "$window" "$1"
  sleep 0.3
}

# Types a name into the open name box in place of the one it offers, and accepts it: the
# box's field lies at (0, 0.02) and its "Accept" at (-0.28, -0.13).
type_name() {
  click_gui 0 0.02
  replace_text "$1"
  click_gui -0.28 -0.13
}
