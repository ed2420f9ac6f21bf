// The fuse screen: the fuse of the design missile's warhead (where it sits, its delay and cone
// angle, the automatic delay and the target length it is tuned for) and a plot of one
// encounter: where the target and the fragment spray are when the fragments arrive. The fuse
// is stored with the warhead, so the screen loads and saves "warheads\<name>.txt".
#include <algorithm>
#include <cmath>

#include "design/design_files.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/fuse_geometry.h"
#include "design/part_screen.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/warhead.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/overlay2d.h"

namespace design {

namespace {

constexpr int k_fields = 9;
constexpr int IDR_TARGET_ICON = 437;
constexpr int IDR_MISSILE_ICON = 438;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // the nine fields of k_labels
    k_title = k_field + k_max_fields,
    k_kill_distance,
    k_smart_delay,
    k_apply,
    k_missile_icon,
    k_target_icon,
    k_damage_hint,  // a hint line only while the warhead's file is damaged
};

// The fuse is stored with its warhead.
constexpr part_files k_files = {"Save Warhead Configuration", "Please input name of warhead to save",
                                "Load Warhead Configuration", "Please select warhead to load",
                                "warheads\\*.txt"};

enum : int {
    f_fuse_offset, f_fuse_delay, f_fuse_angle, f_target_length, f_closing_speed,
    f_offset_distance, f_intercept_angle, f_target_speed, f_missile_speed
};
constexpr const char* k_labels[k_fields] = {
    "Fuse Offset (cm)",    "Fuse Delay (ms)",       "Detection Angle (deg)", "Target Length (cm)",
    "Closing Speed (m/sec)", "Offset Distance (m)", "Intercept Angle (deg)", "Target Speed (m/sec)",
    "Missile Speed (m/sec)"};
// Tops of the field rows; the check box sits in the gap after the closing speed.
constexpr float k_row_tops[k_fields] = {0.74f, 0.66f, 0.58f, 0.5f, 0.42f, 0.16f, 0.08f, 0.0f, -0.08f};

constexpr std::uint32_t k_target_band = 0x80FFFF00u;
constexpr std::uint32_t k_fragment_band = 0x80FF0000u;
constexpr std::uint32_t k_ray = 0x8000FF00u;

// The screen's state, kept while the program runs.
struct fuse_screen_state {
    view_state view;
    float intercept_angle = 0;  // deg
    float target_speed = 0;     // m/s
    float missile_speed = 0;    // m/s
    // The plot: its lower-left corner, scales (GUI units per m) and the encounter drawn.
    float x0 = 0, y0 = 0, sx = 0, sy = 0;
    fuse_encounter encounter;
};
fuse_screen_state s;
constexpr preview_rules k_preview = {true, 1.0f, 1.0f, 100.0f};

warhead* edited() {
    missile* m = design_missile();
    return m != nullptr ? m->warhead_part.get() : nullptr;
}

float fuse_plot_x(float d) { return s.sx * d + s.x0; }
float fuse_plot_y(float o) { return s.sy * o + s.y0; }

// Every build and every load starts the encounter from the warhead's closing speed.
void reset_speeds(const warhead& h) {
    s.intercept_angle = 0;
    s.missile_speed = 0.6f * h.closing_speed;
    s.target_speed = 0.4f * h.closing_speed;
}

void set_title(gui_window* w, const warhead& h) {
    gui_rect* r = rect_at(w, k_title);
    if (r != nullptr) r->set_text(format_string("Fuse Design - %s", h.name).c_str());
}

void show(gui_window* w) {
    warhead* h = edited();
    if (h == nullptr) return;
    const float values[k_fields] = {h->fuse_offset,  h->fuse_delay,    h->fuse_angle,
                                    h->target_length, h->closing_speed, h->miss_distance,
                                    s.intercept_angle, s.target_speed, s.missile_speed};
    for (int n = 0; n < k_fields; ++n) show_number(w, k_field, n, values[n]);
    gui_rect* check = rect_at(w, k_smart_delay);
    if (check != nullptr) check->ticked = h->smart_delay != 0 ? 1 : 0;
    gui_rect* kill = rect_at(w, k_kill_distance);
    if (kill != nullptr) {
        const double distance = h->kill_distance;
        kill->set_text(format_string("Warhead Kill Distance - %4.2f (m)", distance).c_str());
    }
    set_title(w, *h);
}

// Whether the closing-speed field is the one the jog slider belongs to (pressed last).
bool closing_speed_edited(const gui_window* w) {
    const int field = w->private_state[slot::jog_field].i;
    return field >= 0 && field == w->private_state[k_field + int{f_closing_speed}].i;
}

void take(gui_window* w) {
    warhead* h = edited();
    if (h == nullptr) return;
    take_number(w, k_field, f_fuse_offset, &h->fuse_offset);
    take_number(w, k_field, f_fuse_delay, &h->fuse_delay);
    take_number(w, k_field, f_fuse_angle, &h->fuse_angle);
    take_number(w, k_field, f_target_length, &h->target_length);
    take_number(w, k_field, f_closing_speed, &h->closing_speed);
    take_number(w, k_field, f_offset_distance, &h->miss_distance);
    const gui_rect* check = rect_at(w, k_smart_delay);
    if (check != nullptr) h->smart_delay = check->ticked != 0 ? 1 : 0;
    take_number(w, k_field, f_intercept_angle, &s.intercept_angle);
    take_number(w, k_field, f_target_speed, &s.target_speed);
    take_number(w, k_field, f_missile_speed, &s.missile_speed);

    fuse_speeds v{h->closing_speed, s.missile_speed, s.target_speed, 0};
    apply_fuse_speeds(closing_speed_edited(w), s.intercept_angle, &v);
    h->closing_speed = v.closing;
    s.missile_speed = v.missile;
    s.target_speed = v.target;
    h->radial_speed_offset = v.lateral;
    h->compute(true);
    // The automatic delay shows at once; the other fields keep their text until event 15.
    show_number(w, k_field, f_fuse_delay, h->fuse_delay);
}

// The bands and the ray are cut at the axes: a target or a spray beside the missile's line
// or behind it shows only where the plot has room for it.
void add_quad(const fuse_point (&q)[4], std::uint32_t colour) {
    graph_add_plot_quad(fuse_plot_x(q[0].x), fuse_plot_y(q[0].y), fuse_plot_x(q[1].x), fuse_plot_y(q[1].y),
                   fuse_plot_x(q[2].x), fuse_plot_y(q[2].y), fuse_plot_x(q[3].x), fuse_plot_y(q[3].y),
                   colour);
}

void recompute() {
    const warhead* h = edited();
    if (h == nullptr) return;
    const units u = layout_units();
    const char* titles[graph_store::k_channels] = {"Distance (m)", "Offset (m)", "", "", "", "", "", ""};
    graph_set_titles(titles);
    graph_reset_samples();
    graph_clear_vertices();
    // Both axes run 0..R: one sample that only widens the ranges.
    const float r = h->kill_distance;
    const float corner[graph_store::k_channels] = {r, r, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(corner, 0);
    graph_draw(-0.8f * u.m, -0.8f * u.h, 0.2f * u.m, 0.2f * u.h, 1, false);
    // The axes stand inside that box, with the labels' room left of and under them.
    const graph_area a = graph_plot_area();
    s.x0 = a.x1;
    s.y0 = a.y1;
    s.encounter = fuse_encounter_of(fuse_inputs_of(*h, s.intercept_angle, s.missile_speed, s.target_speed));
    if (!(r > 0.0f) || !std::isfinite(r)) {
        // No kill distance, no scale: the plot stays empty.
        s.sx = s.sy = 0;
        s.encounter = fuse_encounter{};
        return;
    }
    s.sx = (a.x2 - a.x1) / r;
    s.sy = (a.y2 - a.y1) / r;
    const fuse_encounter& e = s.encounter;
    if (e.fragments_arrive) {
        add_quad(e.target_band, k_target_band);
        add_quad(e.fragment_band, k_fragment_band);
    }
    graph_add_plot_thick_line(fuse_plot_x(e.ray[0].x), fuse_plot_y(e.ray[0].y), fuse_plot_x(e.ray[1].x),
                         fuse_plot_y(e.ray[1].y), k_ray);
}

// The screen has no hint of its own: a line says so only while the warhead's file is damaged.
void show_damage(gui_window* w) {
    gui_rect* hint = rect_at(w, k_damage_hint);
    const warhead* h = edited();
    if (hint != nullptr && h != nullptr) hint->set_text(part_hint(*h, "").c_str());
}

void build(gui_window* w) {
    const units u = build_common(w, nullptr, true);
    remember_rect(w, k_damage_hint, add_hint(w, u, -0.98f, -0.92f, ""));
    show_damage(w);

    gui_rect* caption = add_box(w, u, -0.8f, 0.4f, 0.8f, 0.5f, rect_kind::label);
    caption->large_font = 1;
    caption->centred = 0;
    caption->set_text("The orange area is where fragments hit the target");

    add_panel(w, u, 0.48f, -0.3f, 0.97f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, 0.5f, 0.85f, 0.95f, 0.9f, ""));
    remember_rect(w, k_kill_distance, add_label(w, u, 0.5f, 0.77f, 0.95f, 0.82f, ""));
    for (int n = 0; n < k_fields; ++n) {
        const float top = k_row_tops[n];
        add_number_row(w, u, 0.5f, 0.8f, 0.95f, top - 0.05f, k_labels[n], k_field + n);
    }
    gui_rect* check = add_box(w, u, 0.5f, 0.27f, 0.95f, 0.32f, rect_kind::check_box);
    check->medium_font = 1;
    check->fit_text = 1;
    check->set_text("Automatic Fuse Delay");
    remember_rect(w, k_smart_delay, check);
    remember_rect(w, k_apply, add_button(w, u, 0.5f, -0.27f, 0.95f, -0.2f, "Apply Changes"));

    add_icon_holder(w, k_missile_icon, IDR_MISSILE_ICON);
    add_icon_holder(w, k_target_icon, IDR_TARGET_ICON);

    const warhead* h = edited();
    if (h != nullptr) reset_speeds(*h);
    show_again(w, true);
    w->wants_draw = 1;
    w->wants_tick = 1;
    s.view.zoom = 5.0f;
}

void on_click(gui_window* w) {
    const warhead* h = edited();
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, h != nullptr ? h->name : "")) return;
    if (pressed_is(w, k_apply)) {
        apply_changes(w, true);
    } else if (pressed_is(w, k_smart_delay)) {
        // The delay field shows the automatic value at once, without the click.
        w->send(design_event::take);
        show_again(w, true);
    }
}

