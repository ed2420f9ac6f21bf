#include "core/scene_services.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/frame.h"
#include "platform/keys.h"

namespace {

scene_services g_default_services;
scene_services* g_services = &g_default_services;

}  // namespace

float scene_services::ground_height(float, float) { return 0.0f; }

float scene_services::sea_height(float, float) {
    if (g_state == nullptr) return 0.0f;
    return g_state->water_level - g_state->origin_offset.y;
}

void scene_services::draw_selection_box(const vec3&, const vec3&, float, std::uint32_t) {}

float scene_services::path_fog_distance(float) {
    return g_state != nullptr ? g_state->fog_air : 10000.0f;
}

void scene_services::shift_scene(const vec3&) {}
void scene_services::render_pass(render_pass_kind) {}
int scene_services::collect_labels(object_label*, int) { return 0; }
bool scene_services::gui_mouse_move(int, int) { return false; }
bool scene_services::gui_mouse_down(int, int) { return false; }
void scene_services::gui_mouse_up() {}
bool scene_services::key_held(int virtual_key) { return key_is_down(virtual_key); }

void scene_services::mark_ground_cell(float, float, int) {}

float scene_services::ground_height_masked(float, float, std::uint32_t) { return k_no_masked_ground; }

bool scene_services::ground_class_near_view(std::uint32_t, float) { return false; }

void scene_services::ground_height_normal(float x, float z, float* h, vec3* normal) {
    *h = ground_height(x, z);
    *normal = {0.0f, 1.0f, 0.0f};
}

void scene_services::draw_cross_marker(const vec3&, float, std::uint32_t) {}
void scene_services::draw_map_symbol(float, float, float, int, std::uint32_t) {}

frame* scene_services::objects_root() { return nullptr; }
frame* scene_services::transps_root() { return nullptr; }
void scene_services::forget_camera_target(frame*) {}
void scene_services::camera_replace_object(frame*, frame*) {}

void scene_services::camera_relative_motion(const frame* f, vec3* position, vec3* velocity) {
    *position = {};
    *velocity = {};
    if (f == nullptr || g_state == nullptr || g_state->camera_world == nullptr) return;
    // The camera's published matrix gives its place and axes; its own motion is the scene's
    // to add.
    const mat4& cam = *g_state->camera_world;
    const vec3 ax = normalize(get_axis_x(cam));
    const vec3 ay = normalize(get_axis_y(cam));
    const vec3 az = normalize(get_axis_z(cam));
    const vec3 d = f->world_position() - get_translation(cam);
    *position = {dot(d, ax), dot(d, ay), dot(d, az)};
    if (!(g_state->dt > 0.0f)) return;
    const vec3 v = f->last_motion / g_state->dt;
    *velocity = {dot(v, ax), dot(v, ay), dot(v, az)};
}

frame* scene_services::emit_burst(const particle_burst&) { return nullptr; }
frame* scene_services::emit_column(const smoke_column&) { return nullptr; }

frame* scene_services::create_exhaust(frame* parent, const exhaust_params& params) {
    static const char* const names[] = {"flame", "plume", "smoke"};
    const int kind = std::clamp(static_cast<int>(params.kind), 0, 2);
    frame* made = nullptr;
    if (!create_frame(parent, &made, names[kind])) return nullptr;
    made->set_position(params.position.x, params.position.y, params.position.z);
    return made;
}

void scene_services::set_exhaust_colour(frame*, float) {}
void scene_services::set_exhaust_emission(frame*, bool) {}
void scene_services::set_exhaust_sizes(frame*, float, float) {}
bool scene_services::exhaust_settled(frame*) { return true; }
void scene_services::speak(const char*) {}
void scene_services::play_sound_slot(int, int) {}
void scene_services::play_siren(int) {}
void scene_services::lon_lat_to_scene(float east, float north, float* x, float* z) {
    // A nautical mile per minute of arc.
    *x = east * 111120.0f;
    *z = north * 111120.0f;
}

scene_services& services() { return *g_services; }

void exhaust_settings::apply(frame* flame, float colour, frame* plume, bool emitting) {
    scene_services& s = services();
    const bool same_exhausts = backend_ == &s && flame_ == flame && plume_ == plume;
    if (!same_exhausts || colour_ != colour) s.set_exhaust_colour(flame, colour);
    if (!same_exhausts || emitting_ != emitting) s.set_exhaust_emission(plume, emitting);
    backend_ = &s;
    flame_ = flame;
    plume_ = plume;
    colour_ = colour;
    emitting_ = emitting;
}

void install_scene_services(scene_services* backend) {
    g_services = backend != nullptr ? backend : &g_default_services;
}

void ground_height(float x, float z, float* h) { *h = services().ground_height(x, z); }
void sea_height(float x, float z, float* h) { *h = services().sea_height(x, z); }

void mark_ground_cell(float x, float z, int value) { services().mark_ground_cell(x, z, value); }

void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                        std::uint32_t colour) {
    services().draw_selection_box(min, max, altitude_offset, colour);
}

void ground_height_masked(float x, float z, std::uint32_t mask, float* h) {
    *h = services().ground_height_masked(x, z, mask);
}

bool ground_class_near_view(std::uint32_t mask, float radius) {
    return services().ground_class_near_view(mask, radius);
}

void draw_cross_marker(float x, float y, float z, float half_size, std::uint32_t colour) {
    services().draw_cross_marker({x, y, z}, half_size, colour);
}

void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) {
    services().draw_map_symbol(x, y, size, kind, colour);
}

// ---- Scene graph ----

