// The scenario design screen: a zoomable world map with the installed sceneries on which the
// user picks a scenery, places missile systems and hostile rocket launchers at the map's
// marker, drags each launcher's aim point to where its rockets shall fall, saves and loads
// the scenario and runs it.
//
// Everything but the window's elements lasts as long as the program: the placed objects, the
// scenario's name, the map's centre and zoom. The map is the map view's geometry (the same
// pad, scales, place names and scenery drawing): the centre (lon0, lat0) in degrees, the
// scales xs and ys in GUI units per degree, the pad's centre and half sizes, the selected
// scenery (1-based, 0 none) and the scenery's place names as its titles.
#pragma once

#include "design/scenario_file.h"
#include "ui/gui_window.h"
#include "ui/map_view.h"

namespace design {

using scenario_map_view = map_view_state;
using scenery_label = map_title;

// Running bounds of the points a view is fitted to.
struct scenario_bounds {
    int count = 0;
    float sum_east = 0, sum_north = 0;
    float min_east = 0, min_north = 0, max_east = 0, max_north = 0;
    float mean_east = 0, mean_north = 0;
};
void scenario_bounds_reset(scenario_bounds& b);
void scenario_bounds_add(scenario_bounds& b, float east, float north);

// The screen's lasting state.
struct scenario_design_state {
    scenario_table table;
    int selected_object = 0;  // 1-based, 0 none
    int selected_aim = 0;     // 1-based, 0 none
    char name[k_scenario_name_chars] = "New Scenario";
    scenario_map_view view;
    // The geographic point of the last press on the map, and the centre and marker then.
    float click_east = 0, click_north = 0;
    float press_lon0 = 0, press_lat0 = 0, press_offset_x = 0, press_offset_y = 0;
};
scenario_design_state& scenario_design();

// Geographic to GUI, and the map marker's offset (from the pad's lower left) to geographic.
float scenario_gui_x(const scenario_map_view& v, float east);
float scenario_gui_y(const scenario_map_view& v, float north);
void scenario_point_at(const scenario_map_view& v, float offset_x, float offset_y, float* east,
                       float* north);

// The scale bar's length in km: from the east scale alone, as a degree east measures on the
// equator, at every latitude.
float scenario_scale_bar_km(const scenario_map_view& v);

}  // namespace design