void on_answer(gui_window* w) {
    warhead* h = edited();
    const int request = answer_part(w, h);
    if (request == 0) return;
    show_damage(w);
    set_title(w, *h);
    if (request != part_request::load) return;
    reset_speeds(*h);
    show_again(w, true);
}

void on_tick(gui_window* w) {
    if (jog_on_tick(w, jog_rule::relative, frame_time())) w->send(design_event::recompute);
}

// A box of w x h with its lower-left corner at (x, y), moved the least that keeps it inside the
// plot's axes (against the left and lower ones when it is larger than the plot).
fuse_point kept_inside(float x, float y, float w, float h, const graph_area& a) {
    return {std::max(a.x1, std::min(x, a.x2 - w)), std::max(a.y1, std::min(y, a.y2 - h))};
}

// The boxes the captions of one draw took, so that no caption is drawn on another.
struct caption_boxes {
    static constexpr int k_most = 5;
    float box[k_most][4] = {};
    int count = 0;
    bool overlaps(float x, float y, float w, float h, float gap, int* which) const {
        for (int i = 0; i < count; ++i) {
            const float* b = box[i];
            if (x < b[2] + gap && b[0] < x + w + gap && y < b[3] + gap && b[1] < y + h + gap) {
                *which = i;
                return true;
            }
        }
        return false;
    }
};

