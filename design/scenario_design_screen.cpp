#include "design/scenario_design_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "design/design_files.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/definition_reader.h"
#include "ui/d3d_font.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/message_box.h"
#include "ui/overlay2d.h"
#include "ui/view_drawing.h"
#include "world/terrain.h"

namespace design {

namespace {

// Private words of the window beyond the common ones (element or child indices).
enum : int {
    k_scenery_list = slot::first_free,
    k_system_list,
    k_radius_field,
    k_add_system,
    k_rockets_field,
    k_reload_field,
    k_add_launcher,
    k_properties,
    k_delete_selected,
    k_delete_all,
    k_scenery_picture,
    k_world_picture,
    k_map,
    k_run,
};

// The screen's own events.
enum : int { k_load_scenery = 15, k_scenery_at_centre = 16, k_system_chosen = 17 };
constexpr part_files k_files = {"Save Scenario", "Please input name of scenario to save", "Load Scenario",
                                "Please select scenario to load", "scenarios\\*.txt"};

constexpr int IDR_RUN_BUTTON = 422;
// The map's right edge and the side panel's left edges (the panel's and its items'), in units
// of the smaller GUI scale: the panel is wide enough for its texts in a 640 x 480 window.
constexpr float k_map_right = 0.58f;
// The header over the map's top left corner: the shaded box's right edge and its lines' left
// edge (in M), and the room kept right of its widest line (GUI units).
constexpr float k_header_right = -0.35f;
constexpr float k_header_text_left = -0.95f;
constexpr float k_header_margin = 0.03f;
constexpr std::uint32_t k_label_ground = 0x80000000u;  // half-transparent black
// At most this far (GUI units, across) right of an object its name starts, past its disc.
constexpr float k_name_offset = 0.06f;
constexpr float k_side_left = 0.6f;
constexpr float k_item_left = 0.62f;
constexpr float k_metres_per_degree = 111120.0f;
constexpr float k_degrees_per_km = 1000.0f / k_metres_per_degree;
constexpr float k_min_zoom = 1.0f;
constexpr float k_max_zoom = 1000000.0f;
// A press picks an object this close to it (degrees), an aim point within this box (GUI units).
constexpr float k_pick_degrees = 0.02f;
constexpr float k_aim_half_width = 0.02f, k_aim_half_height = 0.025f;
// A fitted view never zooms in further than on a spread of this many degrees.
constexpr float k_min_extent = 0.01f;
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_black = 0xFF000000u;
constexpr std::uint32_t k_yellow = 0xFFFFFF00u;

scenario_design_state& state() {
    static scenario_design_state s = [] {
        scenario_design_state init;
        init.view.lon0 = 0.0001f;
        init.view.lat0 = 0.0001f;
        init.view.zoom = 2.0f;
        return init;
    }();
    return s;
}

// ---------------------------------------------------------------- look-ups

scenario_object* selected_object() {
    scenario_design_state& s = state();
    if (s.selected_object < 1 || s.selected_object > s.table.count) return nullptr;
    return &s.table.objects[s.selected_object - 1];
}

scenario_object* selected_aim() {
    scenario_design_state& s = state();
    if (s.selected_aim < 1 || s.selected_aim > s.table.count) return nullptr;
    return &s.table.objects[s.selected_aim - 1];
}

const scenery_index* sceneries() { return g_state != nullptr ? &g_state->sceneries : nullptr; }

const scenery_index_entry* scenery(int selected) {
    const scenery_index* index = sceneries();
    if (index == nullptr || selected < 1 || selected > std::min(index->count, scenery_index::k_max_entries)) {
        return nullptr;
    }
    return &index->entries[selected - 1];
}

gui_rect* map_pad(const gui_window* w) { return rect_at(w, k_map); }

int field_value(const gui_window* w, int word) {
    const gui_rect* r = rect_at(w, word);
    return r != nullptr && r->has_text() ? std::atoi(r->text.get()) : 0;
}

void set_field(gui_window* w, int word, int value) {
    gui_rect* r = rect_at(w, word);
    if (r != nullptr) r->set_text(format_string("%d", value).c_str());
}

void set_properties(gui_window* w, const std::string& text) {
    gui_rect* r = rect_at(w, k_properties);
    if (r != nullptr) r->set_text(text.c_str());
}

// The selected system type, none without a selection.
const char* chosen_system(const gui_window* w) {
    const gui_window* list = child_at(w, k_system_list);
    if (list == nullptr || list->list_selected_index() < 0) return nullptr;
    return list->list_selected_text();
}

std::string object_text(const scenario_object& o) {
    if (o.type == scenario_type::launcher) {
        return format_string("%s\n%d Rockets Total\n%d Seconds to reload", o.name, o.rockets, o.reload);
    }
    return format_string("%s\nMissile System\nRadius %d (m)", o.name, o.radius);
}

std::string aim_text(const scenario_object& o) {
    const float bearing = scenario_bearing(o.east, o.north, o.aim_east, o.aim_north) * 57.29578f;
    const int degrees = static_cast<int>(std::fmod(bearing + 360.0f, 360.0f));
    const float km = scenario_range(o.east, o.north, o.aim_east, o.aim_north) / 1000.0f;
    return format_string("Bearing %d deg\nRange %4.2f km", degrees, static_cast<double>(km));
}

// The situation writer names what the scenario placed.
void update_design_lists() {
    if (g_scene == nullptr) return;
    scenario_design_lists& lists = g_scene->scenario_design;
    lists.clear();
    const scenario_table& t = state().table;
    for (int i = 0; i < t.count; ++i) {
        if (t.objects[i].type == scenario_type::system) {
            lists.add_system(t.objects[i].name);
        } else {
            ++lists.launcher_count;
        }
    }
}

void clear_selection(gui_window* w) {
    state().selected_object = 0;
    state().selected_aim = 0;
    set_properties(w, "");
}

// ---------------------------------------------------------------- the map's geometry

void update_scales(scenario_map_view& v) { map_update_scales(v, 2 * v.hw, 2 * v.hh); }

void centre_marker(gui_window* w) {
    gui_rect* pad = map_pad(w);
    if (pad == nullptr) return;
    pad->offset_x = state().view.hw;
    pad->offset_y = state().view.hh;
}

void marker_point(const gui_window* w, float* east, float* north) {
    const gui_rect* pad = map_pad(w);
    const scenario_map_view& v = state().view;
    scenario_point_at(v, pad != nullptr ? pad->offset_x : v.hw, pad != nullptr ? pad->offset_y : v.hh, east, north);
}

// ---------------------------------------------------------------- sceneries

void select_scenery_in_list(gui_window* w, int selected) {
    gui_window* list = child_at(w, k_scenery_list);
    const scenery_index_entry* e = scenery(selected);
    if (list == nullptr) return;
    if (e == nullptr) {
        list->pressed = list->selected = 0;
    } else {
        list->list_select_text(e->folder);
    }
}

// The chosen scenery's list entry, map picture and place names.
void load_scenery(gui_window* w) {
    scenario_map_view& v = state().view;
    v.title_count = 0;
    const scenery_index_entry* e = scenery(v.selected);
    if (e == nullptr) return;
    select_scenery_in_list(w, v.selected);
    char path[160];
    format_text(path, "scenery\\%s\\map.jpg", e->folder);
    // A scenery never flown in has no map picture yet: it is derived from its elevations here.
    if (!fs_exists(path)) make_scenery_map_pictures(e->folder);
    if (gui_rect* holder = rect_at(w, k_scenery_picture)) reload_texture_file(path, &holder->image_texture);
    format_text(path, "scenery\\%s\\titles.txt", e->folder);
    v.title_count = read_map_titles(path, v.titles, map_view_state::k_max_titles, true);
}

// Event 15: a scenery was chosen; its height fills the map.
void show_scenery(gui_window* w) {
    scenario_map_view& v = state().view;
    const scenery_index_entry* e = scenery(v.selected);
    if (e == nullptr) return;
    load_scenery(w);
    v.lon0 = (e->left_map_x + e->right_map_x) / 2;
    v.lat0 = (e->lower_map_y + e->upper_map_y) / 2;
    centre_marker(w);
    const float extent = std::fabs(e->upper_map_y - e->lower_map_y);
    v.zoom = std::clamp(360.0f / std::max(1.0f, extent), k_min_zoom, k_max_zoom);
    update_scales(v);
}

// Event 16: the scenery under the centre.
void scenery_at_centre(gui_window* w) {
    scenario_map_view& v = state().view;
    const scenery_index* index = sceneries();
    const int choice = index != nullptr ? choose_scenery(*index, v.lon0, v.lat0, v.selected) : 0;
    if (choice != 0 && choice != v.selected) {
        v.selected = choice;
        w->send(k_load_scenery);
    }
}

// Centre on the mean of all positions and aim points, zoomed so their spread fits.
void fit_to_objects(gui_window* w) {
    scenario_design_state& s = state();
    if (s.table.count <= 0) return;
    scenario_bounds b;
    scenario_bounds_reset(b);
    for (int i = 0; i < s.table.count; ++i) {
        const scenario_object& o = s.table.objects[i];
        scenario_bounds_add(b, o.east, o.north);
        scenario_bounds_add(b, o.aim_east, o.aim_north);
    }
    s.view.lon0 = b.mean_east;
    s.view.lat0 = b.mean_north;
    w->send(k_scenery_at_centre);
    s.view.lon0 = b.mean_east;
    s.view.lat0 = b.mean_north;
    const float extent = std::max({b.max_north - b.min_north, b.max_east - b.min_east, k_min_extent});
    s.view.zoom = std::clamp(180.0f / extent, k_min_zoom, k_max_zoom);
    update_scales(s.view);
}

// ---------------------------------------------------------------- building

void fill_system_list(gui_window* list) {
    for (const dir_entry& e : fs_list("systems\\*.txt")) {
        if (e.name.size() < 3) continue;
        const std::string name = e.name.substr(0, e.name.find('.'));
        if (name.size() >= static_cast<std::size_t>(k_scenario_name_chars)) {
            log_line_once("systems\\%s: a name longer than %d characters is not listed", e.name.c_str(),
                          k_scenario_name_chars - 1);
            continue;
        }
        list->list_add_item(name.c_str());
    }
    list->list_select(0);
}

// The side panel: its texts take the medium font, a smaller one when they are too wide for
// their boxes (a 640 x 480 window's).
gui_rect* add_side_text(gui_window* w, const units& u, float a, float b, float c, float d, int kind,
                        const char* text) {
    gui_rect* r = add_box(w, u, a, b, c, d, kind);
    r->medium_font = 1;
    r->fit_text = kind != rect_kind::edit_field;
    if (kind == rect_kind::label) {
        r->centred = 0;
        r->left_text = 1;
    }
    r->set_text(text);
    return r;
}

gui_rect* add_bold_button(gui_window* w, const units& u, float a, float b, float c, float d, const char* text) {
    gui_rect* r = add_side_text(w, u, a, b, c, d, rect_kind::button, text);
    r->bold = 1;
    return r;
}

gui_rect* add_field(gui_window* w, const units& u, float a, float b, float c, float d, const char* text) {
    return add_side_text(w, u, a, b, c, d, rect_kind::edit_field, text);
}

gui_window* add_list(gui_window* w, const units& u, float a, float b, float c, float d) {
    gui_window* list = w->add_window();
    list->create(a * u.m, b * u.h, c * u.m, d * u.h, window_kind::list_box);
    return list;
}

void build_layout(gui_window* w, const units& u) {
    add_box(w, u, k_side_left, -0.95f, 0.98f, 0.95f, rect_kind::body);
    add_side_text(w, u, k_item_left, 0.87f, 0.96f, 0.92f, rect_kind::caption, "Select Scenery");
    gui_window* scenery_list = add_list(w, u, k_item_left, 0.67f, 0.96f, 0.87f);
    w->private_state[k_scenery_list].i = w->index_of(scenery_list);
    add_side_text(w, u, k_item_left, 0.57f, 0.96f, 0.63f, rect_kind::caption, "Select System");
    gui_window* system_list = add_list(w, u, k_item_left, 0.37f, 0.96f, 0.57f);
    w->private_state[k_system_list].i = w->index_of(system_list);
    add_side_text(w, u, k_item_left, 0.29f, 0.86f, 0.35f, rect_kind::label, "Radius (m)");
    remember_rect(w, k_radius_field, add_field(w, u, 0.86f, 0.29f, 0.96f, 0.35f, "1000"));
    remember_rect(w, k_add_system, add_bold_button(w, u, k_item_left, 0.21f, 0.96f, 0.27f, "Add Missile System"));
    add_side_text(w, u, k_item_left, 0.13f, 0.9f, 0.19f, rect_kind::label, "Rockets count");
    remember_rect(w, k_rockets_field, add_field(w, u, 0.9f, 0.13f, 0.96f, 0.19f, "12"));
    add_side_text(w, u, k_item_left, 0.05f, 0.9f, 0.11f, rect_kind::label, "Reload time (sec)");
    remember_rect(w, k_reload_field, add_field(w, u, 0.9f, 0.05f, 0.96f, 0.11f, "30"));
    remember_rect(w, k_add_launcher,
                  add_bold_button(w, u, k_item_left, -0.05f, 0.96f, 0.03f, "Add Rocket Launcher"));
    gui_rect* properties = add_side_text(w, u, k_item_left, -0.19f, 0.96f, -0.07f, rect_kind::drop_down_field,
                                         "Properties of the\nselected object.");
    remember_rect(w, k_properties, properties);
    remember_rect(w, k_delete_selected, add_bold_button(w, u, k_item_left, -0.29f, 0.96f, -0.21f, "Delete Selected"));
    remember_rect(w, k_delete_all, add_bold_button(w, u, k_item_left, -0.39f, 0.96f, -0.31f, "Delete All"));
    remember_rect(w, slot::load, add_picture_button(w, u, 0.74f, -0.6f, 0.94f, -0.46f, IDR_LOAD_BUTTON, "Load"));
    remember_rect(w, slot::save, add_picture_button(w, u, 0.74f, -0.76f, 0.94f, -0.62f, IDR_SAVE_BUTTON, "Save"));
    remember_rect(w, slot::close,
                  add_picture_button(w, u, 0.74f, -0.92f, 0.94f, -0.78f, IDR_CLOSE_BUTTON, "Close"));
    for (int word : {k_scenery_picture, k_world_picture}) {
        gui_rect* holder = w->add_rect(1e6f, 1e6f, 1e6f, 1e6f, rect_kind::image);
        holder->visible = 0;
        remember_rect(w, word, holder);
    }
    remember_rect(w, k_map, add_box(w, u, -0.97f, -0.95f, k_map_right, 0.95f, rect_kind::position_pad));
    gui_rect* run = add_picture_button(w, u, k_map_right - 0.28f, -0.95f, k_map_right, -0.8f, IDR_RUN_BUTTON, "Run Scenario");
    run->over_custom = 1;  // drawn after the map, which would cover it
    remember_rect(w, k_run, run);

    const scenery_index* index = sceneries();
    for (int i = 0; index != nullptr && i < std::min(index->count, scenery_index::k_max_entries); ++i) {
        scenery_list->list_add_item(index->entries[i].folder);
    }
    fill_system_list(system_list);
}

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    for (auto& word : w->private_state) word.i = -1;
    const units u = layout_units();
    w->create(-u.m, -u.h, u.m, u.h, window_kind::panel);
    if (gui_rect* body = w->rect(0)) {
        body->framed = 0;
        body->bevelled = 0;
        body->point_sampled = 1;
        ui_load_resource_texture(IDR_DESIGN_BACKGROUND, &body->image_texture, false);
        remember_rect(w, slot::body, body);
    }
    build_layout(w, u);
    if (gui_rect* world = rect_at(w, k_world_picture); world != nullptr && g_app != nullptr) {
        g_app->load_texture_file("graphics\\world_map.jpg", &world->image_texture);
    }

