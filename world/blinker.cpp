#include "world/blinker.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/mesh.h"
#include "platform/files.h"
#include "platform/text.h"
#include "world/decal.h"
#include "world/effect_drawing.h"
#include "world/floater.h"

namespace {

// The longest step end time a file may give (s).
constexpr float k_max_step_time = 1.0e6f;
// The largest model position, scale or light size a file may give (m).
constexpr float k_max_model_number = 1.0e6f;

// The words of a definition file, read one at a time; a missing or unreadable number reads as
// 0 and marks the file as bounded.
class def_reader {
public:
    explicit def_reader(const std::string& text) : text_(text) {}

    bool word(std::string* out) {
        while (pos_ < text_.size() && is_space(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !is_space(text_[pos_])) ++pos_;
        *out = text_.substr(start, pos_ - start);
        return true;
    }
    float number() {
        std::string w;
        float v = 0.0f;
        if (!word(&w) || !scan_float(w.c_str(), &v) || !std::isfinite(v)) {
            bounded = true;
            return 0.0f;
        }
        return v;
    }
    int integer() {
        std::string w;
        int v = 0;
        if (!word(&w) || !scan_int(w.c_str(), &v)) {
            bounded = true;
            return 0;
        }
        return v;
    }
    float clamped(float lo, float hi) {
        const float v = number();
        if (v < lo || v > hi) bounded = true;
        return std::clamp(v, lo, hi);
    }

    bool bounded = false;

private:
    static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    const std::string& text_;
    std::size_t pos_ = 0;
};

float wrap_bearing(float a) {
    a = std::fmod(a, 2.0f * k_pi);
    return a < 0.0f ? a + 2.0f * k_pi : a;
}

}  // namespace

hresult create_blinker(frame* parent, blinker** out) { return create_owned(parent, out); }

hresult destroy_blinker(blinker** variable) { return destroy_owned(variable); }

blinker::blinker() {
    type = FRAME_BLINKER;
    set_name("blink");
    step_time = rand_unit() * 3.0f;
}

blinker::~blinker() = default;

decal* blinker::make_glow(frame* parent, float width, float height) {
    decal* d = nullptr;
    if (create_decal(parent, &d) != S_OK) return nullptr;
    d->sway = 0;
    d->light = 1;
    d->width = width;
    d->height = height;
    d->load_texture("graphics\\light.dds");
    return d;
}

void blinker::load_def_object(const char* file_name, float sx, float sy, float sz) {
    set_name(file_name);
    std::string text;
    if (!fs_read_text(file_name, &text)) return;
    def_reader in(text);
    // A count outside the tables would index before or past them; no steps keeps the default.
    const int n = in.integer();
    if (n < 0 || n > k_max_steps) in.bounded = true;
    const int steps = std::clamp(n, 0, k_max_steps);
    if (steps > 0) {
        step_count = steps;
        for (int i = 0; i < k_table; ++i) {
            step_end_times[i] = 0.0f;
            step_states[i] = 0;
        }
        for (int i = 0; i < steps; ++i) {
            step_end_times[i] = in.clamped(0.0f, k_max_step_time);
            step_states[i] = in.integer();
        }
    }
    const int m_read = in.integer();
    if (m_read < 0 || m_read > k_max_sectors) in.bounded = true;
    const int m = std::clamp(m_read, 0, k_max_sectors);
    for (int i = 0; i < m; ++i) {
        sector_angles[i + 1] = wrap_bearing(in.number());
        sector_red[i + 1] = in.clamped(0.0f, 255.0f);
        sector_green[i + 1] = in.clamped(0.0f, 255.0f);
        sector_blue[i + 1] = in.clamped(0.0f, 255.0f);
    }
    if (m > 0) {
        // Wrap entries around the circle, in the last sector's colour.
        const float last = sector_angles[m];
        sector_angles[0] = last - 2.0f * k_pi;
        sector_angles[m + 1] = last + 2.0f * k_pi;
        for (int i : {0, m + 1}) {
            sector_red[i] = sector_red[m];
            sector_green[i] = sector_green[m];
            sector_blue[i] = sector_blue[m];
        }
        sector_count = m + 2;
    }
    std::string model;
    const int model_flag = in.integer();
    if (model_flag == 0 || !in.word(&model)) {
        glow = make_glow(this, 2.0f, 2.0f);
    } else {
        ascii_lower_in_place(model.data());
        // Positions, scales and sizes in metres, bounded so that the placement's scale keeps
        // them finite.
        float v[12];
        for (float& x : v) x = in.clamped(-k_max_model_number, k_max_model_number);
        const vec3 model_at{v[0] * sx, v[1] * sy, v[2] * sz};
        const vec3 model_scale{v[3] * sx, v[4] * sy, v[5] * sz};
        const vec3 light_at{v[6] * sx, v[7] * sy, v[8] * sz};
        const float light_w = v[9] * sx, light_h = v[10] * sy;
        frame* holder = this;
        if (contains(model.c_str(), "float")) {
            floating = 1;
            floater* f = nullptr;
            if (create_floater(this, &f) == S_OK) {
                f->immersion = model_scale.y;
                holder = f;
            }
        }
        mesh* body = nullptr;
        if (create_mesh(holder, &body) == S_OK) {
            char path[frame::k_name_size];
            format_text(path, "%s.x", model.c_str());
            char found[frame::k_name_size];
            find_data_file(found, path);
            if (!body->load_x(found)) log_line("Failed to load %s", found);
            body->scale(model_scale.x, model_scale.y, model_scale.z);
            body->set_position(model_at.x, model_at.y, model_at.z);
        }
        glow = make_glow(holder, light_w, light_h);
        if (glow != nullptr) {
            glow->set_position(light_at.x, light_at.y, light_at.z);
            holder->move_child_to_end(glow);
        }
        if (holder != this) holder->update_bounding_box();
    }
    if (in.bounded) log_line("Light definition %s: values out of range were bounded", file_name);
    update_bounding_radius();
    update_bounding_box();
}

bool blinker::is_lit() const {
    return step_states[std::clamp(current_step, 0, k_table - 1)] > 0;
}

bool blinker::sector_colour(float bearing, std::uint32_t* colour) const {
    bool found = false;
    for (int i = 0; i + 1 < sector_count; ++i) {
        if (bearing >= sector_angles[i] && bearing <= sector_angles[i + 1]) {
            *colour = argb(255, static_cast<int>(sector_red[i]), static_cast<int>(sector_green[i]),
                           static_cast<int>(sector_blue[i]));
            found = true;
        }
    }
    return found;
}

void blinker::update() {
    if (in_view) {
        step_time += frame_step();
        if (step_time > step_end_times[current_step]) ++current_step;
        // The step after the last (end time 0, dark) lasts one tick before the restart.
        if (current_step > step_count) {
            current_step = 0;
            step_time -= step_end_times[step_count - 1];
        }
    }
    frame::update();
    if (floating && child(0) != nullptr) {
        frame* body = child(0);
        radius = body->radius + body->local_position().y;
        body->selected = selected;
    }
}

void blinker::render() {
    if (glow == nullptr) {
        frame::render();
        return;
    }
    if (sector_count > 0) {
        const vec3 c = camera_position();
        const vec3 g = glow->world_position();
        view_bearing = std::atan2(c.x - g.x, c.z - g.z);
        if (view_bearing < 0.0f) view_bearing += 2.0f * k_pi;
        std::uint32_t colour = 0;
        if (sector_colour(view_bearing, &colour)) {
            glow->set_colour(static_cast<float>((colour >> 16) & 0xFF), static_cast<float>((colour >> 8) & 0xFF),
                             static_cast<float>(colour & 0xFF), 255.0f);
        }
    }
    glow->active = is_lit() ? 1 : 0;
    frame::render();
    glow->active = 1;
}