// A caption from the lower-left corner (x, y), kept inside the plot and moved down past any
// caption it would touch (up past it when there is no room below).
void caption_in_plot(const gui_window* w, float x, float y, const char* text, std::uint32_t colour,
                     const graph_area& a, caption_boxes& taken) {
    const caption_extent c = caption_size(text);
    constexpr float k_gap = 0.005f;
    fuse_point p = kept_inside(x, y, c.width, c.height, a);
    int other = -1;
    for (int tries = 0; tries < caption_boxes::k_most && taken.overlaps(p.x, p.y, c.width, c.height, k_gap, &other);
         ++tries) {
        const float* b = taken.box[other];
        const float below = b[1] - k_gap - c.height;
        p.y = below >= a.y1 ? below : b[3] + k_gap;
        p = kept_inside(p.x, p.y, c.width, c.height, a);
    }
    if (taken.count < caption_boxes::k_most) {
        float* b = taken.box[taken.count++];
        b[0] = p.x;
        b[1] = p.y;
        b[2] = p.x + c.width;
        b[3] = p.y + c.height;
    }
    draw_caption(w, p.x, p.y, p.x + c.width, p.y + c.height, text, colour);
}

// The target icon a little ahead of its anchor along its course, inside the plot; the lower
// edge of the box it takes.
float target_icon_at(gfx_texture* icon, const fuse_point& anchor, float theta, float half_w, float half_h,
                     const graph_area& a) {
    const float c = std::fabs(std::cos(theta)), sn = std::fabs(std::sin(theta));
    const float ex = c * half_w + sn * half_h, ey = sn * half_w + c * half_h;
    const fuse_point corner = kept_inside(anchor.x + 0.2f * std::cos(theta) - ex,
                                          anchor.y + 0.2f * std::sin(theta) - ey, 2 * ex, 2 * ey, a);
    draw_rotated_textured_quad(corner.x + ex, corner.y + ey, half_w, half_h, theta, 0xFFFFFFFFu, icon);
    return corner.y;
}

