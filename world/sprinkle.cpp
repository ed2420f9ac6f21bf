#include "world/sprinkle.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "core/scene_services.h"

namespace {

constexpr float k_gravity = 9.81f;
constexpr float k_start_intensity = 768.0f;
// Animation frames per second of a hit shot, and its frame count.
constexpr float k_impact_rate = 24.0f;
constexpr int k_impact_frames = 16;
constexpr float k_live_puff_alpha = 4.0f;

vec3 direction_of(float azimuth, float elevation) {
    return {std::sin(azimuth) * std::cos(elevation), std::sin(elevation),
            std::cos(azimuth) * std::cos(elevation)};
}

vec3 unit_z_of(const mat4& m) {
    const vec3 z = get_axis_z(m);
    const float l = length(z);
    return l > 0.0f ? z / l : vec3{0.0f, 0.0f, 1.0f};
}

}  // namespace

hresult create_sprinkle(frame* parent, sprinkle** out) { return create_owned(parent, out); }

hresult create_sprinkle_unparented(sprinkle** out) { return create_owned<sprinkle>(nullptr, out); }

hresult destroy_sprinkle(sprinkle** variable) { return destroy_owned(variable); }

sprinkle::sprinkle() {
    type = FRAME_PLAIN;
    set_name("sprinkle");
}

sprinkle::~sprinkle() { sprinkle::clear_children(); }

void sprinkle::clear_children() {
    frame::clear_children();
    give_back_texture(&texture);
    for (gfx_texture*& t : impact_textures) give_back_texture(&t);
}

bool sprinkle::init(const char* texture_name, int kind_code) {
    kind = kind_code;
    if (texture_name != nullptr) {
        give_back_texture(&texture);
        take_texture(texture_name, 2, &texture);
    }
    switch (kind) {
    case k_fire:
    case k_smoke:
    case k_spray: {
        // Every particle waits at a random point of the speed cube, white, until a burst.
        for (int i = 0; i < k_burst_particles; ++i) {
            const float x = rand_signed() * speed;
            const float y = rand_signed() * speed;
            const float z = rand_signed() * speed;
            particle_position[static_cast<std::size_t>(i)] = {x, y, z};
            particle_colour[static_cast<std::size_t>(i)] = 0xFFFFFFFFu;
        }
        return true;
    }
    case k_tracer:
        build_shot_vertices();
        give_back_texture(&texture);
        take_texture("graphics\\flame.dds", 3, &texture);
        take_texture("graphics\\splash.dds", 2, &impact_textures[0]);
        take_texture("graphics\\splash.dds", 2, &impact_textures[1]);
        take_texture("graphics\\blast.dds", 3, &impact_textures[2]);
        return true;
    case k_plume:
        count = 0;
        return true;
    default:
        return true;
    }
}

// ---- Bursts ----

void sprinkle::start_burst() { intensity = k_start_intensity; }

void sprinkle::emit_sphere_burst() {
    const int n = std::clamp(count, 0, k_burst_particles);
    for (int i = 0; i < n; ++i) {
        const float r1 = rand_signed(), r2 = rand_signed(), r3 = rand_unit();
        const float e = r1 * k_pi / 2.0f;
        const float a = r2 * 2.0f * k_pi;
        const float v = (1.0f + r3) * speed;
        particle_velocity[static_cast<std::size_t>(i)] = direction_of(a, e) * v;
        particle_position[static_cast<std::size_t>(i)] = {};
        particle_colour[static_cast<std::size_t>(i)] = 0;
    }
    start_burst();
}

