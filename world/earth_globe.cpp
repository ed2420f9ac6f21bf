#include "world/earth_globe.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/loading_display.h"

namespace {

constexpr const char k_hr_source[] = "earth";

constexpr double k_half_pi = 1.5707963267948966;
constexpr double k_half_turn = 3.141592653589793;
constexpr float k_two_pi = 6.2831855f;
constexpr int k_ring_sectors = 72;
constexpr float k_ring_step = 0.08726647f;  // 5 degrees

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

float camera_altitude() {
    if (g_state == nullptr) return 0.0f;
    const float y = g_state->camera_world != nullptr ? g_state->camera_world->m[3][1] : 0.0f;
    return y + g_state->origin_offset.y;
}

struct ring_edge {
    float r, y;
    std::uint32_t colour;
};

}  // namespace

earth_globe::earth_globe() = default;

earth_globe::~earth_globe() { release(); }

int earth_globe::steps_for(float distance, float r) {
    const double ratio = static_cast<double>(r) / std::max<double>(r, distance);
    return std::clamp(static_cast<int>(std::sqrt(ratio) * 18.0 + 6.0), 6, k_max_steps);
}

void earth_globe::load_shaders() {
    gfx_device* d = device();
    if (d == nullptr) return;
    if (!globe_buffer) {
        CHECK_HR(d->create_vertex_buffer(k_globe_buffer_bytes, USAGE_WRITEONLY, k_fvf, POOL_MANAGED,
                                         &globe_buffer));
    }
    if (!shell_buffer) {
        const int bytes = k_shell_vertices * static_cast<int>(sizeof(shell_vertex));
        CHECK_HR(d->create_vertex_buffer(bytes, USAGE_WRITEONLY, k_shell_fvf, POOL_MANAGED, &shell_buffer));
    }
    fill_shell();
    if (!globe_vs) CHECK_HR(d->create_vertex_shader(earth_globe_program(k_globe_vs_id), &globe_vs));
    if (!shell_vs) CHECK_HR(d->create_vertex_shader(earth_globe_program(k_shell_vs_id), &shell_vs));
    if (!globe_ps) CHECK_HR(d->create_pixel_shader(earth_globe_program(k_globe_ps_id), &globe_ps));
}

// Two bands of 72 sectors: from just under the horizon up to the bright rim, then fading
// out above it.
void earth_globe::fill_shell() {
    shell_vertex_count = 0;
    void* p = nullptr;
    if (!shell_buffer || !CHECK_HR(shell_buffer->lock(0, 0, &p))) return;
    auto* v = static_cast<shell_vertex*>(p);
    const ring_edge bands[2][2] = {{{0.99f, -0.01f, 0xFFACD3EAu}, {1.01f, 0.5f, 0xA02A5499u}},
                                   {{1.01f, 0.5f, 0xA02A5499u}, {1.05f, 1.0f, 0x00000080u}}};
    int n = 0;
    for (const auto& band : bands) {
        const ring_edge& in = band[0];
        const ring_edge& out = band[1];
        for (int s = 0; s < k_ring_sectors; ++s) {
            const float a = k_ring_step * static_cast<float>(s), b = a + k_ring_step;
            const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
            const shell_vertex inner_a{in.r * ca, in.y, in.r * sa, in.colour};
            const shell_vertex outer_a{out.r * ca, out.y, out.r * sa, out.colour};
            const shell_vertex inner_b{in.r * cb, in.y, in.r * sb, in.colour};
            const shell_vertex outer_b{out.r * cb, out.y, out.r * sb, out.colour};
            const shell_vertex six[6] = {inner_a, outer_a, inner_b, outer_b, inner_b, outer_a};
            for (const shell_vertex& c : six) v[n++] = c;
        }
    }
    CHECK_HR(shell_buffer->unlock());
    shell_vertex_count = n;
}

void earth_globe::load_textures() {
    if (g_app == nullptr || !g_app->device) return;
    d3d_app& app = *g_app;
    struct item {
        const char* caption;
        const char* file;
        texture_ptr* slot;
        std::uint32_t format;
    };
    const item items[] = {
        {"Loading Earth Texture", "graphics\\earth_text.jpg", &day_texture, FMT_R5G6B5},
        {"Loading Earth Mask", "graphics\\earth_mask.jpg", &mask_texture, FMT_L8},
        {"Loading Earth Night", "graphics\\earth_night.jpg", &night_texture, FMT_L8},
        {"Loading Earth Clouds", "graphics\\earth_clouds.jpg", &clouds_texture, FMT_L8},
        // The relief is a height map: the globe's program turns it into shading.
        {"Loading Earth Bump", "graphics\\earth_dtm.jpg", &relief_texture, FMT_L8},
        {"Loading Earth Ripples", "graphics\\earth_ripples.jpg", &ripples_texture, FMT_R5G6B5},
        {"Loading Earth Lights", "graphics\\earth_lights.jpg", &lights_texture, FMT_R5G6B5},
        {"Loading Earth Puffs", "graphics\\earth_smoke.jpg", &puffs_texture, FMT_R5G6B5},
    };
    for (const item& i : items) {
        if (g_state != nullptr) g_state->show_status("%s", i.caption);
        app.load_texture_as(i.file, i.slot, i.format);
    }
    textures_loaded = 1;
    end_loading_screen();
}

