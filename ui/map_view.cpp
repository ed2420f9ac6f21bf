#include "ui/map_view.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "simulation/rocket_launcher.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "ui/view_drawing.h"

map_view_state g_map_view;

namespace {

constexpr int k_load_scenery_event = 15;
constexpr int k_choose_at_centre_event = 16;
constexpr const char* k_world_map = "graphics\\world_map.jpg";
constexpr float k_metres_per_degree = 111120.0f;
constexpr std::uint32_t k_yellow = 0xFFFFFF00u;
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_black = 0xFF000000u;
// Under the black coordinates: a light ground that reads on the sea and on a map picture.
constexpr std::uint32_t k_read_out_ground = 0xC0E0E0E0u;
constexpr float k_marker = 0.05f;
constexpr float k_marker_half_angle = 2.88f;

enum { k_pad, k_scenery_picture, k_world_picture };

// ---------------------------------------------------------------- titles

const char* skip_blanks(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    return p;
}

bool read_number(const char** p, const char* end, float* out) {
    const char* q = skip_blanks(*p, end);
    if (q < end && *q == '+') ++q;
    const auto r = std::from_chars(q, end, *out);
    if (r.ec != std::errc() || !std::isfinite(*out)) return false;
    *p = r.ptr;
    return true;
}

// One line (without its LF) into a title; false when it does not start with two numbers.
// *cut tells whether the name was longer than a title holds.
bool parse_title(const char* line, std::size_t length, map_title* out, bool* cut) {
    const char* end = line + length;
    if (length > 0 && end[-1] == '\r') --end;
    const char* p = line;
    if (!read_number(&p, end, &out->longitude) || !read_number(&p, end, &out->latitude)) {
        return false;
    }
    p = skip_blanks(p, end);
    const auto rest = static_cast<std::size_t>(end - p);
    const std::size_t n = std::min<std::size_t>(rest, sizeof out->name - 1);
    if (rest > n) *cut = true;
    std::memcpy(out->name, p, n);
    out->name[n] = '\0';
    return true;
}

bool blank_line(const char* line, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (line[i] != ' ' && line[i] != '\t' && line[i] != '\r') return false;
    }
    return true;
}

// ---------------------------------------------------------------- geometry

gui_rect* pad_of(gui_window* w) { return w->private_rects[k_pad]; }

// The point under the pad's marker.
void marker_point(const map_view_state& s, const gui_rect* pad, float* longitude, float* latitude) {
    *longitude = s.xs != 0 ? (pad->offset_x - s.hw) / s.xs + s.lon0 : s.lon0;
    *latitude = s.ys != 0 ? (pad->offset_y - s.hh) / s.ys + s.lat0 : s.lat0;
}

void centre_marker(const map_view_state& s, gui_rect* pad) {
    pad->offset_x = s.hw;
    pad->offset_y = s.hh;
}

void set_view_from_pad(map_view_state& s, const gui_rect* pad) {
    s.hw = (pad->x2 - pad->x1) / 2;
    s.hh = (pad->y2 - pad->y1) / 2;
    s.cx = (pad->x1 + pad->x2) / 2;
    s.cy = (pad->y1 + pad->y2) / 2;
    map_update_scales(s, pad->x2 - pad->x1, pad->y2 - pad->y1);
}

const scenery_index* sceneries() { return g_state != nullptr ? &g_state->sceneries : nullptr; }

const char* scenery_folder(int selected) {
    const scenery_index* index = sceneries();
    if (index == nullptr || selected < 1 ||
        selected > std::min(index->count, scenery_index::k_max_entries)) {
        return nullptr;
    }
    return index->entries[selected - 1].folder;
}

void load_scenery_titles(gui_window* w, map_view_state& s) {
    s.title_count = 0;
    const char* folder = scenery_folder(s.selected);
    if (folder == nullptr) return;
    char path[160];
    format_text(path, "scenery\\%s\\map.jpg", folder);
    reload_texture_file(path, &w->private_rects[k_scenery_picture]->image_texture);
    format_text(path, "scenery\\%s\\titles.txt", folder);
    s.title_count = read_map_titles(path, s.titles, map_view_state::k_max_titles);
}

