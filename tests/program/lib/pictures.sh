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
