#include "world/rain.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "platform/program_rand.h"

namespace {

constexpr const char k_hr_source[] = "rain";
constexpr int k_texture_mode_plain = 0;
constexpr float k_lead = 1.5f;  // the cube's centre sits this many sizes ahead of the camera

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

float random_coordinate(float size) {
    return (1.0f - 2.0f * static_cast<float>(program_rand()) / program_rand_max) * size;
}

vec3 position(const rain::vertex& v) { return {v.x, v.y, v.z}; }

void place(rain::vertex* v, const vec3& p) {
    v->x = p.x;
    v->y = p.y;
    v->z = p.z;
}

// The amount that brings a coordinate back into low..high, or 0.
float wrap_shift(float value, float low, float high, float span) {
    if (value < low) return span;
    if (value > high) return -span;
    return 0.0f;
}

}  // namespace

rain::rain() = default;

rain::~rain() { release(); }

void rain::set_density(float fraction) {
    const float n = std::max(0.0f, fraction) * static_cast<float>(k_max_vertices);
    count = std::min(static_cast<int>(n), k_max_vertices);
}

bool rain::init(const char* texture_name) {
    gfx_device* d = device();
    if (d == nullptr) return false;
    constexpr int bytes = k_max_vertices * static_cast<int>(sizeof(vertex));
    if (!vertex_buffer &&
        !CHECK_HR(d->create_vertex_buffer(bytes, USAGE_WRITEONLY, k_fvf, POOL_MANAGED, &vertex_buffer))) {
        vertex_buffer.reset();
        return false;
    }
    void* p = nullptr;
    if (!CHECK_HR(vertex_buffer->lock(0, 0, &p))) return false;
    vertex* v = static_cast<vertex*>(p);
    const float uv[3][2] = {{0.5f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    for (int t = 0; t < k_triangles; ++t) {
        for (int k = 0; k < 3; ++k) {
            vertex& out = v[3 * t + k];
            out.x = random_coordinate(size);
            out.y = random_coordinate(size);
            out.z = random_coordinate(size);
            out.u = uv[k][0];
            out.v = uv[k][1];
        }
    }
    CHECK_HR(vertex_buffer->unlock());
    if (texture_name != nullptr && texture == nullptr) {
        g_app->load_texture(texture_name, &texture, k_texture_mode_plain, true);
    }
    return true;
}

// A step of more than the cube's half-size moves the centre; a step of less than twice the
// half-size keeps the particles where they are in the world, a longer one carries them along.
void rain::recentre(vertex* v) {
    const float step = length(offset);
    if (step <= size) return;
    world.m[3][0] += offset.x;
    world.m[3][1] += offset.y;
    world.m[3][2] += offset.z;
    if (step < 2.0f * size) {
        for (int i = 0; i < count; ++i) place(&v[i], position(v[i]) - offset);
    }
    offset = vec3{};
}

// Brings a particle's first vertex back into the cube around the offset; whole moves all
// three of its vertices by the same amount (otherwise only the first, the rest are rebuilt).
void rain::wrap_particle(vertex* v, bool whole) const {
    const float span = 2.0f * size;
    const vec3 shift{wrap_shift(v[0].x, offset.x - size, offset.x + size, span),
                     wrap_shift(v[0].y, offset.y - size, offset.y + size, span),
                     wrap_shift(v[0].z, offset.z - size, offset.z + size, span)};
    const int n = whole ? 3 : 1;
    for (int k = 0; k < n; ++k) place(&v[k], position(v[k]) + shift);
}

void rain::update() {
    const mat4 camera = g_state != nullptr && g_state->camera_world != nullptr
                            ? *g_state->camera_world
                            : mat_identity();
    offset = get_translation(camera) - centre() + (k_lead * size) * get_axis_z(camera);
    if (count == 0) {
        if (length(offset) > size) {
            world.m[3][0] += offset.x;
            world.m[3][1] += offset.y;
            world.m[3][2] += offset.z;
        }
        return;
    }
    void* p = nullptr;
    if (!vertex_buffer || !CHECK_HR(vertex_buffer->lock(0, 0, &p))) return;
    vertex* v = static_cast<vertex*>(p);
    const int particles = count / 3;
    const bool paused = g_app != nullptr && g_app->paused != 0;
    if (!paused) {
        const float dt = g_state != nullptr ? g_state->smoothed_step : 0.0f;
        const bool above = g_state == nullptr || g_state->above_water != 0;
        const float* motion = g_state == nullptr ? nullptr : above ? g_state->wind : g_state->water_motion;
        const float mx = motion != nullptr ? motion[0] : 0.0f;
        const float mz = motion != nullptr ? motion[1] : 0.0f;
        const vec3 drift{mx * dt, -fall_speed * dt, mz * dt};
        const vec3 half = get_axis_x(camera) * (particle_size / 2.0f);
        const vec3 hang = get_axis_y(camera) * particle_size;
        const vec3 stretch = drift - (offset - previous_offset);
        recentre(v);
        for (int i = 0; i < particles; ++i) {
            vertex* t = v + 3 * i;
            wrap_particle(t, false);
            const vec3 first = position(t[0]) + drift;
            place(&t[0], first);
            place(&t[1], first + stretch - half - hang);
            place(&t[2], first + stretch + half - hang);
        }
    } else {
        recentre(v);
        for (int i = 0; i < particles; ++i) wrap_particle(v + 3 * i, true);
    }
    CHECK_HR(vertex_buffer->unlock());
    previous_offset = offset;
}

void rain::render() {
    gfx_device* d = device();
    if (d == nullptr || count == 0 || !vertex_buffer) return;
    const mat4 projection = d->transform(TS_PROJECTION);
    d->set_transform(TS_WORLD, world);
    if (g_state != nullptr && g_state->near_projection != nullptr) {
        d->set_transform(TS_PROJECTION, *g_state->near_projection);
    }
    d->set_render_state(RS_ZENABLE, 0);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, g_app->fog_color);
    d->set_texture(0, texture);
    if (g_state != nullptr) d->set_material(g_state->objects.default_material);
    d->set_fvf(k_fvf);
    d->set_stream_source(0, vertex_buffer.get(), 0, sizeof(vertex));
    CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, 0, count / 3));
    d->set_render_state(RS_ZENABLE, 1);
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_render_state(RS_AMBIENT, 0);
    d->set_transform(TS_PROJECTION, projection);
}

void rain::release() {
    vertex_buffer.reset();
    if (texture != nullptr && g_app != nullptr) g_app->release_texture(&texture);
    texture = nullptr;
}
