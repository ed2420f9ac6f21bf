# Shared set-up of the whole-program tests, sourced with the test's two arguments (the
# ventrask binary and the run folder): a private copy of the run folder with the binary in it
# becomes the working folder, removed when the test ends.
binary=$1
run=$2
lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$run"/. "$work"/
cp "$binary" "$work/ventrask"
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

# Runs the program under a virtual display of 1024 x 768, waits for its main window, lets it
# run for the given seconds and asks it to end with SIGTERM; returns the program's exit
# status (90 no window, 92 it ended by itself, 93 it did not end within close_wait_seconds,
# 30 unless set, after SIGTERM). Words after the seconds go before ./ventrask (an environment
# such as ALSOFT_DRIVERS=...).
start_and_close() {
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$lib_dir/start_and_close.sh" "$@"
}
# The same, ending the program by destroying its main window from outside.
start_and_destroy_window() {
  END_BY=windowclose start_and_close "$@"
}

# Runs a walk script (which sources lib/session.sh through $session_lib) under a virtual
# display of 1024 x 768 (walk_screen, e.g. 1920x1080, another size); returns the script's
# status. Words after the script are its arguments.
run_walk() {
  local script=$1
  shift
  session_lib="$lib_dir/session.sh" xvfb-run -a -s "-screen 0 ${walk_screen:-1024x768}x24" \
    bash "$script" "$@"
}

# Runs session.sh (as run_walk) in a window of the given size, "640x480", with a fresh log
# and a qvd.ini of its own (no tips); keeps the named screenshots (without ".png") beside the
# run folder as <prefix><name>.png and fails when the walk failed.
run_window_walk() {
  local size=$1 prefix=$2 s status
  shift 2
  rm -f Logfile.txt
  printf '1\t[window_mode]\r\n%d\t[window_width]\r\n%d\t[window_height]\r\n0\t[use_tips]\r\n' \
    "${size%x*}" "${size#*x}" > qvd.ini
  run_walk session.sh
  status=$?
  for s in "$@"; do cp "$s.png" "$(dirname "$run")/$prefix$s.png" 2>/dev/null; done
  [ "$status" -eq 0 ] || fail "the walk ended with status $status"
}

# Runs a walk script (as run_walk) in a window of the given size, "640x480", on a virtual
# display at least 1024 x 768, with a qvd.ini of that size (no tips; further settings lines as
# a third argument, e.g. '1\t[use_verbose]\r\n'); keeps its screenshots and log beside the run
# folder as <prefix>_<size>_<name>.png and <prefix>_<size>_Logfile.txt and fails when the walk
# failed.
size_walk() {
  local size=$1 prefix=$2 script=$3 width=${1%x*} height=${1#*x}
  printf '1\t[window_mode]\r\n%s\t[window_width]\r\n%s\t[window_height]\r\n0\t[use_tips]\r\n%b' \
    "$width" "$height" "${4:-}" > qvd.ini
  local screen=$size
  [ "$width" -ge 1024 ] || screen=1024x768
  walk_screen=$screen run_walk "$script"
  local status=$? out f
  out="$(dirname "$run")"
  for f in *.png; do
    [ -f "$f" ] && cp "$f" "$out/${prefix}_${size}_$f"
  done
  cp Logfile.txt "$out/${prefix}_${size}_Logfile.txt" 2>/dev/null
  [ "$status" -eq 0 ] || fail "the walk ended with status $status"
}

source "$lib_dir/pictures.sh"

# The colour of one pixel of a picture as "r g b".
pixel() { convert "$1" -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" -crop "1x1+$2+$3" info:-; }