void load_world_map_if_needed(gui_window* w, const map_view_state& s) {
    gui_rect* holder = w->private_rects[k_world_picture];
    if (s.selected != 0 || holder->image_texture || g_app == nullptr) return;
    g_app->load_texture_file(k_world_map, &holder->image_texture);
}

// ---------------------------------------------------------------- objects

void lon_lat_of(const scene& world, float x, float z, float* longitude, float* latitude) {
    world.ground.scene_to_lon_lat(longitude, latitude, x, z);
}

void rebuild_objects(map_view_state& s) {
    s.object_count = 0;
    if (g_scene == nullptr) return;
    const scene& world = *g_scene;
    const weapon_tables& t = world.tables;
    for (int i = 0; i < std::min<int>(t.system_count, weapon_tables::k_max_systems); ++i) {
        const missile_system* sys = t.systems[i];
        const frame* f = system_frame(sys);
        if (f == nullptr || s.object_count >= map_view_state::k_max_objects) continue;
        map_object& o = s.objects[s.object_count++];
        const vec3 p = f->world_position();
        const float h = frame_heading(f) + k_pi;
        o.kind = 1;
        lon_lat_of(world, p.x, p.z, &o.longitude, &o.latitude);
        lon_lat_of(world, p.x + sys->test_dist * std::sin(h), p.z + sys->test_dist * std::cos(h),
                   &o.aim_longitude, &o.aim_latitude);
        o.radius_m = static_cast<int>(sys->control->protected_radius * 1000.0f);
    }
    for (int i = 0; i < std::min<int>(t.launcher_count, weapon_tables::k_max_launchers); ++i) {
        const rocket_launcher* l = t.launchers[i];
        if (l == nullptr || s.object_count >= map_view_state::k_max_objects) continue;
        map_object& o = s.objects[s.object_count++];
        o.kind = 2;
        o.longitude = l->east;
        o.latitude = l->north;
        float gx = 0, gz = 0;
        world.ground.lon_lat_to_grid(l->east, l->north, &gx, &gz);
        world.ground.grid_to_lon_lat(&o.aim_longitude, &o.aim_latitude,
                                     gx + l->range * std::sin(l->azimuth),
                                     gz + l->range * std::cos(l->azimuth));
        o.radius_m = 1000;
    }
}

// ---------------------------------------------------------------- events

void build(gui_window* w) {
    map_view_state& s = g_map_view;
    w->clear();
    w->visible = 1;
    w->create(-0.85f, -1.05f, 0.85f, 1.15f, window_kind::resizable_window);
    gui_rect* pad = w->add_rect(-0.8f, -1.0f, 0.8f, 1.0f, rect_kind::position_pad);
    pad->framed = 1;
    w->private_rects[k_pad] = pad;
    for (int k : {k_scenery_picture, k_world_picture}) {
        gui_rect* holder = w->add_rect(1e6f, 1e6f, 1e6f, 1e6f, rect_kind::image);
        holder->visible = 0;
        w->private_rects[k] = holder;
    }
    s.aspect = 0.8f;
    s.dragging = false;
    s.selected = 0;
    s.title_count = 0;
    set_view_from_pad(s, pad);
    if (g_state != nullptr) {
        s.lon0 = g_state->camera_longitude;
        s.lat0 = g_state->camera_latitude;
    }
    w->send(k_choose_at_centre_event);
    g_app->map_shown = 1;
    w->wants_draw = 1;
}

void choose_at_centre(gui_window* w) {
    map_view_state& s = g_map_view;
    const scenery_index* index = sceneries();
    const int choice = index != nullptr ? choose_scenery(*index, s.lon0, s.lat0, s.selected) : 0;
    if (const char* folder = scenery_folder(choice)) {
        char title[80];
        format_text(title, "Map of the %s scenery", folder);
        w->set_title(title);
    }
    if (choice != 0 && choice != s.selected) {
        s.selected = choice;
        w->send(k_load_scenery_event);
    }
    load_world_map_if_needed(w, s);
}