namespace {

void add_to_root(frame* root, frame* f, bool on_ground) {
    if (root == nullptr || f == nullptr) return;
    root->add_child(f);
    if (!on_ground) return;
    const vec3 p = f->world_position();
    float ground = 0.0f;
    ground_height(p.x, p.z, &ground);
    f->move_by(0.0f, ground - p.y - f->box.min.y, 0.0f);
}

// Where an effect of an object goes: the object's world position under the "transps" root,
// or the object's own origin as its child.
void place_effect(frame* object, bool in_world, vec3* position, frame** parent) {
    if (in_world || object == nullptr) {
        *position = object != nullptr ? object->world_position() : vec3{};
        *parent = nullptr;
    } else {
        *position = {};
        *parent = object;
    }
}

// Heading and pitch that turn an emitter's z axis onto the direction z.
void aim_along(const vec3& z, float* heading, float* pitch) {
    *heading = std::atan2(z.x, z.z);
    *pitch = -std::atan2(z.y, std::sqrt(z.x * z.x + z.z * z.z));
}

particle_burst burst(std::int32_t kind, std::int32_t count, float speed, float size,
                     burst_shape shape) {
    particle_burst b;
    b.kind = kind;
    b.count = count;
    b.speed = speed;
    b.size = size;
    b.shape = shape;
    return b;
}

}  // namespace

void add_scene_object(frame* f, bool on_ground) {
    add_to_root(services().objects_root(), f, on_ground);
}

void add_scene_transp(frame* f, bool on_ground) {
    add_to_root(services().transps_root(), f, on_ground);
}

void forget_camera_target(frame* f) { services().forget_camera_target(f); }

void camera_replace_object(frame* old_object, frame* new_object) {
    if (old_object == nullptr || old_object == new_object) return;
    services().camera_replace_object(old_object, new_object);
}

void camera_relative_motion(const frame* f, vec3* position, vec3* velocity) {
    if (f == nullptr) {
        *position = {};
        *velocity = {};
        return;
    }
    services().camera_relative_motion(f, position, velocity);
}

// ---- Effects ----

void spawn_explosion(frame* object, float s, bool in_world) {
    if (object == nullptr) return;
    vec3 position;
    frame* parent = nullptr;
    place_effect(object, in_world, &position, &parent);
    const vec3 at = object->world_position();
    float ground = 0.0f;
    ground_height(at.x, at.z, &ground);
    const float water = g_state != nullptr ? g_state->water_level - g_state->origin_offset.y : 0.0f;
    const float surface = std::max(ground, water);
    particle_burst first = surface >= at.y ? burst(2, 255, 10.0f * s, 0.5f * s, BURST_PLUME)
                                           : burst(1, 255, 5.0f * s, s, BURST_SPHERE);
    first.position = position;
    first.parent = parent;
    services().emit_burst(first);
    particle_burst fire = burst(0, 255, 10.0f * s, 0.5f * s, BURST_SPHERE);
    fire.position = position;
    fire.parent = parent;
    services().emit_burst(fire);
}

void spawn_missile_explosion(float length, float bias, frame* object, float s, bool in_world) {
    if (object == nullptr) return;
    vec3 position;
    frame* parent = nullptr;
    place_effect(object, in_world, &position, &parent);
    float heading = 0.0f, pitch = 0.0f;
    if (parent == nullptr) aim_along(get_axis_z(object->world), &heading, &pitch);
    for (particle_burst b : {burst(1, 255, 25.0f * s, 2.5f * s, BURST_LINE),
                             burst(0, 255, 50.0f * s, 0.6f * s, BURST_LINE)}) {
        b.length = length;
        b.bias = bias;
        b.position = position;
        b.parent = parent;
        b.heading = heading;
        b.pitch = pitch;
        services().emit_burst(b);
    }
}

void spawn_muzzle_burst(frame* object, float speed, float size) {
    if (object == nullptr) return;
    particle_burst b = burst(0, 128, speed, size, BURST_CONE);
    b.position = object->world_position();
    aim_along(get_axis_z(object->world), &b.heading, &b.pitch);
    services().emit_burst(b);
}

frame* make_impact_smoke(float x, float y, float z, frame* parent, float s) {
    smoke_column c;
    c.position = {x, y, z};
    c.parent = parent;
    c.fire = 1;
    c.red = 191;
    c.green = 127;
    c.blue = 127;
    c.size = s;
    c.growth = s;
    c.drift_y = 5.0f * s;
    c.ageing = 0.02f;
    return services().emit_column(c);
}

frame* make_impact_spray(float x, float y, float z, frame* parent, float s) {
    particle_burst b = burst(2, 255, s, 0.06f * s, BURST_PLUME);
    b.position = {x, y, z};
    b.parent = parent;
    return services().emit_burst(b);
}

frame* make_fire_burst(float x, float y, float z, frame* parent, float s) {
    particle_burst b = burst(0, 255, s, 0.06f * s, BURST_SPHERE);
    b.position = {x, y, z};
    b.parent = parent;
    return services().emit_burst(b);
}

frame* make_white_smoke(float x, float y, float z, frame* parent, float s) {
    smoke_column c;
    c.position = {x, y, z};
    c.parent = parent;
    c.count = 64;
    c.size = s;
    c.growth = s;
    c.drift_y = 5.0f;
    c.ageing = 0.25f;
    return services().emit_column(c);
}

void render_reflection() { services().render_pass(render_pass_kind::reflection); }
void render_refraction() { services().render_pass(render_pass_kind::refraction); }
void render_shadow() { services().render_pass(render_pass_kind::shadow); }
void render_overhead() { services().render_pass(render_pass_kind::overhead); }
void render_night_vision() { services().render_pass(render_pass_kind::night_vision); }
