# The design screens at one window size, sourced by a test after lib/common.sh with the size
# as $1 (e.g. 1024x768): the window opens that large on a virtual display as large, the
# walk of lib/design_walk.sh runs, the screenshots are kept in the build
# (design_<size>_*.png) and checked:
# - the inside of every Save and Load box has the colour scheme's dialog colour, not black;
# - the Run Scenario button shows its picture, not the world map over it;
# - the frames after Explode on the hub keep the GUI's colours (no white screen) and, in a
#   window wider than 4:3, black margins beside the 4:3 area (no burst flies out of it);
# - the wheel over the scenario map zooms it, and every scenery's map picture loads;
# - the airframe's graph buttons stay in sight over its preview, the motor's hint line says
#   why a chamber length was refused, and its static fire plots a curve (check_parts);
# - the motor panel's five field labels are drawn in one font: their letters (each has its
#   parentheses) stand equally tall (check_label_rows);
# - the motor's charges list, "1) SLOTTED CYLINDER" and "2) CIGAR BURN", is drawn in one font
#   (check_charge_list);
# - the flight graphs view of a test flight shows its plot, its "Maneuver" caption whole;
# - in a window wider than 4:3 the motor's static fire keeps to the 4:3 area;
# - the hub's readouts and the motor's refusal hint are drawn crisp and whole, narrowed or not
#   (check_crisp_text).
design_sizes() {
  local size=$1 width=${1%x*} height=${1#*x}
  size_walk "$size" design "$lib_dir/design_walk.sh"
  check_boxes "$width" "$height"
  check_run_button "$width" "$height"
  check_explode "$width" "$height"
  check_parts "$width" "$height"
  check_channel_caption "$width" "$height"
  check_fire_margins "$width" "$height"
  check_label_rows "$width" "$height"
  check_crisp_text "$width" "$height"
  check_charge_list "$width" "$height"
  [ "$(box_changed test_run.png flight.png "$(gui_box "$width" "$height" -1.1 -0.9 0.9 0.7)" 10)" -gt 1000 ] ||
    fail "the flight graphs view shows no plot over the test run"
  [ "$(changed_pixels chosen.png wheel.png)" != 0 ] ||
    fail "the wheel over the map changed nothing"
  ! grep -q "Failed to load scenery" Logfile.txt || fail "$(grep "Failed to load scenery" Logfile.txt)"
  ! grep -qwi "nan" Logfile.txt || fail "a screen logged a NaN: $(grep -i nan Logfile.txt)"
  echo "design screens at $size: ok"
}

# Window pixels of a box given in GUI units (x1 y1 x2 y2) as ImageMagick's WxH+X+Y.
gui_box() {
  awk -v w="$1" -v h="$2" -v x1="$3" -v y1="$4" -v x2="$5" -v y2="$6" 'BEGIN {
    l = w / 2 + 320 * x1; r = w / 2 + 320 * x2; t = h / 2 - 240 * y2; b = h / 2 - 240 * y1
    printf "%dx%d+%d+%d", r - l, b - t, l, t }'
}

# The dialog fill of the colour scheme the program starts in (scheme 1, 20 91 155), drawn at
# 205 of 255 over the screen: every channel lies within 45 of it.
near_dialog_colour() {
  local r g b
  read -r r g b <<< "$1"
  [ $((r - 20 <= 45 && 20 - r <= 45 && g - 91 <= 45 && 91 - g <= 45 && b - 155 <= 45 && 155 - b <= 45)) -eq 1 ]
}

# A box of a message box in its own units: the boxes grow with the fonts past a 1024 x 768
# window, by the smaller GUI scale over 1.6.
message_box_area() {
  local w=$1 h=$2
  shift 2
  local g
  g=$(awk -v w="$w" -v h="$h" 'BEGIN { s = w / 640; if (h / 480 < s) s = h / 480; g = s / 1.6; if (g < 1) g = 1; print g }')
  gui_box "$w" "$h" $(awk -v g="$g" -v a="$1" -v b="$2" -v c="$3" -v d="$4" 'BEGIN { print a * g, b * g, c * g, d * g }')
}

