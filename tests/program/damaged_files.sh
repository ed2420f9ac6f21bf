#!/usr/bin/env bash
# Damaged files, as a disk or an editor leaves them: the sky's colour map emptied and the first
# situation ("Kestrel Bay Defence") cut in half. The sky takes its built-in colours with a log
# line naming the map; Run Scenario's Start names the situation in a notice and in the log and
# the menus stay (no run starts without its systems and launchers). OK closes the notice, and
# the program ends normally. Screenshots: damaged_files_notice.png, damaged_files_after.png.
# Then a motor cut short and loaded on the design hub at three window sizes (motor_cut_on_hub),
# the missile file of the design the program starts with cut short (missile_cut_at_start), and
# that design naming six damaged part files (motor_cut_at_start).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"
source "$lib_dir/save_hint.sh"

# Clicks of the walks below, sourced once the program's window is known: the design screens'
# units (m the smaller scale, h the vertical one: a 4:3 area centred), and a point of a centred
# box, which grows past its 1024 x 768 size with the smaller GUI scale.
cat > clicks.sh <<'CLICKS'
M=$(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { a = w / 640; b = h / 480; printf "%f", a < b ? a : b }')
H=$(awk -v h="$HEIGHT" 'BEGIN { printf "%f", h / 480 }')
dclick() { click_gui $(awk -v m="$M" -v h="$H" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", x * m, y * h }'); }
G=$(awk -v m="$M" 'BEGIN { g = m / 1.6; printf "%f", (g > 1 ? g : 1) }')
bclick() { click_gui $(awk -v g="$G" -v x="$1" -v y="$2" 'BEGIN { printf "%f %f", x * g, y * g }'); }
CLICKS

# "motors\Sentinel MR.txt" cut in the middle of its values, and the missile "Sentinel MR"
# loaded on the design hub in windows of 640 x 480, 1024 x 768 and 1920 x 1080: a notice names
# the motor file and why, so does the log, and the motor file stays as it was cut (nothing was
# written over it). Screenshots: damaged_files_motor_<size>_{load_box,notice,after}.png.
motor_cut_on_hub() {
  local motor="motors/Sentinel MR.txt" end size width height centre
  local why='it stops in the middle of a line before its "@" line'
  [ -f "$motor" ] || fail "no $motor in the run folder"
  end=$(grep -b -m1 '^@' "$motor" | cut -d: -f1)
  head -c $(( end / 2 )) "$motor" > cut.txt && mv cut.txt "$motor"
  cp "$motor" motor_cut.txt
  cat > motor_walk.sh <<'INNER'
source "$session_lib"
start_program
source ./clicks.sh
shot_drawn menu.png
dclick -0.81875 -0.82917   # "Design Missile"
shot_changed menu.png hub.png
dclick 0.89 -0.71          # the hub's Load
shot_changed hub.png load_box.png
bclick 0 0.43              # "Sentinel MR", the second of the list
bclick -0.28 -0.64         # "Accept"
shot_changed load_box.png notice.png
press_key Return           # OK closes the notice
sleep 2
shot after.png
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
quit_by_keys
INNER
  for size in 640x480 1024x768 1920x1080; do
    width=${size%x*}
    height=${size#*x}
    rm -f ./*.png Logfile.txt
    size_walk "$size" damaged_files_motor motor_walk.sh
    grep -qF "motors\Sentinel MR.txt cannot be read whole: $why" Logfile.txt \
      || fail "$size: the log does not name the cut motor: $(cat Logfile.txt)"
    grep -qF "Could not load motors\Sentinel MR.txt: $why" Logfile.txt \
      || fail "$size: no notice named the cut motor: $(cat Logfile.txt)"
    cmp -s "$motor" motor_cut.txt || fail "$size: the cut motor file was written"
    # The notice is a centred box: the middle of the window changes when it closes.
    centre=$(box_changed notice.png after.png \
      "$(( width * 300 / 640 ))x$(( height * 100 / 480 ))+$(( width * 170 / 640 ))+$(( height * 190 / 480 ))" 8)
    [ "${centre:-0}" -gt $(( 3000 * width * height / (640 * 480) )) ] \
      || fail "$size: no notice in the middle (only $centre pixels changed when it closed)"
  done
}

# The design the program starts with, as a user meets it: the main menu's notice, settled, OK,
# Design Missile and the hub's Save of the offered name "New Missile".
cat > start_walk.sh <<'INNER'
source "$session_lib"
start_program
source ./clicks.sh
shot_drawn notice.png
sleep 2
shot notice.png            # the main menu and its notice, settled
press_key Return           # OK closes the notice
shot_changed notice.png menu.png
dclick -0.81875 -0.82917   # "Design Missile"
shot_changed menu.png hub.png
dclick 0.89 -0.51          # the hub's Save
shot_changed hub.png save_box.png
bclick -0.28 -0.13         # "Accept" of the offered name, "New Missile"
shot_changed save_box.png saved.png
if [ -f with_motor_screen ]; then
  dclick 0.84 0.88         # "Rocket Motor"
  shot_changed saved.png motor.png
  dclick 0.89 -0.51        # the motor's Save
  shot_changed motor.png motor_save_box.png
  bclick -0.28 -0.13       # "Accept" of the offered name, "New Motor"
  shot_changed motor_save_box.png motor_not_saved.png
  press_key Return         # OK closes the notice
  shot_changed motor_not_saved.png motor_after.png
fi
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
quit_by_keys
INNER

# "missiles\New Missile.txt", the missile file of the design the program starts with, cut in its
# motor line before "[motor_name]", while "motors\New Motor.txt" is whole and holds the user's
# 11.5 [OTD], 90 [LEN] and 140 [PIG]: the main menu names the missile file, OK closes the notice,
# and a Save on the hub under the offered name "New Missile" writes the motor file with the
# user's values, read from it (the built-in motor would have written 10.5 and 80.5). In windows
# of 640 x 480, 1024 x 768 and 1920 x 1080. Screenshots:
# damaged_files_missile_<size>_{notice,menu,hub,save_box,saved}.png.
missile_cut_at_start() {
  local motor="motors/New Motor.txt" missile="missiles/New Missile.txt" size at value
  [ -f "$motor" ] && [ -f "$missile" ] || fail "no $motor or $missile in the run folder"
  sed -i -e 's/^[0-9.]*\t\[OTD\]/11.5\t[OTD]/' -e 's/^[0-9.]*\t\[LEN\]/90\t[LEN]/' \
    -e 's/^[0-9.]*\t\[PIG\]/140\t[PIG]/' "$motor"
  cp "$missile" missile_whole.txt
  at=$(grep -b -o '\[motor_name\]' "$missile" | head -1 | cut -d: -f1)
  [ -n "$at" ] || fail "no [motor_name] in $missile"
  head -c $(( at - 3 )) missile_whole.txt > missile_cut.txt
  for size in 640x480 1024x768 1920x1080; do
    rm -f ./*.png Logfile.txt
    cp missile_cut.txt "$missile"
    size_walk "$size" damaged_files_missile start_walk.sh
    grep -qF 'missiles\New Missile.txt cannot be read whole: it stops in the middle of a line before naming all its parts' \
      Logfile.txt || fail "$size: the log does not name the cut missile file: $(cat Logfile.txt)"
    grep -q $'\r' "$missile" || fail "$size: the Save did not write the missile file"
    for value in $'11.5\t[OTD]' $'90\t[LEN]' $'140\t[PIG]'; do
      grep -qF "$value" "$motor" || fail "$size: the Save lost the motor's $value: $(cat "$motor")"
    done
  done
  cp missile_whole.txt "$missile"
}

# The six part files of the design the program starts with ("New Missile") damaged: the motor
# given other values and cut 10 bytes after its "[NS]", the warhead holding a NUL byte, the
# airframe without its "@" line, the seeker printable noise holding an "@", the launcher's line
# ends lone CRs and the control unit only its title and "@". The main menu names the six files in
# a notice, a line each (and so does the log), OK closes it, and a Save of the design on the hub
# under the offered name "New Missile" leaves every file as it was, byte for byte, the design
# files still naming them; the hub's Save hint named the six whole, on five rows. Then the motor's own screen says its file is damaged and its first
# Save there writes nothing, not even the fire's table beside it, and says so. In windows of
# 640 x 480, 1024 x 768 and 1920 x 1080. Screenshots: damaged_files_start_<size>_{notice,menu,
# hub,save_box,saved,motor,motor_save_box,motor_not_saved,motor_after}.png.
motor_cut_at_start() {
  local motor="motors/New Motor.txt" size width height centre at
  [ -f "$motor" ] || fail "no $motor in the run folder"
  tr -d '\r' < "$motor" > lf.txt && mv lf.txt "$motor"  # as shipped, whatever a walk wrote before
  sed -i -e 's/^[0-9.]*\t\[OTD\]/11.5\t[OTD]/' -e 's/^[0-9.]*\t\[LEN\]/90\t[LEN]/' \
    -e 's/^[0-9.]*\t\[PIG\]/140\t[PIG]/' "$motor"
  grep -q $'^11.5\t\\[OTD\\]' "$motor" || fail "the motor's [OTD] line was not changed"
  at=$(grep -b -o '\[NS\]' "$motor" | head -1 | cut -d: -f1)
  head -c $(( at + 4 + 10 )) "$motor" > cut.txt && mv cut.txt "$motor"
  cp "$motor" start_motor_cut.txt
  printf 'Warhead Definition File\r\n\r\n\0\r\n@\r\n' > "warheads/New Warhead.txt"
  sed -i '/^@/,$d' "configs/New Config.txt"
  awk 'BEGIN { srand(7); for (i = 0; i < 3000; i++) { if (i == 1500) printf "@";
       printf "%c", substr("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;-+", int(rand() * 68) + 1, 1) } }' \
    > "seekers/New Seeker.txt"
  tr '\n' '\r' < "launchers/New Launcher.txt" > cr.txt && mv cr.txt "launchers/New Launcher.txt"
  printf 'Control Unit Definition File\r\n@\r\n' > "controls/New Control.txt"
  local part parts=("warheads/New Warhead.txt" "configs/New Config.txt" "seekers/New Seeker.txt"
                    "launchers/New Launcher.txt" "controls/New Control.txt")
  for part in "${parts[@]}"; do cp "$part" "start_${part%%/*}.txt"; done
  touch with_motor_screen
  # As the program writes it, the missile file's lines end in CR LF: so a Save shows.
  tr -d '\r' < "missiles/New Missile.txt" > start_missile.txt
  for size in 640x480 1024x768 1920x1080; do
    width=${size%x*}
    height=${size#*x}
    rm -f ./*.png Logfile.txt
    cp start_missile.txt "missiles/New Missile.txt"
    size_walk "$size" damaged_files_start start_walk.sh
    grep -q $'\r' "missiles/New Missile.txt" || fail "$size: the Save did not write the missile file"
    grep -qF 'motors\New Motor.txt cannot be read whole: it ends before its "@" line' Logfile.txt \
      || fail "$size: the log does not name the cut motor: $(cat Logfile.txt)"
    grep -qF 'warheads\New Warhead.txt cannot be read whole: it holds a control character (byte 0) on line 3' \
      Logfile.txt || fail "$size: the log does not name the warhead: $(cat Logfile.txt)"
    grep -qF 'configs\New Config.txt cannot be read whole: it ends before its "@" line' Logfile.txt \
      || fail "$size: the log does not name the airframe: $(cat Logfile.txt)"
    for part in 'seekers\New Seeker' 'launchers\New Launcher' 'controls\New Control'; do
      grep -qF "$part.txt cannot be read whole: none of its values can be read" Logfile.txt \
        || fail "$size: the log does not name $part.txt: $(cat Logfile.txt)"
    done
    grep -qF 'Not saved: motors\New Motor.txt could not be read whole. Save again to write over it.' Logfile.txt \
      || fail "$size: the motor's first Save did not say it wrote nothing: $(cat Logfile.txt)"
    check_save_hint_rows hub.png "$width" "$height"
    cmp -s "$motor" start_motor_cut.txt || fail "$size: a Save wrote over the cut motor file"
    [ ! -e "motors/New Motor.csv" ] || fail "$size: the motor's refused Save wrote its table"
    for part in "${parts[@]}"; do
      cmp -s "$part" "start_${part%%/*}.txt" || fail "$size: the Save wrote over $part"
    done
    for part in $'New Motor\t[motor_name]' $'New Warhead\t[warhead_name]' $'New Config\t[config_name]' \
                $'New Seeker\t[seeker_name]'; do
      grep -qF "$part" "missiles/New Missile.txt" \
        || fail "$size: the saved missile no longer names $part: $(cat "missiles/New Missile.txt")"
    done
    grep -qF $'New Launcher\t[launcher_name]' "systems/New Missile.txt" \
      && grep -qF $'New Control\t[radar_name]' "systems/New Missile.txt" \
      || fail "$size: the saved system no longer names its parts: $(cat "systems/New Missile.txt")"
    centre=$(box_changed notice.png menu.png \
      "$(( width * 300 / 640 ))x$(( height * 100 / 480 ))+$(( width * 170 / 640 ))+$(( height * 190 / 480 ))" 8)
    [ "${centre:-0}" -gt $(( 3000 * width * height / (640 * 480) )) ] \
      || fail "$size: no notice on the main menu (only $centre pixels changed when it closed)"
  done
}

situation="situations/Kestrel Bay Defence.txt"
[ -f "$situation" ] || fail "no $situation in the run folder"
[ -f graphics/color_map.txt ] || fail "no graphics/color_map.txt in the run folder"
whole=$(cat "$situation")
head -c $(( $(wc -c < "$situation") / 2 )) "$situation" > cut.txt && mv cut.txt "$situation"
: > graphics/color_map.txt

cat > session.sh <<'INNER'
source "$session_lib"
start_program
shot_drawn menu.png
vclick 280 439          # "Run Scenario"
shot_changed menu.png dialog.png
click_gui 0.48 -0.85    # "Start" with the first situation selected
shot_changed dialog.png notice.png
# OK closes the notice (a centred box); the dialog stays over the menu.
press_key Return
sleep 2
shot after.png
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
quit_by_keys
INNER

run_window_walk 640x480 damaged_files_ notice after

[ -f Logfile.txt ] || fail "no Logfile.txt"
grep -q 'graphics\\color_map.txt: .*the built-in sky colours are used' Logfile.txt \
  || fail "the log does not name the emptied colour map: $(cat Logfile.txt)"
grep -q 'situations\\Kestrel Bay Defence.txt cannot be read whole: it ends before its "@" line' Logfile.txt \
  || fail "the log does not name the cut situation: $(cat Logfile.txt)"
# Nothing was written over the damaged situation (no run began, so no "# Last Position").
[ "$(cat "$situation")" != "$whole" ] || fail "the situation was written whole again"
[ ! -f "situations/# Last Position.txt" ] || fail "a run began: its last position was written"
# The notice was a box in the middle of the dialog: the middle changed when it closed.
centre=$(box_changed notice.png after.png 300x100+170+190 8)
[ "${centre:-0}" -gt 3000 ] || fail "no notice in the middle (only $centre pixels changed when it closed)"
motor_cut_on_hub
missile_cut_at_start
motor_cut_at_start
echo "damaged files: ok"