void earth_globe::update() {
    if (textures_loaded == 0) load_textures();
    const std::uint32_t now = g_state != nullptr ? g_state->now : 0;
    if (!built_once || now - last_build > k_build_interval) build_sphere();
}

void earth_globe::build_sphere() {
    const double h = camera_altitude();
    const double r = radius;
    const double d = std::fabs(h) + r;
    const double horizon = std::sqrt(std::max(0.0, d * d - r * r));
    centre_distance = static_cast<float>(d);
    horizon_distance = static_cast<float>(horizon);
    horizon_angle = static_cast<float>(std::atan2(horizon, r));
    const int n = steps_for(centre_distance, radius);
    steps = n;
    const float far_plane = g_state != nullptr ? g_state->far_plane : 150000.0f;
    scale = std::min(1.0f, far_plane * 0.5f / std::max(1.0f, horizon_distance));
    scaled_radius = radius * scale;

    const int side = 2 * n + 1;
    grid.assign(static_cast<std::size_t>(side) * side, point{});
    clamped_rows.assign(side, 0);
    const double phi = g_state != nullptr ? g_state->camera_latitude / 57.29578 : 0.0;
    const double lambda = g_state != nullptr ? g_state->camera_longitude / 57.29578 : 0.0;
    const double theta = horizon_angle;
    const double low = phi - theta, high = phi + theta;
    const bool over_pole = high > k_half_pi || low < -k_half_pi;
    double half_width = k_half_turn;
    if (!over_pole) {
        const double c = std::min(std::cos(low), std::cos(high));
        half_width = std::min(k_half_turn, theta / std::max(0.01, c));
    }
    for (int i = 0; i < side; ++i) {
        const double raw = low + (high - low) * i / (2.0 * n);
        const double b = std::clamp(raw, -k_half_pi, k_half_pi);
        clamped_rows[i] = b != raw ? 1 : 0;
        for (int j = 0; j < side; ++j) {
            const double a = lambda - half_width + half_width * j / n;
            point& p = grid[static_cast<std::size_t>(i) * side + j];
            p.x = static_cast<float>(scaled_radius * std::cos(b) * std::sin(a));
            p.y = static_cast<float>(scaled_radius * std::cos(b) * std::cos(a));
            p.z = static_cast<float>(scaled_radius * std::sin(b));
            p.u = static_cast<float>(a / k_two_pi + 0.5);
            p.v = static_cast<float>(0.5 - b / k_half_turn);
        }
    }
    last_build = g_state != nullptr ? g_state->now : 0;
    built_once = true;
    globe_triangles = 0;
    void* locked = nullptr;
    if (!globe_buffer || !CHECK_HR(globe_buffer->lock(0, 0, &locked))) return;
    auto* out = static_cast<vertex*>(locked);
    const int capacity = k_globe_buffer_bytes / static_cast<int>(sizeof(vertex));
    int count = 0;
    const auto put = [&](const point& p) {
        const float len = std::max(1e-6f, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
        out[count++] = {p.x, p.y, p.z, p.x / len, p.y / len, p.z / len, p.u, p.v};
    };
    for (int i = 0; i + 1 < side; ++i) {
        if (clamped_rows[i] != 0 && clamped_rows[i + 1] != 0) continue;
        for (int j = 0; j + 1 < side && count + 6 <= capacity; ++j) {
            const point& a = grid[static_cast<std::size_t>(i) * side + j];
            const point& b = grid[static_cast<std::size_t>(i) * side + j + 1];
            const point& c = grid[static_cast<std::size_t>(i + 1) * side + j];
            const point& e = grid[static_cast<std::size_t>(i + 1) * side + j + 1];
            put(a), put(c), put(b);
            put(b), put(c), put(e);
            globe_triangles += 2;
        }
    }
    CHECK_HR(globe_buffer->unlock());
}

void earth_globe::release() {
    clear();
    globe_buffer.reset();
    shell_buffer.reset();
    globe_vs.reset();
    shell_vs.reset();
    globe_ps.reset();
    globe_triangles = 0;
    shell_vertex_count = 0;
}

void earth_globe::clear() {
    for (texture_ptr* t : {&mask_texture, &night_texture, &clouds_texture, &day_texture,
                           &ripples_texture, &puffs_texture, &lights_texture, &relief_texture}) {
        t->reset();
    }
    textures_loaded = 0;
}
