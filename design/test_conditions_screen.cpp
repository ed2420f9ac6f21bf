// The test conditions screen: where and how the design missile system is tested. The user
// picks a launch site among the saved test situations, sets the launcher's elevation and the
// distance at which it fires, and the target's speed, offset, elevation and distance, sees the
// target's path as distance against altitude, and starts the test run from the site. The
// conditions live in the design system, so they outlast the screen; a run that ends comes
// back here.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "design/test_conditions.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/launcher.h"
#include "simulation/missile_system.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/message_box.h"
#include "ui/overlay2d.h"
#include "ui/screens.h"

namespace design {

namespace {

constexpr int k_fields = 6;
constexpr float k_degrees_per_radian = 57.29578f;
constexpr float k_metres_per_km = 1000.0f;
constexpr std::uint32_t k_marker_colour = 0xA0FFFF00;
constexpr std::uint32_t k_white = 0xFFFFFFFF;

constexpr int IDR_START_TEST = 422;
constexpr int IDR_TARGET_PICTURE = 437;
constexpr int IDR_MISSILE_PICTURE = 438;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // the six condition fields
    k_title = k_field + k_max_fields,
    k_start,
    k_apply,
    k_picture,
    k_description,
    k_target_picture,
    k_missile_picture,
    k_site,  // child index of the launch-site drop-down
};

// The fields in screen order: the value in the system, and one unit of the field in the
// system's unit (radians per degree, metres per km).
struct condition_field {
    const char* label;
    float missile_system::*value;
    float unit;  // system value = field value x unit
};
constexpr condition_field k_conditions[k_fields] = {
    {"Elevation (deg)", &missile_system::test_alfa, 1.0f / k_degrees_per_radian},
    {"Launch At (km)", &missile_system::test_launch, k_metres_per_km},
    {"Speed (m/sec)", &missile_system::test_speed, 1.0f},
    {"Offset (deg)", &missile_system::test_beta, 1.0f / k_degrees_per_radian},
    {"Elevation (deg)", &missile_system::test_elev, 1.0f / k_degrees_per_radian},
    {"Distance (km)", &missile_system::test_dist, k_metres_per_km},
};
// The rows' lower edges (H); the first two belong to the launcher, the rest to the target.
constexpr float k_row_y[k_fields] = {0.07f, -0.01f, -0.19f, -0.27f, -0.35f, -0.43f};

// The narrowest a one-line title is drawn before it wraps instead.
constexpr float k_least_title_narrowing = 0.8f;
// A wrapped text's first line has its foot 0.08 below its box's top edge, which suits lines
// 0.075 high (18 pixels) only. A site's description is lifted or lowered from there so that its
// first line's top stands this far inside the box at any font size: two lines fit the box at
// 640 x 480 (0.12 high), and the taller lines of a large window keep their tops in the box.
constexpr float k_description_inset = 0.005f;
constexpr float k_wrapped_text_inset = 0.08f;

// The description's lift (its offset y) for the regular font's line height of the moment.
float description_lift() {
    float size[2] = {0, 0};
    if (!gui_text_size(current_painter(), gui_font::regular, "A", size)) return 0.0f;
    return k_wrapped_text_inset - k_description_inset - size[1];
}

// The plot's box in layout units.
constexpr float k_plot_x1 = -0.85f, k_plot_y1 = -0.7f, k_plot_x2 = 0.4f, k_plot_y2 = 0.2f;

// The screen's state, kept while the program runs.
struct conditions_state {
    float marker_x = 0;  // GUI units
};
conditions_state s;

// The title keeps to one line while the small font, narrowed a little at most, holds it; a
// longer system name wraps it onto a second line in the 12-point bold font.
void set_title(gui_window* w, const missile_system& sys) {
    gui_rect* r = rect_at(w, k_title);
    if (r == nullptr) return;
    const std::string title = format_string("Test Conditions For %s", sys.name);
    float size[2] = {0, 0};
    const bool measured = gui_text_size(current_painter(), gui_font::small, title.c_str(), size);
    const bool one_line = measured && size[0] * k_least_title_narrowing <= (r->x2 - r->x1) - 0.03f;
    r->wrapped = one_line ? 0 : 1;
    r->medium_font = one_line ? 1 : 0;
    r->bold = one_line ? 0 : 1;
    r->left_text = one_line ? 1 : 0;
    r->set_text(title.c_str());
}

// The launch site chosen in the drop-down; empty when there is none.
std::string selected_site(const gui_window* w) {
    const gui_window* site = child_at(w, k_site);
    if (site == nullptr || site->combo_selected_index() < 0) return {};
    return site->combo_selected_text();
}

void show(gui_window* w) {
    const missile_system* sys = design_system();
    if (sys == nullptr) return;
    set_title(w, *sys);
    for (int n = 0; n < k_fields; ++n) {
        const condition_field& c = k_conditions[n];
        show_number(w, k_field, n, sys->*c.value / c.unit);
    }
}

void take(gui_window* w) {
    missile_system* sys = design_system();
    if (sys == nullptr) return;
    for (int n = 0; n < k_fields; ++n) {
        const condition_field& c = k_conditions[n];
        float v = sys->*c.value / c.unit;  // as the field shows it
        if (take_number(w, k_field, n, &v)) sys->*c.value = v * c.unit;
    }
    bound_test_conditions(sys);
}

void recompute(const units& u) {
    const missile_system* sys = design_system();
    if (sys == nullptr || design_missile() == nullptr) return;
    graph_reset_samples();
    graph_clear_vertices();
    // One point that only sets the scales: the plot spans the distance across and half of it up.
    const float dist = sys->test_dist;
    const float scale[graph_store::k_channels] = {dist, dist / 2, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(scale, 0);
    for (const path_point& p : compute_target_path(sys->test_speed, sys->test_elev, dist).points) {
        const float row[graph_store::k_channels] = {p.distance, p.altitude, 0, 0, 0, 0, 0, 0};
        graph_add_series_point(row, 1);
    }
    graph_draw(k_plot_x1 * u.m, k_plot_y1 * u.h, k_plot_x2 * u.m, k_plot_y2 * u.h, 1, false);
    // The axes stand inside the box, with the labels' room left of and under them.
    const graph_area a = graph_plot_area();
    s.marker_x = launch_marker_x(sys->test_launch, dist, a.x1, a.x2);
    graph_add_thick_line(s.marker_x, a.y1, s.marker_x, a.y2, k_marker_colour);
}

// The site's picture, its description after the "@" line and its six conditions.
void select_site(gui_window* w) {
    const std::string site = selected_site(w);
    if (site.empty()) return;
    gui_rect* picture = rect_at(w, k_picture);
    const std::string jpg = format_string("situations\\%s.jpg", site.c_str());
    if (picture != nullptr && !reload_texture_file(jpg.c_str(), &picture->image_texture)) {
        picture->image_texture.reset();
    }
    const std::string txt = format_string("situations\\%s.txt", site.c_str());
    gui_rect* description = rect_at(w, k_description);
    if (description != nullptr) {
        if (!description->load_text_file(txt.c_str(), true)) description->set_text("");
        description->offset_y = description_lift();
    }
    missile_system* sys = design_system();
    if (g_scene == nullptr || sys == nullptr) return;
    g_scene->read_test_conditions(txt.c_str());
    if (bound_test_conditions(sys)) log_line("%s: the test distances were bounded", txt.c_str());
}

void fill_sites(gui_window* w) {
    gui_window* site = child_at(w, k_site);
    const missile_system* sys = design_system();
    if (site == nullptr || sys == nullptr || !sys->launch_unit) return;
    int sites = 0;
    for (const dir_entry& e : fs_list("situations\\*.txt")) {
        const std::string name = e.name.substr(0, e.name.find('.'));
        if (!is_test_site(name.c_str())) continue;
        site->combo_add_item(name.c_str());
        ++sites;
    }
    site->combo_set_bold(true);
    if (sites == 0) return;
    site->combo_select(0);
    select_site(w);
}

void add_row(gui_window* w, const units& u, int n) {
    const float y = k_row_y[n];
    add_label(w, u, 0.52f, y, 0.8f, y + 0.05f, k_conditions[n].label);
    gui_rect* f = add_box(w, u, 0.8f, y, 0.92f, y + 0.05f, rect_kind::edit_field);
    f->medium_font = 1;
    remember_rect(w, k_field + n, f);
}

gui_rect* add_hidden_picture(gui_window* w, int picture) {
    gui_rect* r = w->add_rect(0, 0, 0, 0, rect_kind::image);
    r->visible = 0;
    ui_load_resource_texture(picture, &r->image_texture, true);
    return r;
}

void build(gui_window* w) {
    const char* titles[graph_store::k_channels] = {"Distance", "Altitude", "", "", "", "", "", ""};
    graph_set_titles(titles);
    const units u = build_common(w, nullptr, true);
    // The common Save and Load are the last two elements; this screen has Close alone.
    w->remove_last_rect();
    w->remove_last_rect();
    w->private_state[slot::save].i = -1;
    w->private_state[slot::load].i = -1;

    remember_rect(w, k_start, add_picture_button(w, u, 0.5f, -0.98f, 0.78f, -0.82f, IDR_START_TEST, "Start Test"));
    remember_rect(w, k_target_picture, add_hidden_picture(w, IDR_TARGET_PICTURE));
    remember_rect(w, k_missile_picture, add_hidden_picture(w, IDR_MISSILE_PICTURE));

    add_panel(w, u, 0.48f, -0.6f, 0.97f, 0.92f);
    // Room for two lines of a long title; one line stands in its middle (set_title).
    remember_rect(w, k_title, add_label(w, u, 0.5f, 0.81f, 0.95f, 0.945f, ""));
    add_label(w, u, 0.52f, 0.75f, 0.92f, 0.8f, "Launch Site");
    gui_rect* picture = add_box(w, u, 0.52f, 0.37f, 0.92f, 0.67f, rect_kind::image);
    picture->centred = 0;
    remember_rect(w, k_picture, picture);
    gui_rect* description = add_box(w, u, 0.52f, 0.23f, 0.92f, 0.35f, rect_kind::edit_field);
    // A text to read from its first line, not a number to jog or edit.
    description->clickable = 0;
    description->centred = 0;
    description->wrapped = 1;
    remember_rect(w, k_description, description);
    add_label(w, u, 0.66f, 0.15f, 0.92f, 0.2f, "Launcher");
    add_row(w, u, 0);
    add_row(w, u, 1);
    add_label(w, u, 0.66f, -0.11f, 0.92f, -0.06f, "Target");
    for (int n = 2; n < k_fields; ++n) add_row(w, u, n);
    remember_rect(w, k_apply, add_button(w, u, 0.52f, -0.55f, 0.92f, -0.48f, "Apply Changes"));
    add_label(w, u, -0.6f, 0.3f, 0.6f, 0.4f, "Target flight path is towards the launcher");

    // The drop-down last, so that its open list lies over the picture.
    gui_window* site = w->add_window();
    site->create(0.52f * u.m, 0.69f * u.h, 0.92f * u.m, 0.74f * u.h, window_kind::drop_down);
    w->private_state[k_site].i = w->index_of(site);
    fill_sites(w);

    show_again(w, true);
    w->wants_draw = 1;
    w->wants_tick = 1;
}

void start_test(gui_window* w) {
    ui_play_sound_slot(0, 0);
    const std::string site = selected_site(w);
    if (site.empty()) {
        w->message_box(w, "Selection Error", "No situation was selected", message_box_type::notice, 0, "");
        return;
    }
    const std::string path = format_string("situations\\%s.txt", site.c_str());
    if (refuse_damaged_situation(w, w, path.c_str(), site.c_str())) return;
    leave_menu_for_run();
    if (g_state != nullptr) g_state->test_mode = 1;
    if (g_scene != nullptr) g_scene->read_situation(path.c_str());
}

void on_click(gui_window* w) {
    if (close_on_press(w)) return;
    if (pressed_is(w, k_start)) {
        start_test(w);
    } else if (pressed_is(w, k_apply)) {
        apply_changes(w, true);
    }
}

void on_committed(gui_window* w) {
    if (jog_committed(w, false)) return;
    const gui_window* site = child_at(w, k_site);
    if (site == nullptr || w->current_child() != site || selected_site(w).empty()) return;
    select_site(w);
    w->send(design_event::show);
}

void on_tick(gui_window* w) {
    if (jog_on_tick(w, jog_rule::absolute, frame_time())) w->send(design_event::recompute);
}

void draw_icon(const gui_window* w, int word, float x, float y, float angle) {
    const gui_rect* r = rect_at(w, word);
    const units u = layout_units();
    draw_rotated_textured_quad(x, y, 0.1f * u.m, 0.03f * u.m, angle, k_white,
                               r != nullptr ? r->image_texture.get() : nullptr);
}

// The icons start at the ends of the distance axis and lie along their courses inside the
// plot: the missile from the launcher up at its elevation, the target from the far end toward
// the launcher at its own. Their captions stand under the plot's box, clear of its labels;
// "Launch" over the marker.
void on_draw(const gui_window* w) {
    graph_render_with_labels();
    const missile_system* sys = design_system();
    if (sys == nullptr) return;
    const units u = layout_units();
    const graph_area a = graph_plot_area();
    const float half = 0.1f * u.m, half_h = 0.03f * u.m;
    const auto rise = [&](float angle) {
        return std::max(half * std::sin(angle), 0.0f) + half_h * std::fabs(std::cos(angle));
    };
    const float alfa = sys->test_alfa, elev = sys->test_elev;
    draw_icon(w, k_missile_picture, a.x1 + half * std::fabs(std::cos(alfa)), a.y1 + rise(alfa), alfa);
    draw_icon(w, k_target_picture, a.x2 - half * std::fabs(std::cos(elev)), a.y1 + rise(elev), -elev);
    const float gap = 0.01f * u.m;
    const float box_x1 = k_plot_x1 * u.m, box_x2 = k_plot_x2 * u.m, box_y1 = k_plot_y1 * u.h;
    const caption_extent target = caption_size("Target");
    const caption_extent missile = caption_size("Missile");
    draw_caption(w, box_x2 - target.width, box_y1 - gap - target.height, box_x2, box_y1 - gap, "Target", k_white);
    draw_caption(w, box_x1, box_y1 - gap - missile.height, box_x1 + missile.width, box_y1 - gap, "Missile", k_white);
    draw_caption(w, s.marker_x, a.y2, s.marker_x + 0.2f, a.y2 + 0.1f, "Launch", k_white);
}

}  // namespace

int test_conditions_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: jog_on_press(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::child_changed: jog_on_changed(w); break;
        case gui_event::child_committed: on_committed(w); break;
        case design_event::show: show(w); break;
        case design_event::take: take(w); break;
        case design_event::recompute: recompute(layout_units()); break;
        default: break;
    }
    return 0;
}

}  // namespace design
