#include "design/design_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/definition_faults.h"
#include "simulation/design_name.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/message_box.h"

namespace design {

namespace {

constexpr float k_jog_centre = 127.5f;

bool test_objects = false;
missile_system* test_system = nullptr;
missile* test_missile = nullptr;

}  // namespace

units layout_units() {
    units u;
    u.h = gui_scale[1];
    u.m = std::min(gui_scale[0], gui_scale[1]);
    return u;
}

gfx_viewport design_area_viewport(const gfx_viewport& whole) {
    gfx_viewport v = whole;
    const units u = layout_units();
    if (gui_scale[0] <= 0 || u.m >= gui_scale[0]) return v;
    const float share = u.m / gui_scale[0];
    v.width = static_cast<std::uint32_t>(std::lround(share * static_cast<float>(whole.width)));
    v.x = whole.x + (whole.width - v.width) / 2;
    return v;
}

gui_rect* add_box(gui_window* w, const units& u, float a, float b, float c, float d, int kind) {
    return w->add_rect(a * u.m, b * u.h, c * u.m, d * u.h, kind);
}

gui_rect* add_label(gui_window* w, const units& u, float a, float b, float c, float d,
                    const char* text) {
    gui_rect* r = add_box(w, u, a, b, c, d, rect_kind::label);
    r->medium_font = 1;
    r->fit_text = 1;
    r->centred = 0;
    r->left_text = 1;  // from the left edge, in the middle of a row lower than the font
    r->set_text(text);
    return r;
}

gui_rect* add_button(gui_window* w, const units& u, float a, float b, float c, float d,
                     const char* text) {
    gui_rect* r = add_box(w, u, a, b, c, d, rect_kind::button);
    r->medium_font = 1;
    r->fit_text = 1;
    r->set_text(text);
    return r;
}

gui_rect* add_picture_button(gui_window* w, const units& u, float a, float b, float c, float d,
                             int picture, const char* text) {
    gui_rect* r = add_box(w, u, a, b, c, d, rect_kind::large_button);
    r->set_text(text);
    ui_load_resource_texture(picture, &r->image_texture, false);
    return r;
}

gui_rect* add_panel(gui_window* w, const units& u, float a, float b, float c, float d) {
    gui_rect* r = add_box(w, u, a, b, c, d, rect_kind::body);
    r->bevelled = 0;
    return r;
}

gui_rect* rect_at(const gui_window* w, int word) {
    return w->rect(w->private_state[word].i);
}

gui_window* child_at(const gui_window* w, int word) {
    return w->child(w->private_state[word].i);
}

void remember_rect(gui_window* w, int word, const gui_rect* r) {
    w->private_state[word].i = w->index_of(r);
}

bool pressed_is(const gui_window* w, int word) {
    const gui_rect* r = w->pressed_rect();
    return r != nullptr && r == rect_at(w, word);
}

gui_rect* add_hint(gui_window* w, const units& u, float b, float d, const char* text) {
    gui_rect* r = add_box(w, u, -0.98f, b, -0.2f, d, rect_kind::label);
    r->centred = 0;
    r->left_text = 1;
    r->bold = 1;
    r->fit_text = 1;
    r->set_text(text);
    return r;
}

units build_common(gui_window* w, const char* object_word, bool jog_slider) {
    w->clear();
    w->visible = 1;
    for (auto& word : w->private_state) word.i = -1;
    const units u = layout_units();
    w->create(-u.m, -u.h, u.m, u.h, window_kind::panel);

    gui_rect* body = w->rect(0);
    if (body != nullptr) {
        body->framed = 0;
        body->bevelled = 0;
        body->point_sampled = 1;
        ui_load_resource_texture(IDR_DESIGN_BACKGROUND, &body->image_texture, false);
        remember_rect(w, slot::body, body);
    }

    if (object_word != nullptr) {
        remember_rect(w, slot::hint, add_hint(w, u, -0.92f, -0.86f, k_save_hint));
        if (object_word[0] != '\0') {
            add_hint(w, u, -0.98f, -0.92f,
                     format_string("To totate %s click and drag mouse, to zoom use mouse wheel", object_word)
                         .c_str());
        }
    }

    remember_rect(w, slot::close,
                  add_picture_button(w, u, 0.8f, -0.98f, 0.99f, -0.82f, IDR_CLOSE_BUTTON, "Close"));
    remember_rect(w, slot::save,
                  add_picture_button(w, u, 0.8f, -0.6f, 0.98f, -0.42f, IDR_SAVE_BUTTON, "Save"));
    remember_rect(w, slot::load,
                  add_picture_button(w, u, 0.8f, -0.8f, 0.98f, -0.62f, IDR_LOAD_BUTTON, "Load"));

    w->private_state[slot::jog_dragging].i = 0;
    if (jog_slider) {
        gui_window* jog = w->add_window();
        jog->create(0, 0, 0.2f * u.m, 0.1f * u.h, window_kind::red_green_horizontal_slider);
        jog->visible = 0;
        w->private_state[slot::jog_window].i = w->index_of(jog);
    }
    return u;
}

// --- Numeric fields ---

namespace {

gui_rect* field(const gui_window* w, int first_word, int n) {
    if (n < 0 || n >= k_max_fields) return nullptr;
    return rect_at(w, first_word + n);
}

void show_text(gui_window* w, int first_word, int n, const char* text) {
    gui_rect* r = field(w, first_word, n);
    if (r == nullptr) return;
    r->set_text(text);
}

// The field's text unless it is the value as the field prints it; none then.
const char* changed_text(const gui_window* w, int first_word, int n, const std::string& printed) {
    const gui_rect* r = field(w, first_word, n);
    if (r == nullptr || !r->has_text()) return nullptr;
    const char* text = r->text.get();
    return printed == text ? nullptr : text;
}

}  // namespace

void show_number(gui_window* w, int first_word, int n, float value) {
    show_text(w, first_word, n, format_string("%4.2f", static_cast<double>(value)).c_str());
}

void show_whole(gui_window* w, int first_word, int n, int value) {
    show_text(w, first_word, n, format_string("%d", value).c_str());
}

void show_empty(gui_window* w, int first_word, int n) {
    show_text(w, first_word, n, "");
}

bool take_number(const gui_window* w, int first_word, int n, float* value) {
    const char* text = changed_text(w, first_word, n, format_string("%4.2f", static_cast<double>(*value)));
    float v = 0;
    if (text == nullptr || std::sscanf(text, "%f", &v) != 1 || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool take_whole(const gui_window* w, int first_word, int n, int* value) {
    const char* text = changed_text(w, first_word, n, format_string("%d", *value));
    int v = 0;
    if (text == nullptr || std::sscanf(text, "%d", &v) != 1) return false;
    *value = v;
    return true;
}

// --- Jog slider ---

float jog_step(float v, float s, float dt, jog_rule rule) {
    const float off = s - k_jog_centre;
    switch (rule) {
        case jog_rule::relative: return v + off * 0.01f * std::max(1.0f, std::fabs(v)) * dt;
        case jog_rule::absolute: return v + off * 0.1f * dt;
        case jog_rule::root: return v + off * 0.05f * std::max(1.0f, std::sqrt(std::fabs(v))) * dt;
    }
    return v;
}

void jog_on_press(gui_window* w) {
    gui_window* jog = child_at(w, slot::jog_window);
    const gui_rect* r = w->pressed_rect();
    if (r != nullptr && r == rect_at(w, slot::body)) return;
    if (jog == nullptr) return;
    if (r != nullptr && r->kind == rect_kind::edit_field) {
        const units u = layout_units();
        jog->create(r->x1, r->y1 - 0.1f * u.h, r->x2, r->y1, window_kind::red_green_horizontal_slider);
        jog->set_slider_value(k_jog_centre);
        jog->visible = 1;
        remember_rect(w, slot::jog_field, r);
    } else {
        jog->visible = 0;
        w->private_state[slot::jog_field].i = -1;
    }
    w->private_state[slot::jog_dragging].i = 0;
}

void jog_on_changed(gui_window* w) {
    gui_window* jog = child_at(w, slot::jog_window);
    if (jog != nullptr && w->current_child() == jog) w->private_state[slot::jog_dragging].i = 1;
}

bool jog_on_tick(gui_window* w, jog_rule rule, float dt) {
    const gui_window* jog = child_at(w, slot::jog_window);
    gui_rect* r = rect_at(w, slot::jog_field);
    if (jog == nullptr || !jog->visible || w->private_state[slot::jog_dragging].i == 0) return false;
    if (r == nullptr || !r->has_text()) return false;
    float v = 0;
    if (std::sscanf(r->text.get(), "%f", &v) != 1 || !std::isfinite(v)) return false;
    v = jog_step(v, jog->slider_value(), dt, rule);
    r->set_text(format_string("%4.2f", static_cast<double>(v)).c_str());
    w->send(design_event::take);
    return true;
}

bool jog_on_committed(gui_window* w) {
    gui_window* jog = child_at(w, slot::jog_window);
    if (jog == nullptr || w->current_child() != jog) return false;
    w->private_state[slot::jog_dragging].i = 0;
    jog->set_slider_value(k_jog_centre);
    return true;
}

// --- Preview turning and zoom ---

bool view_on_press(gui_window* w, view_state& v) {
    if (!pressed_is(w, slot::body)) return false;
    v.last_x = w->local_pointer_x;
    v.last_y = w->local_pointer_y;
    return true;
}

void view_on_drag(gui_window* w, view_state& v, bool two_axes) {
    if (!pressed_is(w, slot::body)) return;
    const float x = w->local_pointer_x;
    const float y = w->local_pointer_y;
    v.yaw -= 2 * (x - v.last_x);
    if (two_axes) v.pitch = std::clamp(v.pitch + 2 * (y - v.last_y), -1.0f, 1.0f);
    v.last_x = x;
    v.last_y = y;
}

void view_on_wheel(view_state& v, int event, float step, float low, float high) {
    // Whole steps from the limits' side keep the ends exact (0.5 + 45 x 0.1 is 5.0).
    const float steps = std::round((v.zoom - low) / step);
    const float n = event == gui_event::wheel_up ? steps + 1 : steps - 1;
    v.zoom = std::clamp(low + n * step, low, high);
}

// --- Names, saving and loading ---

bool check_design_name(gui_window* w, const char* name) {
    const char* why = nullptr;
    if (name == nullptr || name[0] == '\0') {
        why = "Please type a name.";
    } else if (std::strlen(name) >= design_name_size) {
        why = "A name may be at most 39 characters long.";
    } else if (std::strchr(name, '.') != nullptr || !is_valid_design_name(name)) {
        why = "A name may not hold '.', '/', '\\', ':', '@' or control characters.";
    }
    if (why == nullptr) return true;
    log_line("Design name refused: %s", why);
    w->message_box(w, "Invalid Name", why, message_box_type::notice, 0, "");
    return false;
}

namespace {

std::string failure_text(const char* verb, const char* name, const char* reason) {
    std::string text = format_string("Could not %s %s", verb, name != nullptr ? name : "");
    if (reason != nullptr && reason[0] != '\0') text += format_string(": %s", reason);
    return text;
}

}  // namespace

void notify_failure(gui_window* w, const char* verb, const char* name, const char* reason) {
    const std::string text = failure_text(verb, name, reason);
    log_line("%s", text.c_str());
    w->message_box(w, "Design", text.c_str(), message_box_type::notice, 0, "");
}

bool load_checked(gui_window* w, const std::function<void()>& load) {
    definition_faults faults;
    {
        const definition_faults::use watching(&faults);
        load();
    }
    if (faults.empty()) return true;
    for (const definition_faults::fault& f : faults.list()) {
        log_line("%s", failure_text("load", f.file.c_str(), f.why.c_str()).c_str());
    }
    w->message_box(w, "Design", faults.notice().c_str(), message_box_type::notice, 0, "");
    return false;
}

void notify_refused_save(gui_window* w, const char* folder, const char* name) {
    const std::string text =
        format_string("Not saved: %s\\%s.txt could not be read whole. Save again to write over it.", folder, name);
    log_line("%s", text.c_str());
    w->message_box(w, "Design", text.c_str(), message_box_type::notice, 0, "");
}

// --- The edited objects ---

missile* design_missile() {
    if (test_objects) return test_missile;
    return g_scene != nullptr ? g_scene->design_missile : nullptr;
}

missile_system* design_system() {
    if (test_objects) return test_system;
    return g_scene != nullptr ? g_scene->design_system : nullptr;
}

void use_design_objects(missile_system* system, missile* m) {
    test_objects = system != nullptr || m != nullptr;
    test_system = system;
    test_missile = m;
}

void relay_design_missile() {
    missile* m = design_missile();
    if (m != nullptr) m->layout_parts();
}

float frame_time() { return g_state != nullptr ? g_state->smoothed_step : 0.0f; }

}  // namespace design
