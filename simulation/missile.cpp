#include "simulation/missile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/scene_services.h"
#include "platform/gfx_device.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/definition_reader.h"
#include "simulation/missile_file.h"
#include "simulation/missile_owner.h"
#include "simulation/named_part.h"
#include "simulation/rocket.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "missile";

namespace {

constexpr float k_g = 9.81f;
constexpr float k_right_angle = 1.5707964f;  // rad: look and command limits of the seeker
constexpr int k_max_substeps = 16384;
constexpr std::uint32_t k_dead_wait_ms = 3000;

std::uint32_t clock_ms() { return g_state != nullptr ? g_state->now : 0; }
bool verbose() { return g_app != nullptr && g_app->use_verbose != 0; }

float clamped_acos(float x) { return std::acos(std::clamp(x, -1.0f, 1.0f)); }

// Whether the angle whose cosine is x lies within the seeker's right angle: the arc cosine of
// every float from 0 to 1 is at most k_right_angle (the arc cosine of 0), so only a negative
// cosine needs the arc cosine itself.
bool within_right_angle(float x) { return x >= 0.0f || clamped_acos(x) <= k_right_angle; }

// Bit for bit, as the axes they were made from.
bool same_bits(const vec3& a, const vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

// A target's velocity in world axes. A frame moved by its linear-motion behaviour keeps its
// velocity in its own axes; a flying object (a missile, a rocket) keeps it in world axes. A
// target flying straight keeps its axes from step to step: their unit vectors are kept with
// the axes they came from.
vec3 missile::world_velocity(const frame* f) {
    if (!f->move) return f->velocity;
    target_axes& k = target_axes_;
    const vec3 x = get_axis_x(f->world), y = get_axis_y(f->world), z = get_axis_z(f->world);
    if (!k.valid || !same_bits(x, k.x) || !same_bits(y, k.y) || !same_bits(z, k.z)) {
        k = {true, x, y, z, normalize(x), normalize(y), normalize(z)};
    }
    const vec3& v = f->velocity;
    return k.unit_x * v.x + k.unit_y * v.y + k.unit_z * v.z;
}

hresult create_missile(frame* parent, missile** out) { return create_owned(parent, out); }

missile::missile() {
    type = FRAME_MISSILE;
    copy_text(name, "New Missile");
}

missile::~missile() = default;

// ---- Assembly and layout ----

void missile::assemble(missile_owner* owner_system) {
    owner = owner_system;
    if (motor == nullptr && create_rocket_motor(this, &motor) == S_OK) motor->burn_by_parent = 1;
    if (aero == nullptr) create_owned(this, &aero);
    if (!warhead_part) warhead_part = std::make_unique<warhead>();
    if (!seeker_part) seeker_part = std::make_unique<seeker>();
    set_never_cull(true);
    layout_parts();
}

bool missile::load(const char* design_name) {
    missile_file parts = part_names();
    // A damaged file is taken whole or not at all: none of its names reach the parts.
    if (!parts.read(design_name) || !parts.damage.empty()) return false;
    load_parts(parts, design_name);
    return true;
}

missile_file missile::part_names() const {
    missile_file parts;
    if (aero != nullptr) copy_text(parts.config_name, aero->name);
    if (motor != nullptr) copy_text(parts.motor_name, motor->name);
    if (warhead_part) copy_text(parts.warhead_name, warhead_part->name);
    if (seeker_part) copy_text(parts.seeker_name, seeker_part->name);
    return parts;
}

void missile::load_parts(const missile_file& parts, const char* design_name) {
    if (motor == nullptr || aero == nullptr) assemble(owner);
    load_named_part(*aero, parts.config_name);
    load_named_part(*motor, parts.motor_name);
    load_named_part(*warhead_part, parts.warhead_name);
    load_named_part(*seeker_part, parts.seeker_name);
    design_path path;
    if (make_design_path("missiles", design_name, &path)) copy_text(name, path.name);
    layout_parts();
}

bool missile::save(const char* design_name) {
    if (motor == nullptr || aero == nullptr) return false;
    design_path path;
    if (!make_design_path("missiles", design_name, &path)) return false;
    // A part whose file was refused keeps its place in the missile file, its file untouched.
    bool ok = !saved_with_design(*aero) || aero->save(aero->name);
    ok = (!saved_with_design(*motor) || motor->save(motor->name)) && ok;
    ok = (!saved_with_design(*warhead_part) || warhead_part->save(warhead_part->name)) && ok;
    ok = (!saved_with_design(*seeker_part) || seeker_part->save(seeker_part->name)) && ok;
    missile_file parts;
    copy_text(parts.config_name, aero->name);
    copy_text(parts.motor_name, motor->name);
    copy_text(parts.warhead_name, warhead_part->name);
    copy_text(parts.seeker_name, seeker_part->name);
    ok = parts.write(path.name) && ok;
    copy_text(name, path.name);
    return ok;
}

void missile::compute_masses() {
    // The airframe filled at 2 g/cm³ (cm³ to kg), less the propellant of the charges in use.
    launch_mass = 2.0f * (3.1415926f / 4.0f * aero->DC * aero->DC * aero->body_length) / 1000.0f;
    dry_mass = launch_mass - motor->propellant_total;
    // The flight keeps a least mass, but such a design is a mistake its maker should see.
    if (!(dry_mass > 0.0f)) {
        log_line_once("Missile %s: its %g kg of propellant outweigh the %g kg airframe", name,
                      static_cast<double>(motor->propellant_total), static_cast<double>(launch_mass));
    }
}

void missile::layout_parts() {
    if (aero == nullptr || motor == nullptr || !warhead_part || !seeker_part) return;
    aero->nozzle_exit_diameter = motor->exit_diameter;
    aero->build_geometry();
    warhead_part->seeker_diameter = seeker_part->seeker_diameter;
    warhead_part->seeker_head_diameter = seeker_part->seeker_diameter;
    warhead_part->compute(true);
    const float warhead_diameter = std::max(warhead_part->DS, warhead_part->DC);
    required_diameter =
        std::max({warhead_diameter, motor->chamber_diameter, seeker_part->seeker_diameter}) + 0.5f;
    required_length = warhead_part->LN + motor->overall_length + 4.0f * seeker_part->seeker_diameter;
    fits = (aero->DC + 0.1f > required_diameter && aero->body_length + 0.1f > required_length) ? 1 : 0;
    compute_masses();
    // The motor sits on the body axis at the tail.
    motor->set_position(0.0f, 0.0f, -(aero->body_length / 2.0f - motor->overall_length / 2.0f) * 0.01f);
    update_bounding_radius();
    update_bounding_box();
}

void missile::fit_airframe() {
    if (aero == nullptr || motor == nullptr || !warhead_part || !seeker_part) return;
    const float warhead_diameter = std::max(warhead_part->DS, warhead_part->DC);
    required_diameter =
        std::max({warhead_diameter, motor->chamber_diameter, seeker_part->seeker_diameter}) + 0.5f;
    required_length = warhead_part->LN + motor->overall_length + 4.0f * seeker_part->seeker_diameter;
    warhead_part->seeker_diameter = seeker_part->seeker_diameter;
    warhead_part->compute(true);
    const float across = required_diameter / aero->DC;
    const float along = required_length / aero->body_length;
    aero->DS *= across;
    aero->DC *= across;
    aero->DB *= across;
    aero->LN *= along;
    aero->LC *= along;
    aero->LT *= along;
    aero->CG *= along;
    for (int s = 0; s < aero_max_wing_sets; ++s) {
        aero->B[s] *= across;
        aero->CR[s] *= along;
        aero->CT[s] *= along;
        aero->HR[s] *= along;
        aero->XW[s] *= along;
    }
    aero->build_geometry();
    compute_masses();
    fits = 1;
}

// ---- Flight ----

void missile::launch() {
    if (motor == nullptr || aero == nullptr) return;
    motor->reset();
    motor->ignite();
    motor->start_flight_sound();
    aero->compute_coefficients(0.0f);
    move = 0;  // the flight step moves the missile, not the frame's linear motion
    velocity = normalize(get_axis_z(world));
    flight_time = 0.0f;
    next_error_time = 0.0f;
    speed = 0.0f;
    path.clear();
    dead = 0;
    under_water = 0;
    under_ground = 0;
}

void missile::update_air_data() {
    const vec3 p = local_position();
    const float offset_y = g_state != nullptr ? g_state->origin_offset.y : 0.0f;
    altitude = offset_y + p.y;
    float sea = 0.0f, ground = 0.0f;
    sea_height(p.x, p.z, &sea);
    ground_height(p.x, p.z, &ground);
    under_water = sea > p.y ? 1 : 0;
    under_ground = ground > p.y ? 1 : 0;
    if (under_water) {
        temperature = 288.0f;
        density = 1000.0f;
    } else if (altitude <= 11000.0f) {
        temperature = 288.0f - 0.006481818f * altitude;
        density = 1.225f * std::pow(1.0f - 2.2557e-5f * altitude, 4.2561f);
    } else {
        temperature = 216.7f;
        density = 2.06211f / std::exp(1.57688e-4f * altitude);
    }
    speed = length(velocity);
    mach = speed / std::sqrt(401.87f * temperature);
    stagnation_temperature = temperature * (1.0f + 0.2f * mach * mach);
    radiation_wavelength = std::max(1.0f, 2e-5f / density) * 2898.0f / stagnation_temperature;
}

void missile::update() {
    if (g_app != nullptr && g_app->paused) return;
    frame::update();  // the parts' exhaust and sounds; the burn runs below, step by step
    const float dt = g_state != nullptr ? g_state->dt : 0.0f;
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    const bool was_dead = dead != 0;
    const int steps = std::clamp(static_cast<int>(std::ceil(dt / k_max_step)), 1, k_max_substeps);
    const float h = dt / static_cast<float>(steps);
    bool flew = false;
    for (int k = 0; k < steps; ++k) {
        if (dead) {
            fall(h);
            continue;
        }
        // Until launched (the motor's flight sound on) the missile waits on its launcher.
        if (motor == nullptr || !motor->flight_sound) break;
        if (motor->running && !motor->paused) motor->burn_step(h);
        flew = true;
        if (!fly(h)) break;  // a self-destruct ends the tick's flight
    }
    if (was_dead) check_removal();
    if (flew && !dead) {
        const vec3 offset = g_state != nullptr ? g_state->origin_offset : vec3{};
        path.sample(clock_ms(), local_position() + offset);
    }
}

void missile::fall(float dt) {
    if (under_water || under_ground) {
        velocity -= velocity * dt;  // stopped by the ground or the water, without gravity
    } else {
        update_air_data();
        const float area = aero != nullptr ? aero->reference_area : 0.0f;
        dynamic_force = 0.5f * density * area * speed * speed;
        drag = 10.0f * dynamic_force;  // a tumbling body
        const float axial = -drag / std::max(dry_mass, k_min_mass);
        acceleration = normalize(velocity) * axial - vec3{0.0f, k_g, 0.0f};
        velocity += acceleration * dt;
    }
    flight_time += dt;
    turn_local_axes(dt, 2.0f * dt, dt);
    const vec3 p = local_position() + velocity * dt;
    set_position(p.x, p.y, p.z);
}

bool missile::fly(float dt) {
    update_air_data();
    aero->get_coefficients(mach, motor->running != 0, drag_coefficient, normal_coefficient, trim);
    dynamic_force = 0.5f * density * speed * speed * aero->reference_area;
    drag = dynamic_force * drag_coefficient;
    lateral_force = 0.25f * dynamic_force * normal_coefficient;
    mass = motor->propellant_remaining * 0.001f + dry_mass;
    if (!(mass >= k_min_mass)) {
        if (!mass_floor_logged) {
            log_line("Missile %s: flight mass %.3f kg floored at %.1f kg", name, mass, k_min_mass);
            mass_floor_logged = 1;
        }
        mass = k_min_mass;
    }
    axial_acceleration = (motor->thrust - drag) / mass;
    lateral_g = lateral_force / (mass * k_g);

    if (under_water || under_ground) {
        forget_camera_target(this);
        self_destruct();
        return false;
    }
    if (motor->burnt_out && lateral_g < 4.0f) {
        self_destruct();
        return false;
    }
    if (flight_time > seeker_part->self_destruct) {
        self_destruct();
        return false;
    }

    const bool steering_distance = flight_time * speed > 10.0f;
    const bool fins_free = !seeker_part->boost_phase || flight_time > seeker_part->fins_lock_time;
    vec3 c = get_axis_y(world);
    update_seeker_error();
    if (target != nullptr) {
        lateral_g = 0.0f;
        if (fins_free && steering_distance) {
            bool ended = false;
            c = guide(dt, &ended);
            if (ended) return false;
        }
    }

    velocity_direction = normalize(velocity);
    acceleration = velocity_direction * axial_acceleration;
    if (steering_distance) acceleration -= vec3{0.0f, k_g, 0.0f};
    velocity += acceleration * dt;
    flight_time += dt;
    turn_body(c, dt);
    next_position = local_position() + velocity * dt;
    set_position(next_position.x, next_position.y, next_position.z);
    return true;
}

void missile::turn_body(const vec3& c, float dt) {
    const vec3 x = normalize(get_axis_x(world));
    const vec3 y = normalize(get_axis_y(world));
    const vec3 z = normalize(get_axis_z(world));
    body_velocity = {dot(velocity, x), dot(velocity, y), dot(velocity, z)};
    // The body follows its velocity with a time constant of 0.2 s.
    pitch_rate = std::atan2(body_velocity.y, body_velocity.z) * 5.0f * dt;
    yaw_rate = std::atan2(body_velocity.x, body_velocity.z) * 5.0f * dt;
    roll_rate = dot(y, normalize(c)) * dt;
    // Only the local axes turn here: the caller moves the missile next.
    turn_local_axes(yaw_rate, -pitch_rate, roll_rate);
    // Many small turns let rounding bend the axes; keep them unit length and square.
    const vec3 nz = normalize(get_axis_z(local));
    const vec3 nx = normalize(cross(get_axis_y(local), nz));
    if (length_sq(nx) > 0.0f) {
        set_row(local, 0, nx);
        set_row(local, 1, cross(nz, nx));
        set_row(local, 2, nz);
    }
}

void missile::update_seeker_error() {
    if (flight_time > next_error_time) {
        const float amplitude = seeker_part->seeker_error;
        seeker_error_target.x = (1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f) * amplitude;
        seeker_error_target.y = (1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f) * amplitude;
        seeker_error_target.z = (1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f) * amplitude;
        next_error_time = flight_time + static_cast<float>(program_rand()) / 32767.0f;
    }
    seeker_error = seeker_error * 0.9f + seeker_error_target * 0.1f;
}

int missile::select_law(float range) const {
    if (seeker_part->terminal_phase && seeker_part->detection_range > range) {
        return seeker_part->terminal_type + 1;
    }
    if (seeker_part->midcourse_phase) return seeker_part->midcourse_type + 3;
    return LAW_NONE;
}

vec3 missile::guide(float dt, bool* ended) {
    const vec3 r = target->world_position() - world_position();
    const float range = std::max(1.0f, length(r));
    const vec3 relative = world_velocity(target) - velocity;
    const vec3 z = normalize(get_axis_z(world));
    const bool ahead = within_right_angle(dot(r, z) / range);
    // Line-of-sight rate (rad/s) plus the seeker's error.
    vec3 c = cross(r, relative) / (range * range) + seeker_error;
    if (ahead && length(c) <= k_right_angle) {
        switch (select_law(range)) {
        case LAW_DOG_CHASE:
            turn_velocity(c, 1.0f, dt);
            break;
        case LAW_PROPORTIONAL:
        case LAW_INTERCEPT_POINT:
            turn_velocity(c, 4.0f, dt);
            break;
        case LAW_LINE_OF_SIGHT:
            command_line_of_sight(dt, &c);
            break;
        default:
            break;
        }
    }
    if (range < 100.0f && fuse(r, range, ahead)) *ended = true;
    return c;
}

void missile::turn_velocity(const vec3& c, float n, float dt) {
    const float a_max = lateral_force / mass;
    const float need = n * speed * length(c);
    if (!(need > 0.0f)) return;  // nothing to steer toward
    lateral_g = std::min(a_max, need) / k_g;
    const float k = std::min(1.0f, a_max / need) * n * dt;
    velocity = transform_normal(velocity, mat_yaw_pitch_roll(c.y * k, c.x * k, c.z * k));
}

void missile::command_line_of_sight(float dt, vec3* c) {
    // The command law steers in the launcher barrel's axes; without one there is no command.
    frame* barrel = owner != nullptr ? owner->launcher_barrel() : nullptr;
    if (barrel == nullptr) return;
    const vec3 t = barrel->world_to_local(target->world_position());
    const vec3 m = barrel->world_to_local(world_position());
    const vec3 d = barrel->world_to_local_direction(get_axis_z(world));
    auto azimuth = [](const vec3& v) { return std::atan2(v.x, v.z); };
    auto elevation = [](const vec3& v) { return std::atan2(v.y, std::sqrt(v.x * v.x + v.z * v.z)); };
    const float gain = 0.1f * length(m);
    const float pitch = (std::sin(elevation(t) - elevation(d) + seeker_error.y) * dt +
                         std::sin(elevation(t) - elevation(m) + seeker_error.y)) * gain;
    const float yaw = (std::sin(azimuth(t) - azimuth(d) + seeker_error.x) * dt +
                       std::sin(azimuth(t) - azimuth(m) + seeker_error.x)) * gain;
    *c = {pitch, yaw, 0.0f};
    const float a_max = lateral_force / mass;
    const float need = speed * std::sqrt(pitch * pitch + yaw * yaw);
    if (!(need > 0.0f)) return;
    lateral_g = std::min(a_max, need) / k_g;
    const float k = std::min(1.0f, a_max / need);
    const float heading = std::atan2(velocity.x, velocity.z) + yaw * k * dt;
    const float climb = std::atan2(velocity.y, std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z)) +
                        pitch * k * dt;
    velocity = {speed * std::cos(climb) * std::sin(heading), speed * std::sin(climb),
                speed * std::cos(climb) * std::cos(heading)};
}

bool missile::fuse(const vec3& r, float range, bool ahead) {
    const vec3 target_velocity = world_velocity(target);
    const vec3 closing = velocity - target_velocity;
    const vec3 u_v = normalize(closing);
    const vec3 u_r = normalize(r);
    if (dot(closing, u_r) > 0.0f) {
        // Distance of closest approach if both fly on unchanged: the part of the line of sight
        // across the relative motion, in all three dimensions.
        min_miss = std::min(min_miss, length(cross(r, u_v)));
    }
    if (ahead) return false;
    // The target is behind: the warhead goes off.
    self_destruct();
    const float d = std::min(range, min_miss);
    if (d < warhead_part->kill_distance) {
        const float aspect = 3.1415926f - clamped_acos(dot(normalize(get_axis_z(target->world)),
                                                           normalize(get_axis_z(world))));
        if (warhead_part->test_fragment_hit(speed, length(target_velocity), aspect)) {
            if (g_state != nullptr) ++g_state->intercepts;
            explode_target();
            if (verbose() && g_state != nullptr) g_state->set_message("Intercept Successful");
        } else if (verbose() && g_state != nullptr) {
            g_state->set_message("Intercept Failed - Check Fuse Delay");
        }
    }
    return true;
}

void missile::explode_target() {
    // A hostile rocket turns into falling debris; another frame as target only counts the
    // intercept.
    if (target != nullptr && target->type == FRAME_ROCKET) static_cast<rocket*>(target)->explode();
}

void missile::self_destruct() {
    if (motor != nullptr) {
        motor->burn_out();
        motor->stop_flight_sound();
        motor->play_explosion();
    }
    dead = 1;
    removal_time = clock_ms() + k_dead_wait_ms;
    if (warhead_part) {
        const float charge = warhead_part->explosive_mass + warhead_part->case_mass;
        spawn_missile_explosion(warhead_part->LN * 0.01f, warhead_part->taper, this,
                                0.2f * std::sqrt(std::max(0.0f, charge)), true);
    }
}

void missile::check_removal() {
    if (g_state == nullptr) return;
    if (static_cast<std::int32_t>(clock_ms() - removal_time) < 0) return;
    frame* exhaust = nullptr;
    if (motor != nullptr) exhaust = motor->plume != nullptr ? motor->plume : motor->flame;
    if (!services().exhaust_settled(exhaust)) return;
    if (owner != nullptr) owner->remove_missile(this);
}

void missile::render() {
    frame::render();
    if (g_state != nullptr && g_state->render_pass == 2) draw_path();
}

void missile::draw_path() {
    if (g_app == nullptr || !g_app->use_path || path.count < 2) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    // The points are absolute: the world transform takes the origin offset off again. The
    // missiles' paths are drawn in the shared yellow.
    const vec3 offset = g_state != nullptr ? g_state->origin_offset : vec3{};
    device_set_world(mat_translation(-offset));
    device_set_lighting(false);
    CHECK_HR(d->set_texture(0, g_state != nullptr ? g_state->objects.yellow_texture.get() : nullptr));
    CHECK_HR(d->set_fvf(FVF_XYZ));
    CHECK_HR(d->draw_primitive_up(PT_LINESTRIP, path.count - 1, path.points, static_cast<int>(sizeof(vec3))));
    CHECK_HR(d->set_texture(0, nullptr));
    device_set_lighting(true);
}