    scenario_design_state& s = state();
    const gui_rect* pad = map_pad(w);
    s.view.hw = (pad->x2 - pad->x1) / 2;
    s.view.hh = (pad->y2 - pad->y1) / 2;
    s.view.cx = (pad->x1 + pad->x2) / 2;
    s.view.cy = (pad->y1 + pad->y2) / 2;
    s.view.aspect = s.view.hw / s.view.hh;
    s.view.selected = 0;
    s.view.title_count = 0;
    s.selected_object = 0;
    s.selected_aim = 0;
    centre_marker(w);
    update_scales(s.view);
    fit_to_objects(w);
    update_design_lists();
    w->wants_draw = 1;
    w->wants_tick = 1;
}

// ---------------------------------------------------------------- pointer

void pick_at_click(gui_window* w) {
    scenario_design_state& s = state();
    set_properties(w, "");
    s.selected_object = 0;
    for (int i = 0; i < s.table.count; ++i) {
        const scenario_object& o = s.table.objects[i];
        if (std::fabs(o.east - s.click_east) > k_pick_degrees || std::fabs(o.north - s.click_north) > k_pick_degrees) {
            continue;
        }
        s.selected_object = i + 1;
        set_properties(w, object_text(o));
        if (o.type == scenario_type::system) {
            if (gui_window* list = child_at(w, k_system_list)) list->list_select_text(o.name);
        }
        set_field(w, k_rockets_field, o.rockets);
        set_field(w, k_reload_field, o.reload);
        set_field(w, k_radius_field, o.radius);
        break;
    }
    s.selected_aim = 0;
    if (s.view.xs == 0 || s.view.ys == 0) return;
    for (int i = 0; i < s.table.count; ++i) {
        const scenario_object& o = s.table.objects[i];
        if (std::fabs(o.aim_east - s.click_east) > k_aim_half_width / s.view.xs ||
            std::fabs(o.aim_north - s.click_north) > k_aim_half_height / s.view.ys) {
            continue;
        }
        s.selected_aim = i + 1;
        set_properties(w, aim_text(o));
        break;
    }
}

void on_press(gui_window* w) {
    gui_rect* pad = map_pad(w);
    if (pad == nullptr || w->pressed_rect() != pad) return;
    scenario_design_state& s = state();
    marker_point(w, &s.click_east, &s.click_north);
    const bool double_click = g_scene != nullptr && g_scene->pointer.double_click != 0;
    const scenery_index* index = sceneries();
    const int keep = double_click ? 0 : s.view.selected;
    const int choice = index != nullptr ? choose_scenery(*index, s.click_east, s.click_north, keep) : 0;
    if (choice == 0) {
        s.view.selected = 0;
        s.view.title_count = 0;
        select_scenery_in_list(w, 0);
    } else if (choice != s.view.selected) {
        s.view.selected = choice;
        load_scenery(w);
    }
    // Objects and aim points are grabbed wherever they are, inside a scenery or beside it.
    pick_at_click(w);
    s.press_lon0 = s.view.lon0;
    s.press_lat0 = s.view.lat0;
    s.press_offset_x = pad->offset_x;
    s.press_offset_y = pad->offset_y;
}

void on_drag(gui_window* w) {
    const gui_rect* pad = map_pad(w);
    scenario_design_state& s = state();
    if (pad == nullptr || w->pressed_rect() != pad || s.view.xs == 0 || s.view.ys == 0) return;
    const float d_east = (pad->offset_x - s.press_offset_x) / s.view.xs;
    const float d_north = (pad->offset_y - s.press_offset_y) / s.view.ys;
    if (scenario_object* aim = selected_aim()) {
        aim->aim_east = s.click_east + d_east;
        aim->aim_north = s.click_north + d_north;
        set_properties(w, aim_text(*aim));
    } else if (scenario_object* o = selected_object()) {
        o->east = s.click_east + d_east;
        o->north = s.click_north + d_north;
    } else {
        s.view.lon0 = s.press_lon0 - d_east;
        s.view.lat0 = s.press_lat0 - d_north;
    }
}

void on_wheel(gui_window* w, bool up) {
    scenario_map_view& v = state().view;
    marker_point(w, &v.lon0, &v.lat0);
    v.zoom = up ? std::min(v.zoom * 1.25f, k_max_zoom) : std::max(v.zoom * 0.75f, k_min_zoom);
    update_scales(v);
    centre_marker(w);
}

// ---------------------------------------------------------------- buttons

void add_object(gui_window* w, int type) {
    scenario_design_state& s = state();
    if (s.table.count >= k_max_scenario_objects) return;
    const char* system_name = chosen_system(w);
    if (type == scenario_type::system && system_name == nullptr) return;
    scenario_object o;
    o.type = type;
    copy_text(o.name, type == scenario_type::system ? system_name : "Rocket Launcher");
    marker_point(w, &o.east, &o.north);
    o.aim_east = o.east + 0.05f;
    o.aim_north = o.north + 0.05f;
    o.rockets = field_value(w, k_rockets_field);
    o.reload = field_value(w, k_reload_field);
    o.radius = type == scenario_type::system ? field_value(w, k_radius_field) : 1000;
    s.table.objects[s.table.count++] = o;
    s.selected_object = s.table.count;
    s.selected_aim = 0;
    set_properties(w, object_text(o));
    update_design_lists();
}

void delete_selected(gui_window* w) {
    scenario_design_state& s = state();
    if (selected_object() == nullptr) return;
    const int at = s.selected_object - 1;
    std::copy(s.table.objects + at + 1, s.table.objects + s.table.count, s.table.objects + at);
    --s.table.count;
    clear_selection(w);
    update_design_lists();
}

void delete_all(gui_window* w) {
    state().table.count = 0;
    clear_selection(w);
    update_design_lists();
}

void run_scenario(gui_window* w) {
    const scenario_design_state& s = state();
    int launchers = 0, systems = 0;
    for (int i = 0; i < s.table.count; ++i) {
        (s.table.objects[i].type == scenario_type::system ? systems : launchers) += 1;
    }
    if (scenery(s.view.selected) == nullptr || systems == 0 || launchers == 0) {
        w->message_box(w, "Scenario cannot run",
                       "You need to select a scenery and add\nat least one launcher and one system\nin order to "
                       "run the scenario.",
                       message_box_type::notice, 0, "");
        return;
    }
    ui_play_sound_slot(1, 0);
    // A run file that could not be written whole would start whatever run was there before.
    std::string error;
    if (!write_scenario_run_file(s.table, current_weather(), &error)) {
        w->message_box(w, "Scenario cannot run", format_string("Could not write %s", k_run_file).c_str(),
                       message_box_type::notice, 0, "");
        return;
    }
    leave_menu_for_run();
    if (g_scene != nullptr) g_scene->read_situation(k_run_file);
}

void on_click(gui_window* w) {
    if (ask_on_save_or_load(w, k_files, state().name)) return;
    if (pressed_is(w, slot::close)) {
        for (int word : {k_scenery_picture, k_world_picture}) {
            if (gui_rect* holder = rect_at(w, word)) holder->image_texture.reset();
        }
        ui_play_sound_slot(0, 0);
        pending_command = 2;
    } else if (pressed_is(w, k_add_launcher)) {
        add_object(w, scenario_type::launcher);
    } else if (pressed_is(w, k_add_system)) {
        add_object(w, scenario_type::system);
    } else if (pressed_is(w, k_delete_selected)) {
        delete_selected(w);
    } else if (pressed_is(w, k_delete_all)) {
        delete_all(w);
    } else if (pressed_is(w, k_run)) {
        run_scenario(w);
    }
}

void on_enter(gui_window* w) {
    scenario_object* o = selected_object();
    if (o == nullptr) return;
    o->rockets = field_value(w, k_rockets_field);
    o->reload = field_value(w, k_reload_field);
    o->radius = field_value(w, k_radius_field);
    if (o->type == scenario_type::system) {
        if (const char* name = chosen_system(w)) copy_text(o->name, name);
    }
    set_properties(w, object_text(*o));
    update_design_lists();
}

void on_answer(gui_window* w) {
    const int request = answered_request(w);
    if (request == 0) return;
    char name[sizeof g_message_box.answer];
    copy_text(name, g_message_box.answer);
    ui_play_sound_slot(0, 0);
    if (!check_design_name(w, name)) return;
    scenario_design_state& s = state();
    const std::string path = format_string("scenarios\\%s.txt", name);
    if (request == part_request::save) {
        if (!write_scenario_file(path.c_str(), s.table, nullptr)) return notify_failure(w, "save", path.c_str());
        copy_text(s.name, name);
        return;
    }
    if (!read_scenario_file(path.c_str(), &s.table)) return notify_failure(w, "load", path.c_str());
    copy_text(s.name, name);
    clear_selection(w);
    update_design_lists();
    fit_to_objects(w);
}

void on_committed(gui_window* w) {
    const gui_window* child = w->current_child();
    if (child == nullptr) return;
    if (child == child_at(w, k_scenery_list)) {
        const int index = child->list_selected_index();
        if (index < 0) return;
        state().view.selected = index + 1;
        w->send(k_load_scenery);
    } else if (child == child_at(w, k_system_list)) {
        w->send(k_system_chosen);
    }
}

// Event 17: the chosen system's protected radius (from its control unit) into the field.
void system_chosen(gui_window* w) {
    const char* name = chosen_system(w);
    if (name == nullptr) return;
    char control[design_name_size] = {};
    definition_reader system_file;
    if (system_file.open(format_string("systems\\%s.txt", name))) {
        while (system_file.next_line()) {
            if (system_file.has("[radar_name]")) system_file.name(control);
        }
    }
    definition_reader control_file;
    if (control[0] != '\0' && control_file.open(format_string("controls\\%s.txt", control))) {
        float km = -1;
        while (control_file.next_line()) {
            if (control_file.has("[protected_radius]")) km = control_file.real(km);
        }
        if (km >= 0) set_field(w, k_radius_field, static_cast<int>(std::min(std::max(km, 1.0f), 1000.0f) * 1000.0f));
    }
    scenario_object* o = selected_object();
    if (o == nullptr || o->type != scenario_type::system) return;
    copy_text(o->name, name);
    o->radius = field_value(w, k_radius_field);
    set_properties(w, object_text(*o));
    update_design_lists();
}

// ---------------------------------------------------------------- drawing

bool near_centre(const scenario_map_view& v, float east, float north) {
    const float reach = v.xs != 0 ? v.hw / v.xs : 0.0f;
    return std::fabs(east - v.lon0) < reach && std::fabs(north - v.lat0) < reach;
}

void draw_objects(const scenario_map_view& v, const gui_rect* pad, view_labels& taken) {
    const scenario_design_state& s = state();
    for (int i = 0; i < s.table.count; ++i) {
        const scenario_object& o = s.table.objects[i];
        if (!near_centre(v, o.east, o.north)) continue;
        const bool launcher = o.type == scenario_type::launcher;
        const float x = map_x(v, o.east), y = map_y(v, o.north);
        const float r = static_cast<float>(o.radius) / k_metres_per_degree * v.ys;
        g_overlay->fill_arc(x, y, r, launcher ? 0x80FFFF00u : 0x8000FF00u, 18.0f, 0.0f, 0.75f);
        // The name starts beside its disc, level with the object: written from the object's
        // point it began under the disc. A disc grown larger than a name's offset keeps the
        // name near the point, over the disc's faint fill.
        const float beside = x + 0.75f * std::min(r, k_name_offset) + 0.01f;
        draw_map_name(beside, y - 0.5f * view_text_size(o.name, FONT_BOLD_TEXT).y, o.name,
                      launcher ? 0xFFFFC000u : 0xFFC0FF00u, pad, taken, FONT_BOLD_TEXT);
        if (i + 1 == s.selected_object) g_overlay->draw_arc(x, y, r, k_black, 18.0f, 0.0f, 0.75f);
    }
    for (int i = 0; i < s.table.count; ++i) {
        const scenario_object& o = s.table.objects[i];
        const float ax = map_x(v, o.aim_east), ay = map_y(v, o.aim_north);
        g_overlay->draw_line(map_x(v, o.east), map_y(v, o.north), ax, ay, k_black);
        if (i + 1 == s.selected_aim) {
            g_overlay->fill_rect(ax - 0.01f, ay - 0.015f, ax + 0.01f, ay + 0.015f, 0xFFFF0000u);
        } else {
            g_overlay->draw_rect(ax - 0.01f, ay - 0.015f, ax + 0.01f, ay + 0.015f, k_yellow);
        }
    }
}

// The scale bar's box, from the map's lower left corner rightwards.
view_box scale_bar_box(const scenario_map_view& v, const units& u) {
    const float k = v.xs * k_degrees_per_km;
    return {-0.95f * u.m, -0.94f * u.h, k * scenario_scale_bar_km(v) - 0.95f * u.m, -0.9f * u.h};
}

void draw_scale_bar(const scenario_map_view& v, const units& u) {
    const float km = scenario_scale_bar_km(v);
    const view_box bar = scale_bar_box(v, u);
    const float x1 = bar.x1, y1 = bar.y1, x2 = bar.x2, y2 = bar.y2;
    // The white label sits on the light band at the map's foot as often as on the sea: a
    // translucent dark ground under it keeps it readable on either.
    g_overlay->fill_rect(x1, y1, x2, y2, k_label_ground);
    g_overlay->draw_rect(x1, y1, x2, y2, k_white);
    g_overlay->begin_text(FONT_NORMAL);
    const std::string label = km >= 1.0f ? format_string("%d km", static_cast<int>(km))
                                         : format_string("%3.1f km", static_cast<double>(km));
    g_overlay->draw_text_font_box(x1, y1, x2, y2, label.c_str(), k_white, 1.0f, 1.0f, FONT_NORMAL, TEXT_CENTER);
    g_overlay->end_text(FONT_NORMAL);
}

// The header box's right edge: its own one, moved right as far as its widest line needs (the
// lines are wider than the box at most window sizes), up to the map's right edge.
float header_right(const units& u, const char* const* lines, int count) {
    float right = k_header_right * u.m;
    for (int i = 0; i < count; ++i) {
        float size[2] = {0, 0};
        if (gui_text_size(current_painter(), gui_font::bold, lines[i], size)) {
            right = std::max(right, k_header_text_left * u.m + size[0] + k_header_margin);
        }
    }
    return std::min(right, k_map_right * u.m);
}

void draw_header(const units& u) {
    const std::string title = format_string("Scenerio Name - %s", state().name);
    const char* lines[] = {title.c_str(), "Use mouse to drag objects, mouse wheel to zoom.",
                           "Position the cursor, then press add launcher or system.",
                           "Drag aim point of rockets to where you want then to hit."};
    const float right = header_right(u, lines, 4);
    g_overlay->fill_rect(-0.97f * u.m, 0.7f * u.h, right, 0.95f * u.h, 0x800080C0u);
    for (int i = 0; i < 4; ++i) {
        const float top = (i == 0 ? 0.95f : 0.88f - 0.05f * static_cast<float>(i - 1)) * u.h;
        g_overlay->draw_text_in_box(k_header_text_left * u.m, top - 0.05f * u.h, right, top, lines[i], 1, 1, 1, 1,
                                    true, 0);
    }
}

void on_draw(gui_window* w) {
    const gui_rect* pad = map_pad(w);
    if (g_overlay == nullptr || pad == nullptr) return;
    const scenario_map_view& v = state().view;
    const units u = layout_units();
    g_overlay->set_clip_planes(pad->x1, pad->y1, pad->x2, pad->y2);
    if (const gui_rect* world = rect_at(w, k_world_picture); world != nullptr && world->image_texture) {
        draw_texture_rect(map_x(v, -180), map_y(v, -90), map_x(v, 180), map_y(v, 90), window_draw_white,
                          world->image_texture.get());
    }
    const gui_rect* picture = rect_at(w, k_scenery_picture);
    g_overlay->begin_text(FONT_NORMAL);
    draw_map_sceneries(v, picture != nullptr ? picture->image_texture.get() : nullptr);
    // What was written so far (the scale bar's box too): each next text keeps clear of it.
    view_labels taken;
    taken.add(scale_bar_box(v, u));
    draw_map_pointer_coordinates(v, pad, taken);
    // The objects' names before the place names: they stay beside their discs, and a place
    // name in the way moves instead.
    g_overlay->begin_text(FONT_BOLD_TEXT);
    draw_objects(v, pad, taken);
    draw_map_scenery_names(v, pad, taken);
    for (int i = 0; i < v.title_count; ++i) {
        const scenery_label& l = v.titles[i];
        if (near_centre(v, l.longitude, l.latitude)) {
            draw_map_name(map_x(v, l.longitude), map_y(v, l.latitude), l.name, k_white, pad, taken);
        }
    }
    g_overlay->end_text(FONT_BOLD_TEXT);
    g_overlay->end_text(FONT_NORMAL);
    draw_scale_bar(v, u);
    g_overlay->disable_clip_planes();
    draw_header(u);
}

}  // namespace

