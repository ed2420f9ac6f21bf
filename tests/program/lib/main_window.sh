# Sourced by scripts that run on a display: main_window prints the id of the program's
# visible main window, or nothing while there is none. The loading picture is a window
# titled "Ventrask" too (350 x 280): the main window is the wider one.
main_window() {
  local w width
  for w in $(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | sed -n 's/^WIDTH=//p')
    [ "${width:-0}" -gt 350 ] && { echo "$w"; return; }
  done
}
