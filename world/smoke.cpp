#include "world/smoke.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "platform/text.h"

namespace {

// Puffs not yet emitted wait this far below the source, out of sight.
constexpr float k_waiting_depth = -1000000.0f;
constexpr int k_faintest = 8;

}  // namespace

hresult create_smoke(frame* parent, smoke** out) { return create_owned(parent, out); }

hresult create_smoke_unparented(smoke** out) { return create_owned<smoke>(nullptr, out); }

hresult destroy_smoke(smoke** variable) { return destroy_owned(variable); }

smoke::smoke() {
    type = FRAME_SMOKE;
    set_name("smoke");
    layer = 0;
    set_colour(127.0f, 127.0f, 127.0f);
}

smoke::~smoke() { smoke::clear_children(); }

void smoke::clear_children() {
    frame::clear_children();
    give_back_texture(&texture);
}

void smoke::set_colour(float r, float g, float b) {
    colour[0] = static_cast<std::int32_t>(r);
    colour[1] = static_cast<std::int32_t>(g);
    colour[2] = static_cast<std::int32_t>(b);
}

bool smoke::init(const char* texture_name) {
    for (int i = 0; i < k_max_puffs; ++i) {
        puff& p = puffs[static_cast<std::size_t>(i)];
        p = puff{};
        p.index = i;
        p.half_width = size;
        p.position = {0.0f, k_waiting_depth, 0.0f};
    }
    set_name(fire ? "[Fire]" : "[Smoke]");
    give_back_texture(&texture);
    take_texture(texture_name, 2, &texture);
    since_last_puff = 0.0f;
    count = std::clamp(count, 0, k_max_puffs);
    set_bounds();
    return true;
}

void smoke::set_bounds() {
    radius = static_cast<float>(count) * 0.5f * size;
    base_radius = radius;
    box = {{-radius, -radius, -radius}, {radius, radius, radius}};
    base_box = box;
}

float smoke::puff_interval(float source_speed) const {
    if (!(size > 0.0f)) return 0.0f;
    return size * 0.5f / std::max({1.0f, source_speed, length(drift)});
}

float smoke::visibility(const puff& p) const {
    const float n = static_cast<float>(count);
    const float renewal = std::max(0.1f, std::min(n * p.interval, n));
    return std::max(0.0f, 1.0f - p.age / renewal);
}

std::uint32_t smoke::puff_colour(const puff& p) const {
    const float f = visibility(p);
    if (fire) {
        const int v = static_cast<int>(f * 512.0f);
        if (v < k_faintest) return 0;
        const int a = std::min(v, 255);
        return argb(a, a, v - 128, v - 256);
    }
    const int a = static_cast<int>(f * static_cast<float>(colour[3]));
    if (a < k_faintest) return 0;
    return argb(a, colour[0], colour[1], colour[2]);
}

void smoke::update() {
    if (in_view && count != 0) {
        step(frame_step());
    } else if (count != 0) {
        // Out of view the puffs stand still, but a weakening source still runs out on time,
        // so an impact fire far from the camera does not stay in the scene for ever.
        age_source(frame_step());
    }
    frame::update();
}

void smoke::age_source(float dt) {
    if (ageing_rate == 0.0f) return;
    if (source_age <= static_cast<float>(count) * interval) {
        source_age += ageing_rate * dt;
    } else {
        remove_me = 1;
    }
}

void smoke::step(float dt) {
    count = std::clamp(count, 0, k_max_puffs);
    set_bounds();
    const float sim_dt = simulation_step();
    const vec3 source_velocity = sim_dt > 0.0f ? last_motion / sim_dt : vec3{};
    const float t = puff_interval(length(source_velocity));
    interval = t;
    age_source(dt);
    // A column of no size would need endless sub-steps: it stands still.
    if (!(t > 0.0f) || !(dt > 0.0f)) return;
    // Counted in floating point and bounded, so a tiny interval cannot overflow the count.
    const double wanted = std::floor(static_cast<double>(dt) / t) + 1.0;
    const int n = static_cast<int>(std::min(wanted, static_cast<double>(k_max_sub_steps)));
    const float h = dt / static_cast<float>(n);
    // Puffs drift with the air while the frame that carries them moves on.
    const vec3 move = (drift - source_velocity) * h;
    for (int s = 0; s < n; ++s) {
        for (int i = 0; i < count; ++i) {
            puff& p = puffs[static_cast<std::size_t>(i)];
            p.half_width += growth * h;
            p.age += h;
            p.position += move;
        }
        since_last_puff += h;
        if (since_last_puff > t) emit_puff(t);
    }
}