void sprinkle::emit_line_burst(float length_m, float axial_bias) {
    const int n = std::clamp(count, 0, k_burst_particles);
    float z = -length_m / 2.0f;
    for (int i = 0; i < n; ++i) {
        const float r1 = rand_signed(), r2 = rand_signed(), r3 = rand_unit();
        const float v = (1.0f + r3) * speed;
        const float a = r2 * 2.0f * k_pi;
        particle_velocity[static_cast<std::size_t>(i)] = {std::cos(a) * v, std::sin(a) * v,
                                                          (r1 * 0.25f - axial_bias) * v};
        particle_position[static_cast<std::size_t>(i)] = {0.0f, 0.0f, z};
        particle_colour[static_cast<std::size_t>(i)] = 0;
        z += length_m / static_cast<float>(n);
    }
    start_burst();
}

void sprinkle::emit_cone_burst(float dx, float dy, float dz) {
    const int n = std::clamp(count, 0, k_burst_particles);
    const float p = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
    const float h = std::atan2(dx, dz);
    for (int i = 0; i < n; ++i) {
        const float r1 = rand_signed(), r2 = rand_signed(), r3 = rand_unit();
        const float v = (r3 + 0.2f) * speed;
        const float e = r1 * 0.1f + p;
        const float a = r2 * 0.1f + h;
        particle_velocity[static_cast<std::size_t>(i)] = direction_of(a, e) * v;
        particle_position[static_cast<std::size_t>(i)] = {};
        particle_colour[static_cast<std::size_t>(i)] = 0;
    }
    start_burst();
}

void sprinkle::emit_plume_burst() {
    const int n = std::clamp(count, 0, k_burst_particles);
    for (int i = 0; i < n; ++i) {
        const float r1 = rand_unit(), r2 = rand_signed(), r3 = rand_unit();
        const float e = r1 * k_pi / 2.0f;
        const float a = r2 * 2.0f * k_pi;
        const float v = (1.0f + r3) * speed;
        const vec3 d = direction_of(a, e);
        particle_velocity[static_cast<std::size_t>(i)] = vec3{d.x * 0.25f, d.y, d.z * 0.25f} * v;
        particle_position[static_cast<std::size_t>(i)] = {};
        particle_colour[static_cast<std::size_t>(i)] = 0;
    }
    start_burst();
}

void sprinkle::burst_colours(int value, std::uint32_t out[4]) const {
    if (kind == k_fire) {
        for (int k = 0; k < 4; ++k) {
            const int red = value - 64 * k;
            out[k] = argb(red, red, value - 128 - 64 * k, value - 256 - 64 * k);
        }
        return;
    }
    // Smoke and spray darken a little with the daylight on them.
    const int daylight = static_cast<int>(50.0f * shading().sun.diffuse.g);
    for (int k = 0; k < 4; ++k) {
        const int grey = ((255 - 25 * k - daylight) % 256 + 256) % 256;
        out[k] = argb(value, grey, grey, grey);
    }
}

// ---- Per-tick steps ----

void sprinkle::update() {
    const float dt = frame_step();
    switch (kind) {
    case k_fire:
    case k_smoke:
    case k_spray: step_burst(dt); break;
    case k_tracer:
        if (in_view) step_tracers(dt);
        break;
    case k_plume:
        if (in_view) {
            step_plume(dt);
        } else {
            fade_plume(dt);
        }
        break;
    default: break;
    }
    frame::update();
}

void sprinkle::step_burst(float dt) {
    const float d = 1.0f - dt;
    intensity *= d;
    if (count != 0 && in_view) {
        count = std::min(count, k_burst_particles);
        std::uint32_t colours[4];
        burst_colours(static_cast<int>(intensity), colours);
        for (int i = 0; i < count; ++i) {
            vec3& v = particle_velocity[static_cast<std::size_t>(i)];
            if (kind == k_spray) {
                v = {v.x * d, v.y * d - k_gravity * dt, v.z * d};
            } else {
                v *= d;
            }
            particle_position[static_cast<std::size_t>(i)] += v * dt;
            particle_colour[static_cast<std::size_t>(i)] = colours[i % 4];
        }
    }
    // Out of view the particles stay where they are but the burst still fades on time.
    remove_me = intensity < 1.0f ? 1 : 0;
}