void load_chosen_scenery(gui_window* w) {
    map_view_state& s = g_map_view;
    if (s.selected != 0) {
        load_scenery_titles(w, s);
        s.zoom = map_view_state::k_scenery_zoom;
        gui_rect* pad = pad_of(w);
        centre_marker(s, pad);
        map_update_scales(s, pad->x2 - pad->x1, pad->y2 - pad->y1);
    }
    rebuild_objects(s);
}

void on_press(gui_window* w) {
    map_view_state& s = g_map_view;
    gui_rect* pad = pad_of(w);
    if (w->pressed_rect() != pad) return;
    float lon = 0, lat = 0;
    marker_point(s, pad, &lon, &lat);
    char text[64];
    format_text(text, "%f   %f", static_cast<double>(lon), static_cast<double>(lat));
    // The map still follows the press; only the copy is lost, and the user is told.
    if (!copy_to_clipboard(text) && g_state != nullptr) {
        g_state->set_message("Could not copy the position to the clipboard");
    }
    const scenery_index* index = sceneries();
    const int choice = index != nullptr ? choose_scenery(*index, lon, lat, s.selected) : 0;
    if (choice == 0) {
        s.selected = 0;
        s.title_count = 0;
    } else if (choice != s.selected) {
        s.selected = choice;
        load_scenery_titles(w, s);
    }
    load_world_map_if_needed(w, s);
    s.drag_lon0 = s.lon0;
    s.drag_lat0 = s.lat0;
    s.drag_px = pad->offset_x;
    s.drag_py = pad->offset_y;
    s.dragging = true;
}

void on_drag(gui_window* w) {
    map_view_state& s = g_map_view;
    const gui_rect* pad = pad_of(w);
    if (w->pressed_rect() != pad || !s.dragging || s.xs == 0 || s.ys == 0) return;
    s.lon0 = s.drag_lon0 - (pad->offset_x - s.drag_px) / s.xs;
    s.lat0 = s.drag_lat0 - (pad->offset_y - s.drag_py) / s.ys;
}

void on_wheel(gui_window* w, bool up) {
    map_view_state& s = g_map_view;
    gui_rect* pad = pad_of(w);
    // The pointer over the pad is the point zoomed about; elsewhere the last marker.
    const float lx = w->local_pointer_x, ly = w->local_pointer_y;
    if (lx > pad->x1 && lx < pad->x2 && ly > pad->y1 && ly < pad->y2) {
        pad->offset_x = lx - pad->x1;
        pad->offset_y = ly - pad->y1;
    }
    marker_point(s, pad, &s.lon0, &s.lat0);
    s.zoom = up ? std::min(s.zoom * 1.25f, map_view_state::k_max_zoom)
                : std::max(s.zoom * 0.75f, map_view_state::k_min_zoom);
    map_update_scales(s, pad->x2 - pad->x1, pad->y2 - pad->y1);
    centre_marker(s, pad);
}

void on_reactivate(gui_window* w) {
    map_view_state& s = g_map_view;
    if (g_state != nullptr) {
        s.lon0 = g_state->camera_longitude;
        s.lat0 = g_state->camera_latitude;
    }
    centre_marker(s, pad_of(w));
    g_app->map_shown = 1;
}

// ---------------------------------------------------------------- drawing

void text(float x1, float y1, float x2, float y2, const char* s, std::uint32_t colour,
          std::uint32_t flags) {
    g_overlay->draw_text_font_box(x1, y1, x2, y2, s, colour, 1.0f, 1.0f, FONT_NORMAL, flags);
}

void dms(char (&out)[32], float value, char positive, char negative) {
    const float a = std::fabs(value);
    const int d = static_cast<int>(a);
    const float minutes = (a - static_cast<float>(d)) * 60.0f;
    const int m = static_cast<int>(minutes);
    const int sec = static_cast<int>((minutes - static_cast<float>(m)) * 60.0f);
    format_text(out, "%02d:%02d:%02d%c", d, m, sec, value < 0 ? negative : positive);
}

}  // namespace

