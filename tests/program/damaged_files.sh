#!/usr/bin/env bash
# Damaged files, as a disk or an editor leaves them: the sky's colour map emptied and the first
# situation ("Kestrel Bay Defence") cut in half. The sky takes its built-in colours with a log
# line naming the map; Run Scenario's Start names the situation in a notice and in the log and
# the menus stay (no run starts without its systems and launchers). OK closes the notice, and
# the program ends normally. Screenshots: damaged_files_notice.png, damaged_files_after.png.
# Then a motor cut short and loaded on the design hub at three window sizes (motor_cut_on_hub),
# and the design the program starts with naming a motor cut short (motor_cut_at_start).
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

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

# "motors\New Motor.txt", the motor of the design the program starts with ("New Missile"), given
# other values and cut 10 bytes after its "[NS]", and its warhead holding a NUL byte: the main
# menu names both files in a notice, a line each (and so does the log), OK closes it, and a
# Save of the design on the hub under the offered name "New Missile" leaves both files as they
# were, byte for byte, the missile file still naming them. In windows of 640 x 480, 1024 x 768
# and 1920 x 1080. Screenshots: damaged_files_start_<size>_{notice,menu,hub,save_box,saved}.png.
motor_cut_at_start() {
  local motor="motors/New Motor.txt" size width height centre at
  [ -f "$motor" ] || fail "no $motor in the run folder"
  sed -i -e 's/^[0-9.]*\t\[OTD\]/11.5\t[OTD]/' -e 's/^[0-9.]*\t\[LEN\]/90\t[LEN]/' \
    -e 's/^[0-9.]*\t\[PIG\]/140\t[PIG]/' "$motor"
  grep -q $'^11.5\t\\[OTD\\]' "$motor" || fail "the motor's [OTD] line was not changed"
  at=$(grep -b -o '\[NS\]' "$motor" | head -1 | cut -d: -f1)
  head -c $(( at + 4 + 10 )) "$motor" > cut.txt && mv cut.txt "$motor"
  cp "$motor" start_motor_cut.txt
  printf 'Warhead Definition File\r\n\r\n\0\r\n@\r\n' > "warheads/New Warhead.txt"
  cp "warheads/New Warhead.txt" start_warhead.txt
  # As the program writes it, the missile file's lines end in CR LF: so a Save shows.
  tr -d '\r' < "missiles/New Missile.txt" > start_missile.txt
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
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
quit_by_keys
INNER
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
    cmp -s "$motor" start_motor_cut.txt || fail "$size: the Save wrote over the cut motor file"
    cmp -s "warheads/New Warhead.txt" start_warhead.txt || fail "$size: the Save wrote over the warhead file"
    grep -q $'^New Motor\t\\[motor_name\\]' "missiles/New Missile.txt" \
      && grep -q $'^New Warhead\t\\[warhead_name\\]' "missiles/New Missile.txt" \
      || fail "$size: the saved missile no longer names its parts: $(cat "missiles/New Missile.txt")"
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
motor_cut_at_start
echo "damaged files: ok"
