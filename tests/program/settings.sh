#!/usr/bin/env bash
# The settings file over two runs of the whole program under a virtual display: the first run
# (no "qvd.ini") loads the default data without a missing file and writes every setting; the
# second reads that file and, nothing having changed, writes it back byte for byte.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
binary=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$run"/. "$work"/
cp "$binary" "$work/ventrask"
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

cat > session.sh <<'INNER'
set -u
./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no visible window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep 0.5
kill -TERM "$pid"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program did not end after SIGTERM"
  kill -KILL "$pid"
  exit 93
fi
wait "$pid"
INNER

keys="window_mode window_width window_height music_on speech_on sound_on use_joystick
use_relative dead_zone volume_engine volume_sounds volume_music volume_speech normal_fov
sleep_time color_scheme transparency use_refmap use_refrac use_waves use_objects_in_ref
use_mipmaps use_caustics use_plants use_shadow use_shaders use_curvature use_3d_smoke
use_verbose use_labels use_siren use_tips use_path max_objects_alt max_objects_dist
array_complexity max_objects_count shadow_alt"

rm -f qvd.ini Logfile.txt
xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh || fail "the first run failed"
[ -f Logfile.txt ] || fail "no Logfile.txt after the first run"
! grep -q "Failed to load\|Could not find" Logfile.txt || fail "the default data is incomplete: $(grep "Failed to load\|Could not find" Logfile.txt)"
[ -f qvd.ini ] || fail "no qvd.ini after the first run"
for key in $keys; do
  grep -q "^[-0-9.e+]*	\[$key\]"$'\r'"\$" qvd.ini || fail "qvd.ini lacks [$key]: $(cat qvd.ini)"
done
cp qvd.ini first.ini

xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh || fail "the second run failed"
cmp -s first.ini qvd.ini || fail "the second run changed qvd.ini: $(diff first.ini qvd.ini)"
echo "settings: ok"
