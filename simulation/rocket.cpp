#include "simulation/rocket.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/scene_services.h"
#include "core/sound.h"
#include "core/sound_system.h"
#include "platform/gfx_device.h"
#include "platform/text.h"
#include "simulation/weapon_tables.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "missile";

namespace {

constexpr float k_g = 9.81f;
constexpr float k_launch_line = 100.0f;   // m flown straight before gravity acts
constexpr float k_debris_drag = 100.0f;   // drag factor of a broken, tumbling body
constexpr float k_sound_min_distance = 500.0f;  // m
constexpr int k_max_substeps = 16384;
constexpr const char* k_sound_files[3] = {"rocket2.wav", "flight2.wav", "explode.wav"};

// Event sounds of the scene that a landing restarts.
constexpr int k_slot_splash = 3;
constexpr int k_slot_bang = 4;
constexpr int k_slot_explosion = 7;

bool use_3d_smoke() { return g_app != nullptr && g_app->use_3d_smoke != 0; }
bool in_menu_mode() { return g_app != nullptr && g_app->menu_mode != 0; }

// Air density (kg/m³) of the standard atmosphere at an altitude (m): a polytrope up to the
// tropopause at 11 km, an isothermal layer above it.
float standard_density(float altitude) {
    if (altitude <= 11000.0f) return 1.225f * std::pow(1.0f - 2.2557e-5f * std::max(altitude, -1000.0f), 4.2561f);
    return 2.06211f / std::exp(1.57688e-4f * altitude);
}

}  // namespace

hresult create_rocket(frame* parent, rocket** out) { return create_owned(parent, out); }

rocket::rocket() {
    type = FRAME_ROCKET;
    set_name("New Target");
}

// The buffers keep their device alive, so releasing them here is always safe.
rocket::~rocket() { rocket::stop_sounds(); }

void rocket::load(const char* model_path) {
    if (load_x(model_path)) {
        body_length = base_box.max.z - base_box.min.z;
        body_radius = 0.5f * (base_box.max.x - base_box.min.x);
    }
    for (int i = 0; i < 3; ++i) load_sound(i, k_sound_files[i]);
    exhaust_params p;
    p.kind = EXHAUST_PLUME;
    p.position = {0.0f, 0.0f, -body_length};
    p.speed = -100.0f * body_radius;
    p.size = 2.0f * body_radius;
    plume = services().create_exhaust(this, p);
    exhaust_params f;
    f.kind = EXHAUST_FLAME;
    f.colour = 0.5f;
    f.trail = (use_3d_smoke() || in_menu_mode()) ? 0 : 1;
    f.size = 0.5f * body_radius;
    f.position = {0.0f, 0.0f, -0.5f * body_length};
    flame = services().create_exhaust(this, f);
    if (flame != nullptr) {
        flame->local = mat_scaling(f.size, f.size, 5.0f * f.size) * mat_translation(f.position);
        flame->has_scale = 1;
        flame->update_matrices();
    }
}

void rocket::load_sound(int i, const char* file) {
    if (!sound_available()) return;
    char path[64];
    format_text(path, "sounds\\%s", file);
    // The sound service logs a file that does not load; the rocket then flies silently.
    if (!g_sound->load_wave(path, &sounds_[i])) return;
    g_sound->set_volume(sounds_[i].get(), g_sound->volume_engine);
    check_result(sounds_[i]->set_min_distance(k_sound_min_distance), k_hr_source, __LINE__);
}

void rocket::play_sound(int i, bool looping) {
    sound_on_[i] = looping ? 1 : 0;  // a sound played once counts as over at once
    if (g_sound == nullptr) return;
    if (looping) {
        g_sound->play_looping(sounds_[i].get());
    } else {
        g_sound->restart(sounds_[i].get());
    }
}

void rocket::stop_sound(int i) {
    sound_on_[i] = 0;
    if (g_sound != nullptr) g_sound->stop(sounds_[i].get());
}

void rocket::launch() {
    play_sound(ROCKET_SOUND_MOTOR, true);
    move = 0;  // the flight step moves the rocket, not the frame's linear motion
    velocity = normalize(get_axis_z(world));
    launched = 1;
    burning = 1;
    path.clear();
}

void rocket::burn_out() {
    burning = 0;
    stop_sound(ROCKET_SOUND_MOTOR);
    play_sound(ROCKET_SOUND_COASTING, true);
}

