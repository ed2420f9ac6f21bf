# Measures of screenshots (ImageMagick), sourced by the tests and by their walks.
# The mean colour of a box of a picture (width x height + left + top) as "r g b", 0..255.
box_mean() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
# How many pixels of a box (width x height + left + top) of two pictures differ by more than
# a fuzz of $4 percent.
box_changed() {
  convert "$1" -crop "$3" +repage box_a.png
  convert "$2" -crop "$3" +repage box_b.png
  compare -fuzz "$4%" -metric AE box_a.png box_b.png null: 2>&1 | cut -d' ' -f1
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
      differ=$(compare -metric AE "${list}_item_0.png" "${list}_item_$k.png" null: 2>&1 | cut -d' ' -f1)
      [ "$differ" = 0 ] || fail "the $list list's item $k begins in another font than its first ($differ pixels differ)"
    fi
    k=$((k + 1))
  done < "$list.items"
  echo "$list list: its items' ink$heights rows high"
  [ $((hi - lo)) -le 1 ] || fail "the $list list's items are drawn in more than one height:$heights"
}
