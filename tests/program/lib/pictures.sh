# Measures of screenshots (ImageMagick), sourced by the tests and by their walks.

# Ends the test or walk with a FAIL line naming what could not be measured: a walk's program
# ($pid) is killed, the shell ends with status 1. Inside a command substitution, where an exit
# would end only the substitution, the shell that sourced this file is told (SIGUSR1) to end
# the same way, so no check goes on to read the missing measure.
picture_fault() {
  echo "FAIL: $*" >&2
  if [ "$BASH_SUBSHELL" -gt 0 ]; then
    kill -USR1 $$
    exit 1
  fi
  end_on_picture_fault
}
end_on_picture_fault() {
  [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null
  exit 1
}
trap end_on_picture_fault USR1

# Fails the test unless both pictures exist and are of one size.
comparable() {
  local a b
  [ -s "$1" ] || picture_fault "cannot compare $1 with $2: $1 is missing"
  [ -s "$2" ] || picture_fault "cannot compare $1 with $2: $2 is missing"
  a=$(identify -ping -format "%wx%h" "$1" 2>&1) || picture_fault "cannot compare $1 with $2: $a"
  b=$(identify -ping -format "%wx%h" "$2" 2>&1) || picture_fault "cannot compare $1 with $2: $b"
  [ "$a" = "$b" ] || picture_fault "cannot compare $1 ($a) with $2 ($b): their sizes differ"
}

# A measure of two pictures (compare's -metric: AE, NCC ...) with a fuzz of $4 percent (0
# unless given), as compare prints it (a count such as "1234" or "1.234e+06", a ratio); fails
# the test when the pictures cannot be compared or compare reports an error (its status 2; 1
# only says the pictures differ) or no number.
picture_measure() {
  local metric=$1 words status
  comparable "$2" "$3"
  words=$(compare -fuzz "${4:-0}%" -metric "$metric" "$2" "$3" null: 2>&1)
  status=$?
  [ "$status" -le 1 ] || picture_fault "compare of $2 with $3 failed ($status): $words"
  [[ "${words%% *}" =~ ^-?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?$ ]] ||
    picture_fault "compare of $2 with $3 gave no $metric measure: $words"
  echo "${words%% *}"
}

# How many pixels of two pictures of one size differ by more than a fuzz of $3 percent (0
# unless given), a whole number; fails the test when they cannot be compared.
changed_pixels() {
  local count
  count=$(picture_measure AE "$1" "$2" "${3:-0}") || exit 1
  awk -v c="$count" 'BEGIN { printf "%.0f\n", c }'
}

# The mean colour of a box of a picture (width x height + left + top) as "r g b", 0..255.
box_mean() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
# How many pixels of a box (width x height + left + top) of two pictures differ by more than
# a fuzz of $4 percent.
box_changed() {
  comparable "$1" "$2"
  convert "$1" -crop "$3" +repage box_a.png || picture_fault "cannot cut $3 out of $1"
  convert "$2" -crop "$3" +repage box_b.png || picture_fault "cannot cut $3 out of $2"
  changed_pixels box_a.png box_b.png "$4"
}
# How many pixels of a box are clearly redder than blue (fire, smoke and dust against a sky,
# where blue always leads).
box_warm() {
  convert "$1" -crop "$2" +repage -fx 'r-b>0.12?1:0' -format "%[fx:int(mean*w*h+0.5)]" info:
}
# How many pixels of a box stand out by 3 % or more above the median of their 5 x 5
# neighbourhood (points of light such as stars).
box_points() {
  convert "$1" -crop "$2" +repage -colorspace gray \( +clone -statistic median 5x5 \) \
    -compose minus_src -composite -threshold 3% -format "%[fx:int(mean*w*h+0.5)]" info:
}

# The rows of dark ink (the list items' black text) in a box (WxH+X+Y) of a picture, as
# "first last" (-1 -1 without ink); rows dark nearly all across (the chosen item's frame, the
# list's edge) are left out.
ink_rows() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 40% -depth 8 txt:- |
    awk -F'[,: ]+' 'NR > 1 { if ($1 + 1 > width) width = $1 + 1; if ($0 ~ /#000000/) dark[$2 + 0]++ }
      END { first = -1; last = -1
            for (r in dark) if (dark[r] < 0.8 * width) {
              r += 0; if (first < 0 || r < first) first = r; if (r > last) last = r }
            print first, last }'
}

# 24 pixel columns from 2 pixels into an item's box (which starts a little left of its text),
# its ink's rows only, black and white: its first glyphs as drawn. Arguments: the picture, the
# item's box, its ink's first and last row, the file to write.
leading_glyphs() {
  local box=$2 x y
  x=${box#*+}
  y=${x#*+}
  x=${x%%+*}
  convert "$1" -crop "24x$(($4 - $3 + 1))+$((x + 2))+$((y + $3))" +repage -colorspace gray -threshold 40% "$5"
}

# The items of a list (<list>.items, their boxes in <list>.png, written by the walk) are drawn
# in one font: the ink of each spans as many rows, within a pixel; with "same_start" (items
# that begin alike) their first glyphs are drawn alike, pixel for pixel. (At 1920 x 1080 the
# large fixed font's capitals are a pixel taller than the small font's, its letters wider.)
check_list_fonts() {
  local list=$1 same_start=${2:-} box first last h lo=9999 hi=0 heights="" k=0 differ
  [ -s "$list.items" ] || fail "the walk wrote no item boxes of the $list list"
  while read -r box; do
    read -r first last <<< "$(ink_rows "$list.png" "$box")"
    [ "$first" -ge 0 ] || fail "$list.png shows an item without text in $box"
    h=$((last - first + 1))
    heights="$heights $h"
    [ "$h" -lt "$lo" ] && lo=$h
    [ "$h" -gt "$hi" ] && hi=$h
    if [ -n "$same_start" ]; then
      leading_glyphs "$list.png" "$box" "$first" "$last" "${list}_item_$k.png"
      differ=$(changed_pixels "${list}_item_0.png" "${list}_item_$k.png")
      [ "$differ" = 0 ] || fail "the $list list's item $k begins in another font than its first ($differ pixels differ)"
    fi
    k=$((k + 1))
  done < "$list.items"
  echo "$list list: its items' ink$heights rows high"
  [ $((hi - lo)) -le 1 ] || fail "the $list list's items are drawn in more than one height:$heights"
}