void rocket::explode() {
    destroyed = 1;
    burning = 0;
    spawn_explosion(this, 0.5f * std::sqrt(mass), true);
    play_sound(ROCKET_SOUND_EXPLOSION, false);
    stop_sound(ROCKET_SOUND_MOTOR);
    stop_sound(ROCKET_SOUND_COASTING);
}

void rocket::update_air_data() {
    const vec3 p = local_position();
    altitude = (g_state != nullptr ? g_state->origin_offset.y : 0.0f) + p.y;
    sea_height(p.x, p.z, &sea_level);
    ground_height(p.x, p.z, &ground_level);
    under_water = sea_level > p.y ? 1 : 0;
    under_ground = ground_level > p.y ? 1 : 0;
    if (under_water) {
        temperature = 288.0f;
        density = 1000.0f;
    } else {
        temperature = altitude <= 11000.0f ? 288.0f - 0.006481818f * altitude : 216.7f;
        density = standard_density(altitude);
    }
    speed = ::length(velocity);
    mach = speed / std::sqrt(401.87f * temperature);
    stagnation_temperature = temperature * (1.0f + 0.2f * mach * mach);
    radiation_wavelength = std::max(1.0f, 2e-5f / density) * 2898.0f / stagnation_temperature;
}

void rocket::update() {
    if (g_app != nullptr && g_app->paused) return;
    frame::update();
    const float dt = g_state != nullptr ? g_state->dt : 0.0f;
    if (landed || !launched || !(dt > 0.0f) || !std::isfinite(dt)) return;
    const int steps = std::clamp(static_cast<int>(std::ceil(dt / k_max_step)), 1, k_max_substeps);
    const float h = dt / static_cast<float>(steps);
    const bool was_flying = !destroyed;
    for (int k = 0; k < steps; ++k) {
        const bool still = destroyed ? fall(h) : fly(h);
        if (!still) return;  // landed and reported: the tables took it out of the scene
    }
    if (was_flying && !destroyed && g_state != nullptr) {
        path.sample(g_state->now, local_position() + g_state->origin_offset);
    }
    update_exhaust();
    update_sound_positions();
}

bool rocket::fly(float dt) {
    update_air_data();
    if (burning) {
        thrust = mass * boost_acceleration;
        if (speed > burnout_speed) burn_out();  // the thrust of this step stays
    } else {
        thrust = 0.0f;
    }
    dynamic_force = 0.5f * density * reference_area * speed * speed;
    drag = dynamic_force * drag_coefficient;
    lateral_g = dynamic_force / (mass * k_g);
    axial_acceleration = (thrust - drag) / mass;
    velocity_direction = speed > 0.0f ? velocity / speed : normalize(get_axis_z(world));
    acceleration = velocity_direction * axial_acceleration;
    if (flight_time * speed >= k_launch_line) acceleration -= vec3{0.0f, k_g, 0.0f};
    velocity += acceleration * dt;
    flight_time += dt;
    // The body follows its velocity with a time constant of 0.2 s.
    const vec3 x = normalize(get_axis_x(world));
    const vec3 y = normalize(get_axis_y(world));
    const vec3 z = normalize(get_axis_z(world));
    body_velocity = {dot(velocity, x), dot(velocity, y), dot(velocity, z)};
    yaw_rate = std::atan2(body_velocity.x, body_velocity.z) * 5.0f * dt;
    pitch_rate = std::atan2(body_velocity.y, body_velocity.z) * 5.0f * dt;
    roll_rate = 0.0f;
    turn_local_axes(yaw_rate, -pitch_rate, 0.0f);
    next_position = local_position() + velocity * dt;
    set_position(next_position.x, next_position.y, next_position.z);
    if (!under_ground && !under_water) return true;
    land_flying();
    return false;
}

void rocket::land_flying() {
    const float s = 0.5f * std::sqrt(mass);
    spawn_explosion(this, s, true);
    if (under_ground && g_state != nullptr) {
        const vec3 p = local_position();
        g_state->spawn_impact_smoke(p.x, p.y, p.z, nullptr, s);
    }
    services().play_sound_slot(k_slot_explosion, 1);
    landed = 1;
    stop_sounds();
    on_rocket_landed(this);
}

