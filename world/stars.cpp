#include "world/stars.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/frame.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr const char k_hr_source[] = "stars";
constexpr float k_degree = 0.017453292f;
constexpr int k_texture_mode_plain = 0;
// The largest star size kept: a star of this size is 0.15 m across on the 10 m sphere.
constexpr float k_max_size = 100.0f;

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

}  // namespace

stars::stars() { set_color(1.0f, 1.0f, 1.0f, 1.0f); }

stars::~stars() { release(); }

void stars::star_quad(float size, float b, float c, vertex* out) const {
    const mat4 m = mat_yaw_pitch_roll(-b * k_degree, -c * k_degree, 0.0f);
    const vec3 x = get_axis_x(m), y = get_axis_y(m), z = get_axis_z(m);
    const float s = size * distance * size_scale;
    const vec3 c0 = distance * z - (x + y) * (s / 2.0f);
    const vec3 corners[6] = {c0, c0 + s * x, c0 + s * x + s * y, c0 + s * y, c0 + s * x + s * y, c0};
    const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {1, 1}, {0, 0}};
    for (int i = 0; i < 6; ++i) out[i] = {corners[i].x, corners[i].y, corners[i].z, uv[i][0], uv[i][1]};
}

void stars::read_table(const char* file, const std::string& text, vertex* out) {
    std::istringstream in(text);
    std::string word;
    // The file's own count is not trusted as a limit; it only tells whether stars are missing.
    int declared = 0;
    if (!(in >> word)) {
        log_line("%s is empty: the sky has no stars", file);
        return;
    }
    if (!scan_int(word.c_str(), &declared)) {
        log_line("%s does not begin with a star count (it begins %s): the sky has no stars", file,
                 word_for_log(word).c_str());
        return;
    }
    int clamped = 0;
    bool cut = false;   // the file ends inside a star
    bool bad = false;   // a word that is no number stopped the reading
    while (star_count < k_max_stars && !cut && !bad) {
        float v[3] = {};
        int fields = 0;
        while (fields < 3 && in >> word) {
            if (!scan_float(word.c_str(), &v[fields]) || !std::isfinite(v[fields])) {
                bad = true;
                break;
            }
            ++fields;
        }
        if (bad) break;
        if (fields < 3) {
            cut = fields > 0;
            break;
        }
        float size = v[0];
        if (size < 0.0f || size > k_max_size) {
            size = std::clamp(size, 0.0f, k_max_size);
            ++clamped;
        }
        star_quad(size, v[1], v[2], out + star_count * k_vertices_per_star);
        ++star_count;
    }
    if (clamped > 0) log_line("%s: %d star sizes out of 0..%g, clamped", file, clamped, k_max_size);
    if (bad) {
        log_line("%s: star %d is not a number (%s), reading stops: %d of the %d stars declared are used", file,
                 star_count + 1, word_for_log(word).c_str(), star_count, declared);
    } else if (star_count < declared && star_count < k_max_stars) {
        log_line("%s declares %d stars but holds %d%s", file, declared, star_count,
                 cut ? " and the start of one more" : "");
    } else if (star_count == 0) {
        log_line("%s holds no stars", file);
    } else if (declared > k_max_stars) {
        log_line("%s declares %d stars: the first %d are used", file, declared, k_max_stars);
    }
}

void stars::load(const char* file) {
    gfx_device* d = device();
    if (d == nullptr) return;
    star_count = 0;
    constexpr int bytes = k_max_stars * k_vertices_per_star * static_cast<int>(sizeof(vertex));
    if (!vertex_buffer &&
        !CHECK_HR(d->create_vertex_buffer(bytes, USAGE_WRITEONLY, k_fvf, POOL_MANAGED, &vertex_buffer))) {
        vertex_buffer.reset();
    }
    void* p = nullptr;
    if (vertex_buffer && CHECK_HR(vertex_buffer->lock(0, 0, &p))) {
        vertex* out = static_cast<vertex*>(p);
        std::string text;
        if (fs_read_text(file, &text)) {
            read_table(file, text, out);
        } else {
            log_line("Could not read %s: the sky has no stars", file);
        }
        CHECK_HR(vertex_buffer->unlock());
    }
    vertex_count = k_vertices_per_star * std::min(star_count, drawn_limit);
    if (texture == nullptr) g_app->load_texture("graphics\\star.dds", &texture, k_texture_mode_plain, true);
}

void stars::set_color(float r, float g, float b, float a) {
    material = gfx_material{};
    material.diffuse = {r, g, b, a};
    material.ambient = {r, g, b, a};
    drawn_limit = static_cast<int>(static_cast<float>(star_count) * g);
    vertex_count = k_vertices_per_star * std::max(0, std::min(star_count, drawn_limit));
}

void stars::render() {
    gfx_device* d = device();
    if (d == nullptr || !vertex_buffer || vertex_count <= 0) return;
    d->set_transform(TS_WORLD, orientation);
    d->set_material(material);
    d->set_texture(0, texture);
    d->set_render_state(RS_AMBIENT, 0x00FFFFFFu);
    d->set_fvf(k_fvf);
    d->set_stream_source(0, vertex_buffer.get(), 0, sizeof(vertex));
    CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, 0, vertex_count / 3));
    d->set_render_state(RS_AMBIENT, 0);
}

void stars::release() {
    vertex_buffer.reset();
    if (texture != nullptr && g_app != nullptr) g_app->release_texture(&texture);
    texture = nullptr;
}