scenario_design_state& scenario_design() { return state(); }

void scenario_bounds_reset(scenario_bounds& b) {
    b = scenario_bounds{};
    b.min_east = b.min_north = 1000000.0f;
    b.max_east = b.max_north = -1000000.0f;
}

void scenario_bounds_add(scenario_bounds& b, float east, float north) {
    ++b.count;
    b.sum_east += east;
    b.sum_north += north;
    b.min_east = std::min(b.min_east, east);
    b.min_north = std::min(b.min_north, north);
    b.max_east = std::max(b.max_east, east);
    b.max_north = std::max(b.max_north, north);
    b.mean_east = b.sum_east / static_cast<float>(b.count);
    b.mean_north = b.sum_north / static_cast<float>(b.count);
}

float scenario_gui_x(const scenario_map_view& v, float east) { return map_x(v, east); }
float scenario_gui_y(const scenario_map_view& v, float north) { return map_y(v, north); }

void scenario_point_at(const scenario_map_view& v, float offset_x, float offset_y, float* east, float* north) {
    *east = v.xs != 0 ? (offset_x - v.hw) / v.xs + v.lon0 : v.lon0;
    *north = v.ys != 0 ? (offset_y - v.hh) / v.ys + v.lat0 : v.lat0;
}

float scenario_scale_bar_km(const scenario_map_view& v) {
    const float k = v.xs * k_degrees_per_km;
    static constexpr float k_steps[] = {5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 4, 3, 2, 1, 0.5f, 0.2f};
    for (float step : k_steps) {
        if (k * step < 0.6f) return step;
    }
    return 0.1f;
}

int scenario_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: on_press(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::drag: on_drag(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::enter: on_enter(w); break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::child_committed: on_committed(w); break;
        case gui_event::wheel_up: on_wheel(w, true); break;
        case gui_event::wheel_down: on_wheel(w, false); break;
        case k_load_scenery: show_scenery(w); break;
        case k_scenery_at_centre: scenery_at_centre(w); break;
        case k_system_chosen: system_chosen(w); break;
        default: break;
    }
    return 0;
}

}  // namespace design