void draw_map_name(float x, float y, const char* name, std::uint32_t colour, const gui_rect* pad, view_labels& taken,
                   int font) {
    // A name whose point lies off the map is not shown; one from a point near the map's edge
    // is moved in whole, where the clip would have cut it.
    if (x < pad->x1 || x > pad->x2 || y < pad->y1 || y > pad->y2) return;
    const vec2 size = view_text_size(name, font);
    if (size.x <= 0.0f) return;
    view_label(taken, {x, y, x + 1.02f * size.x, y + size.y}, name, colour, font, {pad->x1, pad->y1, pad->x2, pad->y2});
}

namespace {

// A scenery's bounds on the map.
view_box scenery_box(const map_view_state& s, const scenery_index_entry& e) {
    return {map_x(s, e.left_map_x), map_y(s, e.lower_map_y), map_x(s, e.right_map_x), map_y(s, e.upper_map_y)};
}

}  // namespace

void draw_map_sceneries(const map_view_state& s, gfx_texture* picture) {
    const scenery_index* index = sceneries();
    if (index == nullptr) return;
    for (int i = 0; i < std::min(index->count, scenery_index::k_max_entries); ++i) {
        const auto [x1, y1, x2, y2] = scenery_box(s, index->entries[i]);
        const bool chosen = s.selected == i + 1;
        if (chosen) {
            if (picture != nullptr) draw_texture_rect(x1, y1, x2, y2, window_draw_white, picture);
        } else {
            g_overlay->fill_rect(x1, y1, x2, y2, 0x40FFFFFFu);
        }
        g_overlay->draw_rect(x1, y1, x2, y2, chosen ? k_yellow : k_white);
    }
}

void draw_map_scenery_names(const map_view_state& s, const gui_rect* pad, view_labels& taken) {
    const scenery_index* index = sceneries();
    if (index == nullptr) return;
    for (int i = 0; i < std::min(index->count, scenery_index::k_max_entries); ++i) {
        const scenery_index_entry& e = index->entries[i];
        const auto [x1, y1, x2, y2] = scenery_box(s, e);
        if (x2 <= pad->x1 || x1 >= pad->x2 || y2 <= pad->y1 || y1 >= pad->y2) continue;
        // A scenery reaching past the map keeps its name in sight, at the map's edge.
        draw_map_name(std::max(x1, pad->x1) + 0.01f, std::max(y1, pad->y1) + 0.01f, e.folder,
                      s.selected == i + 1 ? k_yellow : k_white, pad, taken);
    }
}

namespace {

// A black read-out on its light ground, the text's box grown by a hair each way.
void read_out(const view_box& b, const char* label) {
    constexpr float k_rim = 0.005f;
    g_overlay->fill_rect(b.x1 - k_rim, b.y1 - k_rim, b.x2 + k_rim, b.y2 + k_rim, k_read_out_ground);
    text(b.x1, b.y1, b.x2, b.y2, label, k_black, TEXT_CENTER);
}

}  // namespace

void draw_map_pointer_coordinates(const map_view_state& s, const gui_rect* pad, view_labels& taken) {
    float lon = 0, lat = 0;
    marker_point(s, pad, &lon, &lat);
    char label[32];
    const float py = pad->y1 + pad->offset_y, px = pad->x1 + pad->offset_x;
    const view_box room{pad->x1, pad->y1, pad->x2, pad->y2};
    // The latitude from the map's left edge at the pointer's height, the longitude centred on
    // the pointer at the map's foot; each box as large as its text (a large window's font is
    // wider than a fixed box), inside the map, each moved clear of what was taken before it
    // (the scale bar; the latitude, for the longitude at the lower left corner).
    dms(label, lat, 'N', 'S');
    vec2 size = view_text_size(label, FONT_NORMAL);
    const float left = pad->x1 + 0.01f;
    read_out(view_place_label(taken, view_text_box({left, py, left + 1.02f * size.x, py}, size, room), room), label);
    dms(label, lon, 'E', 'W');
    size = view_text_size(label, FONT_NORMAL);
    const float foot = pad->y1 + 0.04f;
    read_out(view_place_label(taken, view_text_box({px, foot, px, foot}, size, room), room), label);
}