void smoke::emit_puff(float t) {
    for (int j = count - 1; j >= 1; --j) {
        puff& to = puffs[static_cast<std::size_t>(j)];
        const puff& from = puffs[static_cast<std::size_t>(j - 1)];
        to.half_width = from.half_width;
        to.age = from.age;
        to.interval = from.interval;
        to.position = from.position;
    }
    puff& p = puffs[0];
    const float x = rand_signed(), y = rand_signed(), z = rand_signed();
    p.position = vec3{x, y, z} * (size / 2.0f);
    p.half_width = size;
    p.age = source_age;
    p.interval = t;
    since_last_puff = 0.0f;
}

void smoke::render() {
    if (in_shadow_map_pass()) return;
    frame::render();
    if (!in_view || count == 0) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const mat4 turn = billboard_pitch_heading();
    const vec3 right = get_axis_x(turn);
    const vec3 up = get_axis_y(turn);
    const vec3 origin = world_position();
    stream_.clear();
    for (int i = 0; i < std::min(count, k_max_puffs); ++i) {
        const puff& p = puffs[static_cast<std::size_t>(i)];
        const std::uint32_t c = puff_colour(p);
        if (c == 0) continue;
        append_quad(&stream_, origin + p.position, right, up, p.half_width, p.half_width, c);
    }
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    if (fire) {
        d->set_render_state(RS_LIGHTING, 0);
    } else {
        d->set_render_state(RS_AMBIENT, ambient_colour());
    }
    d->set_material(white_material());
    d->set_texture(0, texture);
    draw_effect_triangles(d, stream_);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    if (fire) {
        d->set_render_state(RS_FOGCOLOR, fog_colour());
        d->set_render_state(RS_LIGHTING, 1);
    } else {
        d->set_render_state(RS_AMBIENT, 0);
    }
    d->set_render_state(RS_ZWRITEENABLE, 1);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
}

bool smoke::hit_puff(const puff& p, const vec3& direction, const vec3& origin, frame** hit,
                     float* result) {
    const mat4 turn = billboard_heading();
    const vec3 right = get_axis_x(turn) * p.half_width;
    const vec3 up = get_axis_y(turn) * p.half_width;
    const vec3 c = world_position() + p.position;
    const vec3 corners[4] = {c - right + up, c + right + up, c - right - up, c + right - up};
    const int triangles[4][3] = {{0, 1, 2}, {3, 2, 1}, {0, 2, 1}, {3, 1, 2}};  // both faces
    bool any = false;
    for (const auto& t : triangles) {
        float distance = 0.0f;
        const vec3 &a = corners[t[0]], &b = corners[t[1]], &e = corners[t[2]];
        if (!intersect_ray_triangle(origin, direction, a, b, e, &distance) || !(distance > 0.0f)) continue;
        if (g_state == nullptr || distance >= g_state->nearest_hit) continue;
        g_state->hit_normal = normalize(cross(b - a, e - a));
        g_state->nearest_hit = distance;
        if (hit != nullptr) *hit = this;
        if (result != nullptr) *result = distance;
        any = true;
    }
    return any;
}

bool smoke::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (!active || !hit_testable || count == 0) {
        return frame::hit_test_ray(direction, origin, hit, result);
    }
    if (length(cross(direction, world_position() - origin)) > radius) return false;
    for (int i = 0; i < std::min(count, k_max_puffs); ++i) {
        hit_puff(puffs[static_cast<std::size_t>(i)], direction, origin, hit, result);
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}