bool rocket::fall(float dt) {
    update_air_data();
    dynamic_force = 0.5f * density * reference_area * speed * speed;
    drag = k_debris_drag * dynamic_force;
    axial_acceleration = -drag / mass;
    acceleration = normalize(velocity) * axial_acceleration - vec3{0.0f, k_g, 0.0f};
    velocity += acceleration * dt;
    flight_time += dt;
    turn_local_axes(dt, 2.0f * dt, dt);
    const vec3 p = local_position() + velocity * dt;
    set_position(p.x, p.y, p.z);
    if (!under_water && !under_ground) return true;
    if (g_state != nullptr) g_state->spawn_impact_spray(p.x, p.y, p.z, nullptr, std::sqrt(mass));
    if (under_ground) services().play_sound_slot(k_slot_bang, 1);
    if (under_water) services().play_sound_slot(k_slot_splash, 1);
    landed = 1;
    stop_sounds();
    on_rocket_landed(this);
    return false;
}

void rocket::update_exhaust() {
    if (!burning) {
        exhaust_.apply(flame, 1.5f, plume, false);
        if (flame != nullptr) {
            flame->local = mat_scaling(0.0f, 0.0f, 0.0f);
            flame->has_scale = 1;
            flame->update_matrices();
        }
        return;
    }
    exhaust_.apply(flame, 0.5f, plume, true);
    if (flame == nullptr) return;
    const float s = 5.0f * body_radius;
    const float z = -((0.5f * body_length - 1.25f * body_radius) + 0.25f * s);
    flame->local = mat_scaling(s, s, 5.0f * s) * mat_translation(0.0f, 0.0f, z);
    flame->has_scale = 1;
    flame->update_matrices();
}

void rocket::update_sound_positions() {
    place_sounds(this, sounds_, static_cast<int>(std::size(sounds_)));
}

void rocket::render() {
    mesh::render();
    if (g_state == nullptr || g_state->render_pass != 2) return;
    if (g_app == nullptr || !g_app->use_path || path.count < 2) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    // The points are absolute: the world transform takes the origin offset off again. The
    // rockets' paths are drawn in the shared orange.
    device_set_world(mat_translation(-g_state->origin_offset));
    device_set_lighting(false);
    CHECK_HR(d->set_texture(0, g_state != nullptr ? g_state->objects.orange_texture.get() : nullptr));
    CHECK_HR(d->set_fvf(FVF_XYZ));
    CHECK_HR(d->draw_primitive_up(PT_LINESTRIP, path.count - 1, path.points, static_cast<int>(sizeof(vec3))));
    CHECK_HR(d->set_texture(0, nullptr));
    device_set_lighting(true);
}

void rocket::apply_volume() {
    frame::apply_volume();
    if (!sound_available()) return;
    for (const std::unique_ptr<sound_buffer>& b : sounds_) g_sound->set_volume(b.get(), g_sound->volume_sounds);
    g_sound->set_volume(sounds_[ROCKET_SOUND_MOTOR].get(), g_sound->volume_engine);
    g_sound->set_volume(sounds_[ROCKET_SOUND_EXPLOSION].get(), g_sound->volume_engine);
}

void rocket::stop_sounds() {
    frame::stop_sounds();
    for (int i = 0; i < 3; ++i) stop_sound(i);
}

float ballistic_range(float launch_speed, float elevation, float dt) {
    if (!(launch_speed > 0.0f) || !std::isfinite(launch_speed) || !std::isfinite(elevation) ||
        !(dt > 0.0f) || !std::isfinite(dt)) {
        return 0.0f;
    }
    constexpr float mass = 1000.0f, area = 0.05f, cd = 0.5f, boost_thrust = 50000.0f;
    float height = 0.0f, distance = 0.0f, speed = 0.0f, time = 0.0f;
    float vx = 0.0f, vy = 0.0f;
    // The direction of flight as cosine and sine: the elevation's along the launch line, then
    // the velocity's (straight ahead when the shot stands still).
    float along = std::cos(elevation), up = std::sin(elevation);
    bool motor = true;
    do {
        const float thrust = motor ? boost_thrust : 0.0f;
        motor = motor && launch_speed > speed;
        const float a = (thrust - 0.5f * standard_density(height) * area * cd * speed * speed) / mass;
        if (speed * time < k_launch_line) {
            speed += a * dt;
            vx = along * speed;
            vy = up * speed;
        } else {
            vx += along * a * dt;
            vy += up * a * dt - k_g * dt;
            speed = std::sqrt(vx * vx + vy * vy);
            along = speed > 0.0f ? vx / speed : 1.0f;
            up = speed > 0.0f ? vy / speed : 0.0f;
        }
        height += vy * dt;
        distance += vx * dt;
        time += dt;
    } while (height > 0.0f && time < k_max_shot_time);
    return distance;
}
