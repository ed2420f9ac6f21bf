#!/usr/bin/env bash
# The start-up splash: under a virtual display of 1024 x 768 a screenshot taken while the
# program starts shows the splash picture centred 10 pixels below the middle, with the
# caption written in white on its dark blue strip. The splash is held for a few seconds
# (VENTRASK_SPLASH_HOLD_MS) so the picture can be taken; the screenshot is kept beside the
# run folder as loading_picture.png.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
binary=$1
run=$2
shot_copy="$(dirname "$run")/loading_picture.png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$run"/. "$work"/
cp "$binary" "$work/ventrask"
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }
command -v import >/dev/null || { echo "skipped: ImageMagick's import is missing"; exit 0; }

cat > session.sh <<'INNER'
set -u
VENTRASK_SPLASH_HOLD_MS=4000 ./ventrask &
pid=$!
found=""
for _ in $(seq 1 300); do
  found=$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | head -n 1)
  [ -n "$found" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
[ -n "$found" ] || { echo "FAIL: nothing appeared on the screen"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep 0.5
import -window root shot.png
kill -TERM "$pid"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; echo "FAIL: the program did not end"; exit 91; }
wait "$pid"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f shot.png ] || fail "no screenshot"
cp shot.png "$shot_copy" 2>/dev/null

# The splash's caption strip: (0, 260)-(180, 280) of the 350 x 280 picture placed at
# (1024 / 2 - 175, 768 / 2 - 130) = (337, 254).
strip=$(convert shot.png -crop 180x20+337+514 +repage -depth 8 txt:- | tail -n +2)
blue=$(grep -c "#274283" <<<"$strip")
white=$(grep -c "#FFFFFF" <<<"$strip")
[ "$blue" -gt 1000 ] || fail "no caption strip where the splash should be ($blue pixels)"
[ "$white" -gt 30 ] || fail "no caption text on the strip ($white white pixels)"
# The caption starts 20 pixels in: the strip's left margin holds no text.
margin=$(convert shot.png -crop 20x20+337+514 +repage -depth 8 txt:- | tail -n +2 | grep -vc "#274283")
[ "$margin" -eq 0 ] || fail "text in the strip's left margin"
# Outside the splash the screen is the empty desktop.
outside=$(convert shot.png -crop 1x1+10+10 +repage -depth 8 txt:- | tail -n 1)
grep -q "#274283" <<<"$outside" && fail "the strip colour outside the splash"
echo "loading picture: ok ($white white pixels of caption)"
