# The main menu's dialogs at one window size, sourced by a test after lib/common.sh with the
# size as $1 (e.g. 640x480): the window opens that large on a virtual display as large, the
# walk of lib/screens_walk.sh opens every dialog of the menus, the screenshots are kept in the
# build (screens_<size>_*.png) and checked:
# - every dialog lies inside the window: what it changed of the screen (its title bar above,
#   its tab row below) touches neither the window's top nor its bottom row of pixels;
# - the settings pages' tab row works: each tab opened a page of its own, and the Sound tab
#   the sound page;
# - the help pages scroll their whole text: the keys page's down arrow pressed to the end
#   shows its last line whole, the about page's right arrow moves its text;
# - the items of a list share one font: the joystick buttons page's and Run Scenario's
#   items each show ink of one height, and the buttons' items begin alike, pixel for pixel;
# - the in-run Help menu opens over the dialog under it.
screen_sizes() {
  local size=$1 width=${1%x*} height=${1#*x}
  size_walk "$size" screens "$lib_dir/screens_walk.sh"
  check_inside "$height"
  check_pages
  check_menu_over_dialog "$width" "$height"
  check_help_scroll
  check_list_fonts buttons same_start
  check_list_fonts run_scenario
  ! grep -qwi "nan" Logfile.txt || fail "a dialog logged a NaN: $(grep -i nan Logfile.txt)"
  echo "dialogs at $size: ok"
}

# The box (WxH+X+Y) where two pictures differ by more than a little; empty when they agree.
# Pictures that cannot be compared fail the test.
changed_box() {
  local words
  comparable "$1" "$2"
  rm -f changed.png
  words=$(compare -fuzz 8% "$1" "$2" -compose src -highlight-color white -lowlight-color black \
    changed.png 2>&1)
  [ $? -le 1 ] && [ -s changed.png ] || picture_fault "compare of $1 with $2 drew no difference: $words"
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
      [ "$(changed_pixels "$a.png" "$b.png")" != 0 ] ||
        fail "the $a and $b pages look the same"
    done
  done
  [ "$(changed_pixels video.png sound.png 8)" -gt 1000 ] ||
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

# The last row (or with "columns" the last column) of a box of a picture that holds dark ink.
last_ink() {
  local picture=$1 box=$2 across=${3:-rows} w h
  w=${box%%x*}
  h=${box#*x}
  h=${h%%+*}
  if [ "$across" = columns ]; then h=1; else w=1; fi
  convert "$picture" -crop "$box" +repage -colorspace gray -threshold 40% -negate -scale "${w}x${h}!" -depth 8 txt:- |
    awk -F'[,:( ]+' -v c="$across" 'NR > 1 && $3 > 2 { last = c == "columns" ? $1 : $2 } END { print last + 0 }'
}

# The keys page scrolled to its end: the ink of its last line ("F4 - Increase Simulation
# Rate") ends at least 10 pixel rows above the text area's bottom (the scroll range leaves a
# row's room under the text), not cut by it, and the lower half of the area holds text. The
# about page's text, where its right edge cuts it, moved with its horizontal thumb: the upper
# half of its text area changed.
check_help_scroll() {
  local area height last changed
  area=$(cat keys_end.area)
  height=${area#*x}
  height=${height%%+*}
  last=$(last_ink keys_end.png "$area")
  echo "keys page at its end: the last ink $((height - 1 - last)) rows above the text area's bottom"
  [ "$last" -gt $((height / 2)) ] || fail "the keys page scrolled to its end shows no text in its lower half"
  [ $((height - 1 - last)) -ge 10 ] || fail "the keys page's last line is cut by the text area's bottom"
  area=$(cat about_right.area)
  height=${area#*x}
  height=${height%%+*}
  local width=${area%%x*}
  local upper="${width}x$((height / 2))+${area#*+}"
  last=$(last_ink about.png "$upper" columns)
  if [ "$last" -lt $((width - 4)) ]; then
    echo "about page: its text ends $((width - 1 - last)) columns inside its area"
    return 0
  fi
  convert about.png -crop "$upper" +repage about_text.png
  convert about_right.png -crop "$upper" +repage about_right_text.png
  changed=$(changed_pixels about_text.png about_right_text.png 10)
  echo "about page: $changed pixels of its text moved"
  [ "$changed" -gt 200 ] || fail "the about page's text stayed still under its horizontal thumb"
}
