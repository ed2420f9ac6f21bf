#!/usr/bin/env bash
# The walks' picture measure (changed_pixels, lib/pictures.sh) on pictures made here: alike
# pictures differ in 0 pixels, a 10 x 5 white patch on grey in 50 (none with a fuzz of 60 %);
# a missing picture, pictures of different sizes and a file that is no picture each end a
# check written as the walks write it, inside a command substitution, with a FAIL line naming
# both files, before the check can pass, and kill the walk's program.
# Arguments: the ventrask binary and the run folder (not used).
set -uo pipefail
lib_dir=$(cd "$(dirname "$0")/lib" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

convert -size 64x48 xc:gray50 grey.png
cp grey.png grey_again.png
convert grey.png -fill white -draw "rectangle 0,0 9,4" patch.png
convert -size 48x64 xc:gray50 tall.png
echo "no picture" > text.png

source "$lib_dir/pictures.sh"
[ "$(changed_pixels grey.png grey_again.png)" = 0 ] || fail "alike pictures differ"
[ "$(changed_pixels grey.png patch.png)" = 50 ] || fail "the patch changed $(changed_pixels grey.png patch.png) pixels, not 50"
[ "$(changed_pixels grey.png patch.png 60)" = 0 ] || fail "the patch stands out of a fuzz of 60 %"

# A walk's check in a shell of its own, with a stand-in for its program ($pid): prints
# "passed" when the check went on after the measure.
walk_check() {
  bash -c 'source "$1/pictures.sh"; sleep 60 & pid=$!; echo "$pid" > program.pid
    [ "$(changed_pixels "$2" "$3")" != 0 ] || exit 0; echo passed' _ "$lib_dir" "$1" "$2" 2>&1
}
for pair in "grey.png missing.png" "grey.png tall.png" "text.png grey.png"; do
  read -r a b <<< "$pair"
  words=$(walk_check "$a" "$b")
  status=$?
  echo "$a against $b: status $status, $words"
  [ "$status" -ne 0 ] && [[ "$words" != *passed* ]] || fail "comparing $a with $b passed"
  [[ "$words" == *FAIL:*"$a"*"$b"* ]] || fail "comparing $a with $b failed without naming both: $words"
  program=$(cat program.pid)
  for _ in $(seq 1 20); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  ! kill -0 "$program" 2>/dev/null || { kill "$program"; fail "comparing $a with $b left the program running"; }
done
echo "picture checks: ok"