void sprinkle::step_tracers(float dt) {
    for (int i = 0; i < count; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        if (state[s] != 0) {
            particle_velocity[s].y += k_impact_rate * dt;  // the animation clock
        } else {
            particle_velocity[s].y -= k_gravity * dt;
            particle_position[s] += particle_velocity[s] * dt;
            hit_test_shot(i);
        }
    }
    const std::uint32_t now = clock_ms_now();
    if (!emitting || static_cast<std::int32_t>(now - next_emit_time) <= 0) return;
    count = std::min(count + 1, k_max_shots);
    for (int i = count - 1; i > 0; --i) {
        const std::size_t s = static_cast<std::size_t>(i);
        state[s] = state[s - 1];
        particle_velocity[s] = particle_velocity[s - 1];
        particle_position[s] = particle_position[s - 1];
    }
    state[0] = 0;
    particle_position[0] = world_position();
    particle_velocity[0] = unit_z_of(world) * emit_speed;
    next_emit_time = now + static_cast<std::uint32_t>(std::max(emit_interval, 0));
}

// A shot that reaches the water splashes, one that reaches the ground (or the bottom under the
// water) blasts; its animation clock starts at 0.
void sprinkle::hit_test_shot(int i) {
    const std::size_t s = static_cast<std::size_t>(i);
    const vec3& p = particle_position[s];
    float ground = 0.0f, sea = 0.0f;
    ground_height(p.x, p.z, &ground);
    sea_height(p.x, p.z, &sea);
    if (p.y <= ground) {
        state[s] = 3;
    } else if (p.y <= sea) {
        state[s] = 1;
    } else {
        return;
    }
    particle_velocity[s] = {};
}

void sprinkle::step_plume(float dt) {
    int live = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        particle_velocity[s] *= 1.0f - 2.0f * dt;
        particle_alpha[s] *= 1.0f - 0.2f * dt;
        particle_size[s] += length(particle_velocity[s]) * 0.025f * dt;
        particle_position[s] += particle_velocity[s] * dt;
        if (particle_alpha[s] > k_live_puff_alpha) live = i + 1;
    }
    count = live;  // the faded puffs at the end fall away
    if (emitting && count < k_max_particles) emit_puffs(dt);
}

// Out of view the puffs stand still but still fade: a spent missile waits for its plume to
// die down, and a plume far from the camera must not keep it in the sky for ever.
void sprinkle::fade_plume(float dt) {
    int live = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        particle_alpha[s] *= 1.0f - 0.2f * dt;
        if (particle_alpha[s] > k_live_puff_alpha) live = i + 1;
    }
    count = live;
}

void sprinkle::emit_puffs(float dt) {
    // A plume of no size would need endless puffs: it emits nothing.
    if (!(size > 0.0f)) return;
    const float sim_dt = simulation_step();
    const float m = sim_dt > 0.0f ? length(last_motion) / sim_dt : 0.0f;
    const float e = std::copysign(std::max(std::fabs(emit_speed), m), emit_speed);
    const float step = e * dt;
    const float density = std::max(1.0f, static_cast<float>(count) * 10.0f / k_max_particles);
    // Counted in floating point, so a huge step cannot overflow before the clamp.
    const double wanted = std::ceil(std::fabs(static_cast<double>(step) / (density * size)));
    const int room = k_max_particles - count;
    const int n = std::isfinite(wanted) ? static_cast<int>(std::min(wanted, static_cast<double>(room))) : room;
    if (n <= 0) return;
    for (int i = count - 1; i >= 0; --i) {
        const std::size_t from = static_cast<std::size_t>(i);
        const std::size_t to = static_cast<std::size_t>(i + n);
        particle_position[to] = particle_position[from];
        particle_alpha[to] = particle_alpha[from];
        particle_velocity[to] = particle_velocity[from];
        particle_size[to] = particle_size[from];
    }
    count += n;
    const vec3 z = unit_z_of(world);
    const vec3 spacing = z * (2.0f * step / static_cast<float>(n));
    vec3 p = world_position();
    for (int i = 0; i < n; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        particle_position[s] = p;
        p += spacing;
        const float r1 = rand_signed(), r2 = rand_signed(), r3 = rand_signed();
        particle_velocity[s] = vec3{z.x + r1 * 0.05f, z.y + r2 * 0.05f, z.z + r3 * 0.05f} * e;
        particle_alpha[s] = 128.0f;
        particle_size[s] = size;
    }
}

