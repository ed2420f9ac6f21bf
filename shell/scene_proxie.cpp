#include "shell/scene_proxie.h"

#include "core/app_state.h"
#include "core/gui_services.h"
#include "core/sound_system.h"
#include "platform/messages.h"
#include "shell/music_tracks.h"
#include "shell/scene.h"
#include "shell/speech.h"
#include "world/flame.h"
#include "world/smoke.h"
#include "world/sprinkle.h"

scene_proxie::scene_proxie(scene* owner) : terrain_services(&owner->ground), owner_(owner) {}

void scene_proxie::shift_scene(const vec3& d) { owner_->shift_origin(d.x, d.y, d.z); }

frame* scene_proxie::objects_root() { return owner_->objects; }

frame* scene_proxie::transps_root() { return owner_->transps; }

void scene_proxie::forget_camera_target(frame* f) { owner_->forget_camera_target(f); }

void scene_proxie::camera_replace_object(frame* old_object, frame* new_object) {
    owner_->camera_replace_object(old_object, new_object);
}

void scene_proxie::draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                                      std::uint32_t colour) {
    gui_link().draw_selection_box(min, max, altitude_offset, colour);
}

void scene_proxie::draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour) {
    gui_link().draw_cross_marker(at, half_size, colour);
}

void scene_proxie::draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) {
    gui_link().draw_map_symbol(x, y, size, kind, colour);
}

bool scene_proxie::gui_mouse_move(int x, int y) {
    gui_link().on_mouse_move(x, y, static_cast<int>(owner_->pointer.buttons & MK_LBUTTON));
    return false;
}

bool scene_proxie::gui_mouse_down(int x, int y) { return gui_link().on_mouse_down(x, y, 0); }

void scene_proxie::gui_mouse_up() { gui_link().on_mouse_up(); }

float scene_proxie::path_fog_distance(float altitude) {
    return g_state != nullptr ? g_state->path_fog_density(altitude) : scene_services::path_fog_distance(altitude);
}

int scene_proxie::collect_labels(object_label* out, int capacity) {
    return owner_->collect_labels(out, capacity);
}

void scene_proxie::render_pass(render_pass_kind kind) {
    switch (kind) {
        case render_pass_kind::reflection: owner_->render_reflection_pass(); break;
        case render_pass_kind::refraction: owner_->render_refraction_pass(); break;
        case render_pass_kind::shadow: owner_->render_shadow_pass(); break;
        case render_pass_kind::overhead: owner_->render_overhead_pass(); break;
        case render_pass_kind::night_vision: owner_->render_night_vision_pass(); break;
    }
}

void scene_proxie::camera_relative_motion(const frame* f, vec3* position, vec3* velocity) {
    if (f == nullptr) {
        *position = {};
        *velocity = {};
        return;
    }
    *position = owner_->viewer.local_position_of(f);
    *velocity = owner_->viewer.local_relative_velocity(f);
}

void scene_proxie::speak(const char* text) {
    if (g_speech != nullptr && g_speech->speech_on) g_speech->speak(text);
}

void scene_proxie::play_sound_slot(int slot, int mode) {
    if (g_sound == nullptr || slot < 0 || slot >= scene::k_sound_slot_count) return;
    sound_buffer* buffer = owner_->sound_slots[slot].get();
    switch (mode) {
        case 0: g_sound->play_once(buffer); break;
        case 1: g_sound->restart(buffer); break;
        case 2: g_sound->play_looping(buffer); break;
        default: break;
    }
}

void scene_proxie::play_siren(int mode) { ::play_siren(mode); }

void scene_proxie::lon_lat_to_scene(float east, float north, float* x, float* z) {
    owner_->ground.lon_lat_to_scene(east, north, x, z);
}

// ---- Effects ----

namespace {

constexpr const char* k_smoke_texture = "graphics\\smoke.dds";
// A trail this bright still shows behind a spent motor.
constexpr float k_trail_visible = 32.0f;

frame* effect_parent(scene_proxie* backend, frame* parent) {
    return parent != nullptr ? parent : backend->transps_root();
}

}  // namespace