check_boxes() {
  local w=$1 h=$2 picture mean
  for picture in *_save_box.png; do
    # A strip of the name box between its prompt and its field, left of centre, and one near
    # its right edge (outside a box that kept its 1024 x 768 size in a larger window).
    mean=$(box_mean "$picture" "$(message_box_area "$w" "$h" -0.45 0.09 -0.1 0.12)")
    near_dialog_colour "$mean" || fail "the inside of the name box of $picture is $mean"
    mean=$(box_mean "$picture" "$(message_box_area "$w" "$h" 0.42 0.09 0.48 0.12)")
    near_dialog_colour "$mean" || fail "the right of the name box of $picture is $mean"
  done
  for picture in *_load_box.png; do
    # A strip of the file box between its list and its buttons.
    mean=$(box_mean "$picture" "$(message_box_area "$w" "$h" -0.45 -0.56 -0.1 -0.53)")
    near_dialog_colour "$mean" || fail "the inside of the file box of $picture is $mean"
  done
}

# The Run Scenario button ((0.3 m, -0.95 h)-(0.58 m, -0.8 h)) against its picture: the mean
# colours of their middles agree within 40 per channel.
check_run_button() {
  local w=$1 h=$2 m shown wanted
  m=$(awk -v w="$w" -v h="$h" 'BEGIN { a = w / 640; b = h / 480; print a < b ? a : b }')
  local hs
  hs=$(awk -v h="$h" 'BEGIN { print h / 480 }')
  shown=$(box_mean system.png "$(gui_box "$w" "$h" "$(awk -v m="$m" 'BEGIN { print 0.35 * m }')" \
    "$(awk -v s="$hs" 'BEGIN { print -0.92 * s }')" "$(awk -v m="$m" 'BEGIN { print 0.53 * m }')" \
    "$(awk -v s="$hs" 'BEGIN { print -0.83 * s }')")")
  wanted=$(convert "$VENTRASK_SOURCE_DIR/data/resources/RCDATA/422.bmp" -gravity center -crop 64%x60%+0+0 +repage \
    -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:)
  local a b c x y z
  read -r a b c <<< "$shown"
  read -r x y z <<< "$wanted"
  local d1=$((a - x)) d2=$((b - y)) d3=$((c - z))
  [ ${d1#-} -le 40 ] && [ ${d2#-} -le 40 ] && [ ${d3#-} -le 40 ] ||
    fail "the Run Scenario button shows $shown, its picture $wanted"
}

# The part screens' own steps of the walk: the airframe's graph buttons keep their looks when
# a shorter cylinder changes the preview (it never lies over them), the motor's first hint line
# changes when a value is refused, and the static fire's plot shows its curve (green) inside
# the graph box.
check_parts() {
  local w=$1 h=$2 m hs
  m=$(awk -v w="$w" -v h="$h" 'BEGIN { a = w / 640; b = h / 480; print a < b ? a : b }')
  hs=$(awk -v h="$h" 'BEGIN { print h / 480 }')
  d() { awk -v s="$1" -v v="$2" 'BEGIN { print s * v }'; }
  local buttons hint graph
  buttons=$(gui_box "$w" "$h" "$(d "$m" -0.93)" "$(d "$hs" 0.24)" "$(d "$m" -0.67)" "$(d "$hs" 0.82)")
  [ "$(box_changed aero.png aero_short.png "$buttons" 10)" -le 20 ] ||
    fail "the airframe's preview runs over its graph buttons after a shorter cylinder"
  hint=$(gui_box "$w" "$h" "$(d "$m" -0.98)" "$(d "$hs" -0.92)" "$(d "$m" -0.2)" "$(d "$hs" -0.86)")
  [ "$(box_changed motor.png motor_refused.png "$hint" 10)" -gt 50 ] ||
    fail "the motor's hint line says nothing of the refused chamber length"
  graph=$(gui_box "$w" "$h" "$(d "$m" -0.85)" "$(d "$hs" -0.85)" "$(d "$m" 0)" "$(d "$hs" -0.4)")
  local green
  green=$(convert motor_fire.png -crop "$graph" +repage -fx 'g-r>0.25&&g-b>0.2?1:0' -format "%[fx:int(mean*w*h+0.5)]" info:)
  [ "$green" -gt 100 ] || fail "the static fire's plot shows no curve ($green green pixels)"
}

# The hub's frames while its warhead bursts: at most a tenth of each is near white (the smoke
# over the preview is grey; the panels keep their colours).
check_explode() {
  local w=$1 h=$2 picture white margin side
  margin=$(awk -v w="$w" -v h="$h" 'BEGIN { a = w / 640; b = h / 480; m = a < b ? a : b; printf "%d", (w - 640 * m) / 2 - 2 }')
  for picture in explode_*.png; do
    white=$(convert "$picture" -colorspace gray -threshold 92% -format "%[fx:mean]" info:)
    awk -v f="$white" 'BEGIN { exit !(f < 0.1) }' || fail "$picture is $white white"
    [ "$margin" -gt 0 ] || continue
    for side in "+0+0" "+$((w - margin))+0"; do
      [ "$(convert "$picture" -crop "${margin}x${h}${side}" +repage -format "%[fx:int(255*maxima)]" info:)" = 0 ] ||
        fail "$picture draws into the margin at $side"
    done
  done
}

# The flight graphs view's "Maneuver" button, (0.98, 0.32)-(1.18, 0.4) of a window shown at its
# own size (a window of 1024 x 768 or more): its caption stands whole and centred inside it.
# The white ink, two pixels in from the frame, keeps clear of both ends by about as much;
# a caption cut to "Maneuve" ran from the button's left end.
check_channel_caption() {
  local w=$1 h=$2 box bw bh bx by ink iw left right
  [ "$h" -ge 768 ] || return 0
  box=$(gui_box "$w" "$h" 0.98 0.32 1.18 0.4)
  read -r bw bh bx by <<< "$(echo "$box" | tr 'x+' '  ')"
  ink=$(convert flight_later.png -crop "$((bw - 4))x$((bh - 4))+$((bx + 2))+$((by + 2))" +repage \
    -fx 'r > 0.7 && g > 0.7 && b > 0.7 ? 1 : 0' -format "%@" info:)
  read -r iw _ left _ <<< "$(echo "$ink" | tr 'x+' '  ')"
  right=$((bw - 4 - left - iw))
  echo "Maneuver: ink $ink in ${bw}x${bh}, $left and $right pixels clear"
  [ "$left" -ge 1 ] && [ "$right" -ge 1 ] && [ $((left - right)) -le 4 ] && [ $((right - left)) -le 4 ] ||
    fail "the flight graphs' \"Maneuver\" caption is not whole in its button ($ink in $box)"
}

# In a window wider than 4:3 the static fire's flame and smoke stop at the 4:3 area: the black
# margins beside it hold no light while the motor burns.
check_fire_margins() {
  local w=$1 h=$2 margin side
  margin=$(awk -v w="$w" -v h="$h" 'BEGIN { a = w / 640; b = h / 480; m = a < b ? a : b; printf "%d", (w - 640 * m) / 2 - 2 }')
  [ "$margin" -gt 0 ] || return 0
  for side in "+0+0" "+$((w - margin))+0"; do
    [ "$(convert motor_fire.png -crop "${margin}x${h}${side}" +repage -format "%[fx:int(255*maxima)]" info:)" = 0 ] ||
      fail "the static fire draws into the margin at $side"
  done
}

# The motor panel's field labels, "Chamber Diameter (cm)" .. "Ignition Pressure (atm)", in rows
# ((-0.55 m, y h)-(-0.25 m, (y + 0.05) h), y = 0.77 - 0.08 n): the bright pixels of each row,
# its field left aside, span the same height within a pixel, as one font draws them (bright:
# the glyphs' cores, as their grey edges spread over a row more or less by where they fall
# between pixels).
check_label_rows() {
  local w=$1 h=$2 n box tall heights="" lowest=100000 highest=0
  for n in 0 1 2 3 4; do
    box=$(awk -v w="$w" -v h="$h" -v n="$n" 'BEGIN {
      m = w / 640; if (h / 480 < m) m = h / 480; s = h / 480; y = 0.77 - 0.08 * n
      l = w / 2 + 320 * -0.545 * m; r = w / 2 + 320 * -0.26 * m
      t = h / 2 - 240 * (y + 0.062) * s; b = h / 2 - 240 * (y - 0.012) * s
      printf "%dx%d+%d+%d", r - l, b - t, l, t }')
    tall=$(convert motor.png -crop "$box" +repage -fx 'r>0.7?1:0' -format '%@' info: | sed 's/^[0-9]*x\([0-9]*\)+.*/\1/')
    heights="$heights $tall"
    [ "$tall" -lt "$lowest" ] && lowest=$tall
    [ "$tall" -gt "$highest" ] && highest=$tall
  done
  [ "$lowest" -ge 5 ] && [ $((highest - lowest)) -le 1 ] ||
    fail "the motor panel's labels stand$heights pixels tall: not one font"
}

# The share of a box's ink that is near full as a percentage, and the ink's right end (pixels
# from the box's left): light text over the blue panels and background, whose red is the
# box's commonest; ink is 30 above it, near full four fifths of the way from it to white.
ink_marks() {
  local w=${2%%x*}
  convert "$1" -crop "$2" +repage -channel R -separate -depth 8 gray:- | od -An -v -tu1 -w"$w" | awk '
    { for (x = 1; x <= NF; x++) { v[NR, x] = $x; seen[$x]++ } cols = NF; rows = NR }
    END {
      for (k in seen) if (seen[k] > most) { most = seen[k]; bg = k }
      for (y = 1; y <= rows; y++) for (x = 1; x <= cols; x++) {
        if (v[y, x] <= bg + 30) continue
        ink++
        if (v[y, x] >= bg + 0.8 * (255 - bg)) full++
        if (x > right) right = x
      }
      printf "%d %d\n", ink ? 100 * full / ink : 0, right
    }'
}

# The hub's twelve readouts ((-0.94 m, y h)-(-0.57 m, (y + 0.05) h), y = 0.85 - 0.07 n, inside the
# first one's frame) and the motor's refusal hint ((-0.96 m, -0.92 h)-(-0.2 m, -0.86 h)) read
# whole: each line, narrowed to its box or not, is drawn from glyphs rasterised at its own
# width, so over a seventh of its ink is near full, as in a line at its full width (a quarter
# to a half at 640 x 480; glyphs of the full width squeezed with smooth filtering kept a
# twentieth at most, their points and thin stems fading into the panel); and its ink ends
# inside its box.
check_crisp_text() {
  local w=$1 h=$2 n box share right lines="" picture
  for n in $(seq 0 12); do
    picture=hub.png
    box=$(awk -v w="$w" -v h="$h" -v n="$n" 'BEGIN {
      m = w / 640; if (h / 480 < m) m = h / 480; s = h / 480
      if (n < 12) { y = 0.85 - 0.07 * n; x1 = -0.935; x2 = -0.575; y1 = y + 0.004; y2 = y + 0.046 }
      else { x1 = -0.96; x2 = -0.2; y1 = -0.92; y2 = -0.86 }
      l = int(w / 2 + 320 * x1 * m + 0.999); r = int(w / 2 + 320 * x2 * m)
      t = int(h / 2 - 240 * y2 * s + 0.999); b = int(h / 2 - 240 * y1 * s)
      printf "%dx%d+%d+%d", r - l, b - t, l, t }')
    [ "$n" -eq 12 ] && picture=motor_refused.png
    read -r share right <<< "$(ink_marks "$picture" "$box")"
    lines="$lines $share%"
    [ "$share" -ge 15 ] || fail "line $n of $picture is drawn soft: $share% of its ink near full ($box)"
    [ "$right" -lt "${box%%x*}" ] || fail "line $n of $picture runs to its box's end ($box)"
  done
  echo "crisp text at ${w}x$h:$lines"
}

# The motor's charges list lies at (0.6 m, 0.836 h) down, its area 0.3 m - 0.06 across: the
# boxes of its two items (0.08 high each; the chosen one's frame on the left and the tick's
# room on the right left out) go to motor.items for check_list_fonts.
check_charge_list() {
  local k
  for k in 0 1; do
    awk -v w="$1" -v h="$2" -v k="$k" 'BEGIN {
      m = w / 640; if (h / 480 < m) m = h / 480; s = h / 480
      l = int(w / 2 + 320 * (0.6 * m + 0.01)); r = int(w / 2 + 320 * (0.9 * m - 0.14))
      t = int(h / 2 - 240 * (0.836 * s - 0.08 * k)); b = int(h / 2 - 240 * (0.836 * s - 0.08 * (k + 1)))
      printf "%dx%d+%d+%d\n", r - l, b - t, l, t }'
  done > motor.items
  check_list_fonts motor
}