// A target's caption from (x, y) up, lowered under its icon where the icon was moved down
// onto it.
void target_caption(const gui_window* w, float x, float y, float icon_bottom, const char* text,
                    std::uint32_t colour, const graph_area& a, caption_boxes& taken) {
    const float below_icon = icon_bottom - 0.005f - caption_size(text).height;
    caption_in_plot(w, x, std::min(y, below_icon), text, colour, a, taken);
}

// Everything is drawn inside the plot's axes: the missile at detection from the origin along
// the axis with its caption over it, the missile at explosion at its distance a row higher
// (the two would cover each other on the axis), the targets and their captions at their
// anchors, moved in where they would leave the plot.
void on_draw(const gui_window* w) {
    if (edited() == nullptr) return;
    graph_render_with_labels();
    if (!(s.sx > 0.0f)) return;
    const units u = layout_units();
    const graph_area a = graph_plot_area();
    const float q = 0.2f * u.m;
    const float hh = 0.075f * u.m;
    const float gap = 0.01f * u.m;
    const fuse_encounter& e = s.encounter;
    const float theta = s.intercept_angle * 0.017453293f;
    const auto at = [](const fuse_point& p) { return fuse_point{fuse_plot_x(p.x), fuse_plot_y(p.y)}; };

    gfx_texture* missile_icon = held_icon(w, k_missile_icon);
    const fuse_point detection = kept_inside(s.x0, s.y0, 2 * q, 2 * hh, a);
    draw_texture_rect(detection.x, detection.y, detection.x + 2 * q, detection.y + 2 * hh, 0xFFFFFFFFu, missile_icon);
    const float detection_top = detection.y + 2 * hh;
    caption_boxes taken;
    caption_in_plot(w, s.x0, detection_top, "Missile at Detection", 0xFFFFFFFFu, a, taken);
    const fuse_point explosion_anchor = at(e.missile_at_explosion);
    const float explosion_row = detection_top + caption_size("Missile at Detection").height + gap;
    const fuse_point explosion = kept_inside(explosion_anchor.x - q, explosion_row, 2 * q, 2 * hh, a);
    draw_texture_rect(explosion.x, explosion.y, explosion.x + 2 * q, explosion.y + 2 * hh, 0xFFFFFFFFu, missile_icon);
    caption_in_plot(w, explosion_anchor.x, explosion.y + 2 * hh, "Missile at Explosion", 0xFFFFFFFFu, a, taken);

    gfx_texture* target_icon = held_icon(w, k_target_icon);
    const fuse_point detected = at(e.target_detected);
    const float detected_bottom = target_icon_at(target_icon, detected, theta, q / 2, hh / 2, a);
    target_caption(w, detected.x, detected.y - 0.1f, detected_bottom, "Target when detected", 0xFF00FF00u, a, taken);
    if (e.fragments_arrive) {
        const fuse_point hit = at(e.target_hit);
        const fuse_point zone = at(e.fragments_zone);
        const float hit_bottom = target_icon_at(target_icon, hit, theta, q / 2, hh / 2, a);
        target_caption(w, hit.x, hit.y - 0.2f, hit_bottom, "Target when hit", 0xFFFFFF00u, a, taken);
        caption_in_plot(w, zone.x, zone.y - 0.3f, "Fragments hit zone", 0xFFFF0000u, a, taken);
    }
}

}  // namespace

int fuse_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::close: relay_design_missile(); break;
        case gui_event::enter:
            w->send(design_event::take);
            w->send(design_event::recompute);
            break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::child_committed: jog_committed(w, true); break;
        case design_event::show: show(w); break;
        case design_event::take: take(w); break;
        case design_event::recompute: recompute(); break;
        default: preview_event(w, event, s.view, k_preview); break;
    }
    return 0;
}

}  // namespace design
