// The in-run "Tools" menu: its entries open the views on the menu bar's owner, or bring an
// open one to the front.
#include "ui/run_screens.h"
#include "ui/screens.h"

int tools_menu(gui_window* w, int event) {
    if (event != gui_event::click) return 0;
    gui_window* owner = menu_owner(w);
    switch (pressed_menu_item(w)) {
        case 1: owner->open_dialog(telescope_view_dialog); break;
        case 2: owner->open_dialog(radar_view_dialog); break;
        case 3: owner->open_dialog(map_view_dialog); break;
        case 4: owner->open_dialog(flight_graph_dialog); break;
        default: break;
    }
    return 0;
}