frame* scene_proxie::emit_burst(const particle_burst& burst) {
    if (burst.kind < sprinkle::k_fire || burst.kind > sprinkle::k_spray) return nullptr;
    frame* parent = effect_parent(this, burst.parent);
    if (parent == nullptr) return nullptr;
    sprinkle* s = nullptr;
    if (create_sprinkle(parent, &s) != S_OK) return nullptr;
    s->set_rotation(burst.heading, burst.pitch, 0.0f);
    s->set_position(burst.position.x, burst.position.y, burst.position.z);
    s->count = burst.count;
    s->speed = burst.speed;
    s->size = burst.size;
    s->init(k_smoke_texture, burst.kind);
    switch (burst.shape) {
    case BURST_PLUME: s->emit_plume_burst(); break;
    case BURST_LINE: s->emit_line_burst(burst.length, burst.bias); break;
    case BURST_CONE: s->emit_cone_burst(0.0f, 0.0f, 1.0f); break;  // along the turned z axis
    default: s->emit_sphere_burst(); break;
    }
    return s;
}

frame* scene_proxie::emit_column(const smoke_column& column) {
    frame* parent = effect_parent(this, column.parent);
    if (parent == nullptr) return nullptr;
    smoke* s = nullptr;
    if (create_smoke(parent, &s) != S_OK) return nullptr;
    s->set_position(column.position.x, column.position.y, column.position.z);
    s->fire = column.fire;
    s->set_colour(column.red, column.green, column.blue);
    s->count = column.count;
    s->size = column.size;
    s->growth = column.growth;
    s->drift = {0.0f, column.drift_y, 0.0f};
    s->ageing_rate = column.ageing;
    s->hit_testable = column.hit_testable;
    s->init(k_smoke_texture);
    return s;
}

frame* scene_proxie::create_exhaust(frame* parent, const exhaust_params& params) {
    switch (params.kind) {
    case EXHAUST_PLUME: {
        sprinkle* s = nullptr;
        if (create_sprinkle(parent, &s) != S_OK) return nullptr;
        s->init(k_smoke_texture, sprinkle::k_plume);
        s->emit_speed = params.speed;
        s->size = params.size;
        s->set_position(params.position.x, params.position.y, params.position.z);
        return s;
    }
    case EXHAUST_SMOKE: {
        smoke* s = nullptr;
        if (create_smoke(parent, &s) != S_OK) return nullptr;
        s->count = params.count;
        s->size = params.size;
        s->growth = params.size2;
        s->init(k_smoke_texture);
        s->set_position(params.position.x, params.position.y, params.position.z);
        return s;
    }
    default: {
        flame* f = nullptr;
        if (create_flame(parent, &f) != S_OK) return nullptr;
        f->trail_on = params.trail;
        f->temperature = params.colour;
        f->init();
        f->base_size = params.size;
        // The owner sets the flame's width, height and length in its matrix.
        f->scale_x = f->scale_y = f->scale_z = 1.0f;
        f->set_position(params.position.x, params.position.y, params.position.z);
        return f;
    }
    }
}

void scene_proxie::set_exhaust_colour(frame* exhaust, float colour) {
    flame* f = dynamic_cast<flame*>(exhaust);
    if (f == nullptr || f->temperature == colour) return;
    f->temperature = colour;
    f->build_colour_ramp();
}

void scene_proxie::set_exhaust_emission(frame* exhaust, bool on) {
    if (sprinkle* s = dynamic_cast<sprinkle*>(exhaust)) s->emitting = on ? 1 : 0;
}

void scene_proxie::set_exhaust_sizes(frame* exhaust, float a, float b) {
    if (sprinkle* s = dynamic_cast<sprinkle*>(exhaust)) {
        s->size = a;
    } else if (smoke* c = dynamic_cast<smoke*>(exhaust)) {
        c->size = a;
        c->growth = b;
    }
}

bool scene_proxie::exhaust_settled(frame* exhaust) {
    if (const sprinkle* s = dynamic_cast<const sprinkle*>(exhaust)) return s->settled();
    if (const flame* f = dynamic_cast<const flame*>(exhaust)) {
        return !f->trail_on || !f->ribbon || f->ribbon->max_brightness < k_trail_visible;
    }
    return true;
}