void sprinkle::shift_origin() {
    // Bursts move with their frame; shots and puffs keep world positions.
    if (kind != k_tracer && kind != k_plume) return;
    const vec3 shift = g_state != nullptr ? g_state->last_shift : vec3{};
    const int n = std::clamp(count, 0, k_max_particles);
    for (int i = 0; i < n; ++i) particle_position[static_cast<std::size_t>(i)] -= shift;
}

// ---- Drawing ----

void sprinkle::build_shot_vertices() {
    shot_vertices_.clear();
    const float s = size;
    auto quad = [this](const vec3 c[4], float u0, float u1, float v0, float v1) {
        // c: top-left, top-right, bottom-left, bottom-right.
        const effect_vertex a{c[0].x, c[0].y, c[0].z, 0xFFFFFFFFu, u0, v0};
        const effect_vertex b{c[1].x, c[1].y, c[1].z, 0xFFFFFFFFu, u1, v0};
        const effect_vertex d{c[2].x, c[2].y, c[2].z, 0xFFFFFFFFu, u0, v1};
        const effect_vertex e{c[3].x, c[3].y, c[3].z, 0xFFFFFFFFu, u1, v1};
        for (const effect_vertex& v : {a, b, d, e, d, b}) shot_vertices_.push_back(v);
    };
    // The head square, then the horizontal and vertical strips from 3 s behind to s ahead.
    const vec3 head[4] = {{-s / 2, s / 2, 0}, {s / 2, s / 2, 0}, {-s / 2, -s / 2, 0}, {s / 2, -s / 2, 0}};
    quad(head, 0.25f, 0.75f, 0.0f, 0.5f);
    const vec3 flat[4] = {{-s / 2, 0, -3 * s}, {-s / 2, 0, s}, {s / 2, 0, -3 * s}, {s / 2, 0, s}};
    quad(flat, 0.0f, 1.0f, 0.5f, 1.0f);
    const vec3 upright[4] = {{0, s / 2, -3 * s}, {0, s / 2, s}, {0, -s / 2, -3 * s}, {0, -s / 2, s}};
    quad(upright, 0.0f, 1.0f, 0.5f, 1.0f);
    // Sixteen animation frames of a 4 x 4 sheet, at 5 s and at 10 s.
    for (float half : {5.0f * s, 10.0f * s}) {
        for (int f = 0; f < k_impact_frames; ++f) {
            const float u = 0.25f * static_cast<float>(f % 4);
            const float v = 0.25f * static_cast<float>(f / 4);
            const vec3 c[4] = {{-half, half, 0}, {half, half, 0}, {-half, -half, 0}, {half, -half, 0}};
            quad(c, u, u + 0.25f, v, v + 0.25f);
        }
    }
}

void sprinkle::render() {
    if (in_shadow_map_pass()) return;
    frame::render();
    if (count == 0 || !in_view) return;
    switch (kind) {
    case k_fire:
    case k_smoke:
    case k_spray: render_burst(); break;
    case k_tracer: render_tracers(); break;
    case k_plume: render_plume(); break;
    default: break;
    }
}