namespace {

bool near_centre(const map_view_state& s, float longitude, float latitude) {
    const float reach = s.xs != 0 ? s.hw / s.xs : 0.0f;
    return std::fabs(longitude - s.lon0) < reach && std::fabs(latitude - s.lat0) < reach;
}

void draw_titles_and_objects(const map_view_state& s, const gui_rect* pad, view_labels& taken) {
    for (int i = 0; i < s.title_count; ++i) {
        const map_title& t = s.titles[i];
        if (!near_centre(s, t.longitude, t.latitude)) continue;
        draw_map_name(map_x(s, t.longitude), map_y(s, t.latitude), t.name, k_white, pad, taken);
    }
    for (int i = 0; i < s.object_count; ++i) {
        const map_object& o = s.objects[i];
        const float x = map_x(s, o.longitude), y = map_y(s, o.latitude);
        if (near_centre(s, o.longitude, o.latitude)) {
            g_overlay->fill_arc(x, y, static_cast<float>(o.radius_m) / k_metres_per_degree * s.ys,
                                o.kind == 1 ? 0x8000FF00u : 0x80FFFF00u, 18.0f, 0.0f, 0.75f);
        }
        const float ax = map_x(s, o.aim_longitude), ay = map_y(s, o.aim_latitude);
        g_overlay->draw_line(x, y, ax, ay, k_black);
        g_overlay->draw_rect(ax - 0.01f, ay - 0.015f, ax + 0.01f, ay + 0.015f, k_yellow);
    }
}

void draw_flying(const map_view_state& s) {
    if (g_scene == nullptr) return;
    const scene& world = *g_scene;
    const weapon_tables& t = world.tables;
    auto dart = [&](const frame& f, std::uint32_t colour) {
        const vec3 p = f.world_position();
        float lon = 0, lat = 0;
        lon_lat_of(world, p.x, p.z, &lon, &lat);
        g_overlay->fill_wedge(map_x(s, lon), map_y(s, lat), k_marker, -frame_heading(&f), colour,
                              k_marker_half_angle);
    };
    for (int i = 0; i < std::min<int>(t.target_count, weapon_tables::k_max_targets); ++i) {
        if (t.targets[i] != nullptr && !t.targets[i]->destroyed) dart(*t.targets[i], 0xC0FF0000u);
    }
    for (int i = 0; i < std::min<int>(t.system_count, weapon_tables::k_max_systems); ++i) {
        const missile_system* sys = t.systems[i];
        if (sys == nullptr) continue;
        for (int k = 0; k < std::clamp<int>(sys->missile_count, 0, missile_system::k_max_missiles);
             ++k) {
            if (sys->missiles[k] != nullptr && !sys->missiles[k]->dead)
                dart(*sys->missiles[k], 0xC0FFFF00u);
        }
    }
    if (g_state != nullptr) {
        const float heading = frame_heading(&world.viewer);
        g_overlay->fill_dart(map_x(s, g_state->camera_longitude),
                             map_y(s, g_state->camera_latitude), k_marker, 1.0f, -heading,
                             0xC0FFFFFFu);
    }
}

float scale_bar_units_per_km(const map_view_state& s) { return s.xs * 0.00899928f; }

// The scale bar's box: from the pad's lower right corner leftwards.
view_box scale_bar_box(const map_view_state& s) {
    const float f = scale_bar_units_per_km(s);
    return {0.75f - map_scale_bar_km(f) * f, -0.98f, 0.75f, -0.92f};
}

void draw_scale_bar(const map_view_state& s) {
    const float km = map_scale_bar_km(scale_bar_units_per_km(s));
    const view_box b = scale_bar_box(s);
    g_overlay->draw_rect(b.x1, b.y1, b.x2, b.y2, k_white);
    char label[32];
    if (km >= 1.0f) {
        format_text(label, "%d km", static_cast<int>(km));
    } else {
        format_text(label, "%3.1f km", static_cast<double>(km));
    }
    text(b.x1, b.y1, b.x2, b.y2, label, k_white, TEXT_CENTER);
}

void on_draw(gui_window* w) {
    if (g_overlay == nullptr) return;
    const map_view_state& s = g_map_view;
    const gui_rect* pad = pad_of(w);
    g_overlay->set_clip_planes(pad->x1, pad->y1, pad->x2, pad->y2);
    if (gfx_texture* world_map = w->private_rects[k_world_picture]->image_texture.get()) {
        draw_texture_rect(map_x(s, -180), map_y(s, -90), map_x(s, 180), map_y(s, 90),
                          window_draw_white, world_map);
    }
    g_overlay->begin_text(FONT_NORMAL);
    draw_map_sceneries(s, w->private_rects[k_scenery_picture]->image_texture.get());
    view_labels taken;
    taken.add(scale_bar_box(s));
    draw_map_pointer_coordinates(s, pad, taken);
    draw_map_scenery_names(s, pad, taken);
    draw_titles_and_objects(s, pad, taken);
    draw_flying(s);
    draw_scale_bar(s);
    g_overlay->end_text(FONT_NORMAL);
    g_overlay->disable_clip_planes();
}

}  // namespace

