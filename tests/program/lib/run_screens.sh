# The run screens at one window size, sourced by a test after lib/common.sh with the size as
# $1 (e.g. 1024x768): the window opens that large on a virtual display as large, the walk
# of lib/run_walk.sh runs, the screenshots are kept in the build (run_<size>_*.png) and
# checked:
# - the letters of the full status line and of the newest history line are whole: their
#   yellow rows span most of the bold font's pixel height;
# - the run counters end inside the window;
# - the quit question's and the results' title bars lie wholly inside the window;
# - the radar's heading caption is drawn on the screen;
# - the Save box took the typing without a click into its field.
source "$lib_dir/design_sizes.sh"    # gui_box
run_screens() {
  local size=$1 width=${1%x*} height=${1#*x}
  size_walk "$size" run "$lib_dir/run_walk.sh" '1\t[use_verbose]\r\n'
  check_letters "$width" "$height"
  check_counters "$width" "$height"
  check_title_bar quit.png "$width" "$height" -0.52 0.52
  check_title_bar results.png "$width" "$height" -0.6 0.6
  check_radar_caption "$width" "$height"
  check_telescope_sight "$width" "$height"
  [ "$(changed_pixels save_box.png save_typed.png)" != 0 ] ||
    fail "the Save box took no typing"
  echo "run screens at $size: ok"
}

# The bold font's pixel height in a window: 12 points at 96 per inch times half the smaller
# GUI scale, at least 12.
bold_pixels() {
  awk -v w="$1" -v h="$2" 'BEGIN { a = w / 640; b = h / 480; s = (a < b ? a : b) / 2; p = int(12 * 96 * s / 72); print p < 12 ? 12 : p }'
}

# The height in pixel rows of the yellow ink (the status line's colour) in a box of a picture.
yellow_rows() {
  local bbox
  bbox=$(convert "$1" -crop "$2" +repage -fx 'r > 0.7 && g > 0.7 && b < 0.4 ? 1 : 0' -format "%@" info:)
  local rest=${bbox#*x}
  echo "${rest%%+*}"
}

check_letters() {
  local w=$1 h=$2 sx sy font rows
  sx=$(awk -v w="$w" 'BEGIN { print w / 640 }')
  sy=$(awk -v h="$h" 'BEGIN { print h / 480 }')
  font=$(bold_pixels "$w" "$h")
  # The status line's box, (0.05 - W, H - 0.08)-(0, H), and the newest history line's,
  # (-0.95 W, -0.7 H)-(-0.2 W, -0.7 H + 0.08).
  rows=$(yellow_rows status.png "$(gui_box "$w" "$h" "$(awk -v s="$sx" 'BEGIN { print 0.05 - s }')" \
    "$(awk -v s="$sy" 'BEGIN { print s - 0.08 }')" 0 "$sy")")
  echo "status line: $rows rows of ink, the font $font pixels"
  [ "$((rows * 10))" -ge "$((font * 6))" ] || fail "the status line's letters span $rows rows of a $font-pixel font"
  rows=$(yellow_rows status.png "$(gui_box "$w" "$h" "$(awk -v s="$sx" 'BEGIN { print -0.95 * s }')" \
    "$(awk -v s="$sy" 'BEGIN { print -0.7 * s }')" "$(awk -v s="$sx" 'BEGIN { print -0.2 * s }')" \
    "$(awk -v s="$sy" 'BEGIN { print -0.7 * s + 0.08 }')")")
  echo "history line: $rows rows of ink"
  [ "$((rows * 10))" -ge "$((font * 6))" ] || fail "the history line's letters span $rows rows of a $font-pixel font"
}

# The counters' translucent white ink ends left of the window's right edge: the last four
# columns of their rows hold none of it.
check_counters() {
  local w=$1 h=$2 sy box ink
  sy=$(awk -v h="$h" 'BEGIN { print h / 480 }')
  box=$(gui_box "$w" "$h" 0 "$(awk -v s="$sy" 'BEGIN { print 0.95 * s - 0.75 }')" 0 "$(awk -v s="$sy" 'BEGIN { print 0.95 * s }')")
  local bh=${box#*x}
  bh=${bh%%+*}
  local top=${box##*+}
  ink=$(convert status.png -crop "4x${bh}+$((w - 4))+${top}" +repage -fx 'r > 0.85 && g > 0.85 && b > 0.85 && abs(r - b) < 0.05 ? 1 : 0' \
    -format "%[fx:int(mean*w*h+0.5)]" info:)
  [ "$ink" -lt 3 ] || fail "the counters run past the window's right edge ($ink pixels at the edge)"
}

# A dialog's title bar (its colour 44 92 106, within 12 of each) across the middle of its
# width (GUI x1..x2) is a band at least 12 rows high that touches neither window edge.
check_title_bar() {
  local picture=$1 w=$2 h=$3 strip bbox
  strip=$(awk -v w="$w" -v h="$h" -v a="$4" -v b="$5" 'BEGIN { l = w / 2 + 160 * a; r = w / 2 + 160 * b; printf "%dx%d+%d+0", r - l, h, l }')
  # The first run of rows most of whose pixels have the colour, as "height top".
  local band bh top
  band=$(convert "$picture" -crop "$strip" +repage \
    -fx 'abs(r - 0.1725) < 0.05 && abs(g - 0.36) < 0.05 && abs(b - 0.4157) < 0.05 ? 1 : 0' \
    -scale "1x${h}!" -threshold 80% -depth 8 txt:- |
    awk -F'[,:]' 'NR > 1 { row = $2 + 0; on = $0 ~ /#FFFFFF/
      if (on && start < 0) start = row
      if (!on && start >= 0) { print row - start, start; found = 1; exit } }
      BEGIN { start = -1 } END { if (!found && start >= 0) print NR - 1 - start, start; else if (!found) print 0, -1 }')
  read -r bh top <<<"$band"
  bbox="$bh rows from $top"
  echo "$picture: title bar $bh rows from row $top"
  [ "$bh" -ge 12 ] && [ "$bh" -lt 40 ] || fail "$picture shows no whole title bar ($bbox)"
  [ "$top" -gt 0 ] && [ $((top + bh)) -lt "$h" ] || fail "$picture's title bar reaches past the window ($bbox)"
}

# The radar's "Heading %03d deg" caption, white over the middle of its title bar: the window,
# (-1.05, -1.1)-(1.1, 1.1), holds it at (-0.2, 1.02)-(0.2, 1.08); a 640 x 480 screen, too small
# for the window, brings it inside, the title bar at rows 30..44. White: every channel above
# 0.85 (the thin strokes of the 12-pixel face seldom cover a whole texel; the bar is dark).
check_radar_caption() {
  local w=$1 h=$2 box white
  if [ "$h" -lt 768 ]; then box=128x16+$((w / 2 - 64))+30; else box=$(gui_box "$w" "$h" -0.2 1.02 0.2 1.08); fi
  white=$(convert radar.png -crop "$box" +repage -fx 'r > 0.85 && g > 0.85 && b > 0.85 ? 1 : 0' \
    -format "%[fx:int(mean*w*h+0.5)]" info:)
  echo "radar caption: $white white pixels"
  [ "$white" -gt 40 ] || fail "the radar's heading caption is not drawn ($white white pixels in $box)"
}

# The mean grey of a box (WxH+X+Y) of a picture, 0..255.
grey_mean() {
  convert "$1" -crop "$2" +repage -colorspace gray -format "%[fx:int(255*mean+0.5)]" info:
}

# How far a line of one pixel (WxH+X+Y, one of W and H being 1) stands out of its
# neighbours d pixels to either side across it: |line - (before + after) / 2|, the largest
# of the line and the lines a pixel beside it (a line on a pixel edge lights either).
line_contrast() {
  local picture=$1 w=$2 h=$3 x=$4 y=$5 d=$6 best=0 s c
  for s in -1 0 1; do
    if [ "$w" -eq 1 ]; then
      c=$(( $(grey_mean "$picture" "1x$h+$((x + s))+$y") * 2 - $(grey_mean "$picture" "1x$h+$((x + s - d))+$y") -
            $(grey_mean "$picture" "1x$h+$((x + s + d))+$y") ))
    else
      c=$(( $(grey_mean "$picture" "${w}x1+$x+$((y + s))") * 2 - $(grey_mean "$picture" "${w}x1+$x+$((y + s - d))") -
            $(grey_mean "$picture" "${w}x1+$x+$((y + s + d))") ))
    fi
    c=$(( (c < 0 ? -c : c) / 2 ))
    [ "$c" -gt "$best" ] && best=$c
  done
  echo "$best"
}

# The telescope's sight stays on the screen's square, where the camera looks: its centre box
# (-0.1 .. 0.1) and cross-hairs (0.05 .. 0.15 from the centre) stand out on the window's
# centre lines and the box's sides; in a 640 x 480 window its frame runs along the outermost
# pixel rows and columns, one even shade along each side that stands out of the scene beside
# it.
check_telescope_sight() {
  local w=$1 h=$2 f=telescope.png cx=$(( $1 / 2 )) cy=$(( $2 / 2 )) c
  local lines="64 1 $((cx - 32)) $((cy - 24)) 64 1 $((cx - 32)) $((cy + 24))
               1 48 $((cx - 32)) $((cy - 24)) 1 48 $((cx + 32)) $((cy - 24))
               32 1 $((cx + 16)) $cy 32 1 $((cx - 48)) $cy 1 24 $cx $((cy - 36)) 1 24 $cx $((cy + 12))"
  set -- $lines
  while [ $# -ge 4 ]; do
    c=$(line_contrast "$f" "$1" "$2" "$3" "$4" 3)
    [ "$c" -ge 12 ] || fail "the telescope's centre mark ${1}x$2+$3+$4 does not show ($c)"
    shift 4
  done
  echo "telescope: centre box and cross-hairs on the window's centre"
  [ "$w" -eq 640 ] && [ "$h" -eq 480 ] || return 0
  local side edge inside spread
  for side in "1x400+0+40 1x400+4+40" "1x400+639+40 1x400+635+40" "440x1+100+0 440x1+100+4" "440x1+100+479 440x1+100+475"; do
    set -- $side
    edge=$(grey_mean "$f" "$1")
    inside=$(grey_mean "$f" "$2")
    spread=$(convert "$f" -crop "$1" +repage -colorspace gray -format "%[fx:int(255*standard_deviation+0.5)]" info:)
    echo "telescope frame $1: $edge (inside $inside, spread $spread)"
    [ "$spread" -le 6 ] && [ $(( edge > inside ? edge - inside : inside - edge )) -ge 30 ] ||
      fail "the telescope's frame is not on the window's edge at $1 ($edge against $inside, spread $spread)"
  done
}