void sprinkle::render_burst() {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    // The classic scaled point (scale factors 0, 0, 1) is viewport height x size / distance
    // pixels tall: a quad of 2 tan(fov / 2) x size metres covers the same.
    const float fov = camera_vertical_fov();
    const float point = kind == k_fire ? intensity * 0.005f * size / fov : 2.0f * size / fov;
    const float half = std::tan(fov / 2.0f) * point;
    const mat4 turn = camera_rotation();
    const vec3 right = normalize(get_axis_x(turn));
    const vec3 up = normalize(get_axis_y(turn));
    const int n = std::min(count, k_burst_particles);
    stream_.clear();
    for (int i = 0; i < n; ++i) {
        const vec3& p = particle_position[static_cast<std::size_t>(i)];
        append_quad(&stream_, transform_point(p.x, p.y, p.z, world), right, up, half, half,
                    particle_colour[static_cast<std::size_t>(i)]);
    }
    const bool fire = kind == k_fire;
    if (fire) {
        d->set_render_state(RS_DESTBLEND, BLEND_ONE);
        d->set_render_state(RS_LIGHTING, 0);
    } else {
        d->set_render_state(RS_AMBIENT, ambient_colour());
        d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    }
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_material(white_material());
    d->set_texture(0, texture);
    draw_effect_triangles(d, stream_);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_ZWRITEENABLE, 1);
    if (fire) {
        d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        d->set_render_state(RS_FOGCOLOR, fog_colour());
        d->set_render_state(RS_LIGHTING, 1);
    } else {
        d->set_render_state(RS_AMBIENT, 0);
        d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
    }
}

void sprinkle::render_tracers() {
    gfx_device* d = current_device();
    if (d == nullptr || shot_vertices_.size() < static_cast<std::size_t>(k_shot_vertices)) return;
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_material(white_material());
    d->set_fvf(k_effect_fvf);
    const int stride = static_cast<int>(sizeof(effect_vertex));
    mat4 rotation = world;
    set_row(rotation, 3, {});
    const mat4 heading = billboard_heading();
    for (int i = 0; i < std::min(count, k_max_shots); ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        const vec3& p = particle_position[s];
        if (state[s] == 0) {
            d->set_transform(TS_WORLD, rotation * mat_translation(p));
            d->set_texture(0, texture);
            d->draw_primitive_up(PT_TRIANGLELIST, 6, shot_vertices_.data(), stride);
            continue;
        }
        const int f = static_cast<int>(particle_velocity[s].y);
        if (f < 0 || f >= k_impact_frames) continue;
        d->set_transform(TS_WORLD, heading * mat_translation(p));
        d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        if (state[s] < 3) {
            d->set_render_state(RS_LIGHTING, 1);
            d->set_render_state(RS_AMBIENT, ambient_colour());
            d->set_texture(0, impact_textures[state[s] - 1]);
            d->draw_primitive_up(PT_TRIANGLELIST, 2, &shot_vertices_[static_cast<std::size_t>(18 + 6 * f)], stride);
            d->set_render_state(RS_LIGHTING, 0);
            d->set_render_state(RS_AMBIENT, 0);
        } else {
            d->set_texture(0, impact_textures[2]);
            d->draw_primitive_up(PT_TRIANGLELIST, 2, &shot_vertices_[static_cast<std::size_t>(114 + 6 * f)], stride);
        }
        d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    }
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_FOGCOLOR, fog_colour());
    d->set_render_state(RS_LIGHTING, 1);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_ZWRITEENABLE, 1);
}

void sprinkle::render_plume() {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const mat4 turn = billboard_pitch_heading();
    const vec3 right = get_axis_x(turn);
    const vec3 up = get_axis_y(turn);
    stream_.clear();
    // Every puff in slot order (the newest first), as one streamed draw.
    for (int i = 0; i < std::min(count, k_max_particles); ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        const int a = static_cast<int>(std::clamp(particle_alpha[s], 0.0f, 255.0f));
        append_quad(&stream_, particle_position[s], right, up, particle_size[s], particle_size[s],
                    static_cast<std::uint32_t>(a) << 24 | 0x00FFFFFFu);
    }
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, ambient_colour());
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    d->set_material(white_material());
    d->set_texture(0, texture);
    draw_effect_triangles(d, stream_);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_AMBIENT, 0);
    d->set_render_state(RS_ZWRITEENABLE, 1);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
}
