# The main menu's dialogs at one window size, sourced by a test after lib/common.sh with the
# size as $1 (e.g. 640x480): the window opens that large on a virtual display as large, the
# walk of lib/screens_walk.sh opens every dialog of the menus, the screenshots are kept in the
# build (screens_<size>_*.png) and checked:
# - every dialog lies inside the window: what it changed of the screen (its title bar above,
#   its tab row below) touches neither the window's top nor its bottom row of pixels;
# - the settings pages' tab row works: each tab opened a page of its own, and the Sound tab
#   the sound page;
# - the in-run Help menu opens over the dialog under it.
screen_sizes() {
  local size=$1 width=${1%x*} height=${1#*x}
  size_walk "$size" screens "$lib_dir/screens_walk.sh"
  check_inside "$height"
  check_pages
  check_menu_over_dialog "$width" "$height"
  ! grep -qwi "nan" Logfile.txt || fail "a dialog logged a NaN: $(grep -i nan Logfile.txt)"
  echo "dialogs at $size: ok"
}

# The box (WxH+X+Y) where two pictures differ by more than a little; empty when they agree.
changed_box() {
  compare -fuzz 8% "$1" "$2" -compose src -highlight-color white -lowlight-color black \
    changed.png 2>/dev/null
  convert changed.png -format "%@" info: 2>/dev/null
}

check_inside() {
  local height=$1 picture before box top bottom
  while read -r picture; do
    box=$(changed_box menu.png "$picture")
    case $box in "" | 0x*) fail "$picture shows no dialog" ;; esac
    top=$(echo "$box" | sed 's/.*x[0-9]*+[0-9]*+\([0-9]*\)/\1/')
    bottom=$((top + $(echo "$box" | sed 's/[0-9]*x\([0-9]*\)+.*/\1/') - 1))
    [ "$top" -gt 0 ] || fail "$picture: the dialog reaches the window's top ($box)"
    [ "$bottom" -lt $((height - 1)) ] || fail "$picture: the dialog reaches the window's bottom ($box)"
  done < dialog.txt
}

# Each tab opened another page; the Sound tab the sound page, whose volume sliders leave the
# upper half of the video page's mode list (the top third of the page) another picture.
check_pages() {
  local a b
  for a in video sound joystick buttons graphics; do
    for b in video sound joystick buttons graphics; do
      [ "$a" \< "$b" ] || continue
      [ "$(compare -metric AE "$a.png" "$b.png" null: 2>&1 | cut -d' ' -f1)" != 0 ] ||
        fail "the $a and $b pages look the same"
    done
  done
  [ "$(compare -fuzz 8% -metric AE video.png sound.png null: 2>&1 | cut -d' ' -f1)" -gt 1000 ] ||
    fail "the Sound tab did not open the sound page"
}

# The Help menu's third entry ("Tips", 0.24 .. 0.32 below the top): where it lies over
# something light (the keys page's white text area in a 640 x 480 window, the sky in larger
# ones), it shows the menu's dark entry, not what is under it.
check_menu_over_dialog() {
  local w=$1 h=$2 box under over
  box=$(awk -v w="$w" -v h="$h" 'BEGIN {
    x1 = 0.92 - w / 640; x2 = 1.18 - w / 640; y2 = h / 480 - 0.26; y1 = y2 - 0.04
    l = w / 2 + 320 * x1; r = w / 2 + 320 * x2; t = h / 2 - 240 * y2; b = h / 2 - 240 * y1
    printf "%dx%d+%d+%d", r - l, b - t, l, t }')
  under=$(brightness keys_run.png "$box")
  over=$(brightness help_menu.png "$box")
  echo "the Help menu's third entry: $under under it, $over with it open"
  [ "$under" -gt 150 ] || return 0
  [ "$over" -lt 110 ] || fail "the Help menu's entries show under the keys page ($over)"
}

# The mean grey of a box of a picture, 0..255.
brightness() {
  convert "$1" -crop "$2" +repage -colorspace gray -format "%[fx:int(255*mean)]" info:
}
