// The map view: the world map, the outlines of the known sceneries with the chosen one's map
// picture and place names, the missile systems and hostile launchers with their ranges and
// aim lines, the flying rockets and missiles, and the camera, on a pad the user pans by
// dragging and zooms with the wheel. A press copies the longitude and latitude under the
// pointer to the clipboard and chooses the scenery there.
//
// Geography is east longitude and north latitude in degrees. The view state outlives the
// window, so a reopened map keeps its zoom.
#pragma once

#include <cstdint>

#include "core/scenery_index.h"

struct map_title {
    float longitude = 0, latitude = 0;
    char name[40] = {};  // 39 characters and the end
};

struct map_object {
    int kind = 0;  // 1 missile system, 2 rocket launcher
    float longitude = 0, latitude = 0;
    int radius_m = 0;
    float aim_longitude = 0, aim_latitude = 0;
};

struct map_view_state {
    static constexpr int k_max_titles = 256;
    static constexpr int k_max_objects = 256;
    static constexpr float k_min_zoom = 1.0f;
    static constexpr float k_max_zoom = 1000000.0f;
    // The zoom a newly chosen scenery is shown at.
    static constexpr float k_scenery_zoom = 800.06396f;

    float zoom = 2.0f;
    float aspect = 1.0f;
    float lon0 = 0, lat0 = 0;  // the point at the pad's centre
    float xs = 0, ys = 0;      // GUI units per degree of longitude and of latitude
    float hw = 0, hh = 0;      // the pad's half width and half height
    float cx = 0, cy = 0;      // the pad's centre
    int selected = 0;          // 1-based index into the scenery index, 0 none
    bool dragging = false;
    float drag_lon0 = 0, drag_lat0 = 0, drag_px = 0, drag_py = 0;
    map_title titles[k_max_titles];
    int title_count = 0;
    map_object objects[k_max_objects];
    int object_count = 0;
};
extern map_view_state g_map_view;

// Reads "titles.txt" of a scenery: per line a longitude, a latitude and the place's name.
// Reading stops at the end, at a full table, or at the first line without the two numbers
// (with a log line naming the file; with skip_unreadable such lines are passed over
// instead); a trailing CR is dropped and names are cut to 39 characters. The count read.
int read_map_titles(const char* path, map_title* out, int capacity, bool skip_unreadable = false);

// The scenery whose bounds hold the point strictly: the narrowest one, the selected one
// counting as width 0; 1-based, 0 when none.
int choose_scenery(const scenery_index& index, float longitude, float latitude, int selected);

// The scale bar's length in km for f GUI units per km: the first of 2000, 1000, 500 ... 0.2
// km shorter than 0.4 units, else 0.1 km.
float map_scale_bar_km(float units_per_km);

// Units per degree from the zoom and the pad's full size.
void map_update_scales(map_view_state& s, float pad_width, float pad_height);

// GUI position of a longitude and a latitude.
float map_x(const map_view_state& s, float longitude);
float map_y(const map_view_state& s, float latitude);

// Drawing shared with the scenario map, inside the caller's clip planes and regular-font
// text batch: every scenery's bounds (the selected one with its map picture, outlined and
// named in yellow; the others filled faintly, outlined and named in white), and the
// longitude and latitude under the pad's marker at the pad's lower and left edges.
// Every name is kept inside the pad and clear of the boxes taken before it (the caller's scale
// bar, the coordinates, the names written before; view_place_label). The coordinates stand on
// a light ground, so their black reads on the dark sea as on a map picture; the longitude
// rises clear of what was taken before it. Draw the sceneries' pictures and outlines, the
// coordinates, then the names.
class gfx_texture;
class gui_rect;
struct view_labels;
void draw_map_sceneries(const map_view_state& s, gfx_texture* picture);
void draw_map_pointer_coordinates(const map_view_state& s, const gui_rect* pad, view_labels& taken);
void draw_map_scenery_names(const map_view_state& s, const gui_rect* pad, view_labels& taken);
// A place name written from its point (x, y) upwards and to the right, in the regular font
// unless another is given, moved inside the pad and clear of the names taken.
void draw_map_name(float x, float y, const char* name, std::uint32_t colour, const gui_rect* pad, view_labels& taken,
                   int font = 0);
