#!/usr/bin/env bash
# The settings file over two runs of the whole program under a virtual display: the first run
# (no "qvd.ini") loads the default data without a missing file and writes every setting; the
# second reads that file and, nothing having changed, writes it back byte for byte.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"


keys="window_mode window_width window_height music_on speech_on sound_on use_joystick
use_relative dead_zone volume_engine volume_sounds volume_music volume_speech normal_fov
sleep_time color_scheme transparency use_refmap use_refrac use_waves use_objects_in_ref
use_mipmaps use_caustics use_plants use_shadow use_shaders use_curvature use_3d_smoke
use_verbose use_labels use_siren use_tips use_path max_objects_alt max_objects_dist
array_complexity max_objects_count shadow_alt"

rm -f qvd.ini Logfile.txt
start_and_close 0.5 || fail "the first run failed"
[ -f Logfile.txt ] || fail "no Logfile.txt after the first run"
! grep -q "Failed to load\|Could not find" Logfile.txt || fail "the default data is incomplete: $(grep "Failed to load\|Could not find" Logfile.txt)"
[ -f qvd.ini ] || fail "no qvd.ini after the first run"
for key in $keys; do
  grep -q "^[-0-9.e+]*	\[$key\]"$'\r'"\$" qvd.ini || fail "qvd.ini lacks [$key]: $(cat qvd.ini)"
done
cp qvd.ini first.ini

start_and_close 0.5 || fail "the second run failed"
cmp -s first.ini qvd.ini || fail "the second run changed qvd.ini: $(diff first.ini qvd.ini)"
echo "settings: ok"
