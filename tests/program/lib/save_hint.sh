# The design hub's Save hint as a screenshot shows it, sourced by a test after lib/common.sh.
# With the six part files of the design the program starts with damaged, the hint reads, top to bottom, in the hub's layout units (x by the
# smaller GUI scale, y by the vertical one):
#   "Save writes none of the parts."                   (0.02, -0.68)-(0.78, -0.62)
#   "It leaves the damaged configuration New Config,"  (0.02, -0.74)-(0.78, -0.68)
#   "motor New Motor, warhead New Warhead,"            (0.02, -0.80)-(0.78, -0.74)
#   "guidance New Seeker, launcher New Launcher,"      (-0.18, -0.92)-(0.48, -0.86)
#   "control unit New Control."                        (-0.18, -0.98)-(0.48, -0.92)
# and the row above its first line, (0.02, -0.62)-(0.78, -0.56), is empty.

# A box of the hub's layout units (x1 y1 x2 y2) in a window of WIDTH x HEIGHT as window pixels
# WxH+X+Y, a pixel inside it. Arguments: width, height, x1, y1, x2, y2.
hub_box() {
  awk -v w="$1" -v ht="$2" -v x1="$3" -v y1="$4" -v x2="$5" -v y2="$6" 'BEGIN {
    m = w / 640 < ht / 480 ? w / 640 : ht / 480; h = ht / 480
    l = w / 2 + 320 * m * x1 + 1; r = w / 2 + 320 * m * x2 - 1
    t = ht / 2 - 240 * h * y2 + 1; b = ht / 2 - 240 * h * y1 - 1
    printf "%dx%d+%d+%d", r - l, b - t, l, t }'
}

# Pixels of a box of a picture white in every channel: the hint's ink (the launcher drawn
# behind it is olive, the background blue).
# A picture that cannot be measured fails the test (picture_fault).
white_ink() {
  local ink
  ink=$(convert "$1" -crop "$2" +repage -fx "r>0.9&&g>0.9&&b>0.9?1:0" -format "%[fx:int(mean*w*h+0.5)]" info: 2>&1) ||
    picture_fault "cannot measure the white ink of $2 in $1: $ink"
  [[ "$ink" =~ ^[0-9]+$ ]] || picture_fault "no count of the white ink of $2 in $1: $ink"
  echo "$ink"
}

# check_save_hint_rows PICTURE WIDTH HEIGHT: each of the five lines' rows shows white ink, the
# row above them none, and no ink runs past a row's right end into the gap before the Test
# Flight button or before Save and Load (a line too wide for its row); fails otherwise.
check_save_hint_rows() {
  local picture=$1 width=$2 height=$3 row ink
  [ -s "$picture" ] || fail "no $picture to look at the Save hint in"
  for row in "0.02 -0.68 0.78 -0.62" "0.02 -0.74 0.78 -0.68" "0.02 -0.80 0.78 -0.74" \
             "-0.18 -0.92 0.48 -0.86" "-0.18 -0.98 0.48 -0.92"; do
    # shellcheck disable=SC2086  # the row's four numbers
    ink=$(white_ink "$picture" "$(hub_box "$width" "$height" $row)")
    echo "Save hint row ($row): $ink white pixels"
    [ "$ink" -gt 20 ] || fail "the Save hint's row ($row) of $picture shows no line"
  done
  ink=$(white_ink "$picture" "$(hub_box "$width" "$height" 0.02 -0.62 0.78 -0.56)")
  [ "$ink" -le 5 ] || fail "$picture shows a Save hint line above its first ($ink white pixels)"
  for row in "0.48 -0.98 0.5 -0.86" "0.78 -0.80 0.8 -0.62"; do
    # shellcheck disable=SC2086
    ink=$(white_ink "$picture" "$(hub_box "$width" "$height" $row)")
    [ "$ink" -le 2 ] || fail "a Save hint line of $picture runs past its row into ($row): $ink white pixels"
  done
}