float map_x(const map_view_state& s, float longitude) { return (longitude - s.lon0) * s.xs + s.cx; }
float map_y(const map_view_state& s, float latitude) { return (latitude - s.lat0) * s.ys + s.cy; }

int read_map_titles(const char* path, map_title* out, int capacity, bool skip_unreadable) {
    std::FILE* f = fs_open(path, "rb");
    if (f == nullptr) return 0;
    int count = 0;
    int line_number = 0;
    bool cut = false;
    bool skipped = false;
    char line[256];
    while (count < capacity && std::fgets(line, sizeof line, f) != nullptr) {
        ++line_number;
        std::size_t length = std::strlen(line);
        const bool whole = length > 0 && line[length - 1] == '\n';
        if (whole) --length;
        // The rest of an overlong line is part of the name already cut.
        if (!whole) {
            int c = 0;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
            cut = true;
        }
        if (blank_line(line, length)) continue;
        if (!parse_title(line, length, &out[count], &cut)) {
            if (skip_unreadable) {
                skipped = true;
                continue;
            }
            if (g_app != nullptr) {
                g_app->append_log("%s line %d has no position: the titles stop there", path,
                                  line_number);
            }
            break;
        }
        ++count;
    }
    std::fclose(f);
    if (cut && g_app != nullptr) g_app->append_log("%s: place names cut to 39 characters", path);
    if (skipped && g_app != nullptr) g_app->append_log("%s: lines without a position were skipped", path);
    return count;
}

int choose_scenery(const scenery_index& index, float longitude, float latitude, int selected) {
    float best = 360.0f;
    int result = 0;
    for (int i = 0; i < std::min(index.count, scenery_index::k_max_entries); ++i) {
        const scenery_index_entry& e = index.entries[i];
        if (!(e.left_map_x < longitude && longitude < e.right_map_x && e.lower_map_y < latitude &&
              latitude < e.upper_map_y)) {
            continue;
        }
        const float width = i + 1 == selected ? 0.0f : std::fabs(e.left_map_x - e.right_map_x);
        if (width < best) {
            best = width;
            result = i + 1;
        }
    }
    return result;
}

float map_scale_bar_km(float units_per_km) {
    static constexpr float k_steps[] = {2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1, 0.5f, 0.2f};
    for (float km : k_steps) {
        if (km * units_per_km < 0.4f) return km;
    }
    return 0.1f;
}

void map_update_scales(map_view_state& s, float pad_width, float pad_height) {
    s.xs = pad_width * s.zoom * s.aspect / 360.0f;
    s.ys = pad_height * s.zoom / 360.0f;
}

int map_view_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: on_press(w); break;
        case gui_event::drag: on_drag(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::reactivate: on_reactivate(w); break;
        case gui_event::close: g_app->map_shown = 0; break;
        case gui_event::wheel_up: on_wheel(w, true); break;
        case gui_event::wheel_down: on_wheel(w, false); break;
        case k_load_scenery_event: load_chosen_scenery(w); break;
        case k_choose_at_centre_event: choose_at_centre(w); break;
        default: break;
    }
    return 0;
}
