// Building one placed scenery object under its anchor: the object's name decides what is
// built (a light, a sound, a model group, a shared model), and the lights of light paths and
// runway edges are laid along the ground.
#include <cmath>

#include "core/app_state.h"
#include "core/frame.h"
#include "core/hierarchy.h"
#include "core/light.h"
#include "core/mesh.h"
#include "core/skinned_mesh.h"
#include "core/scene_services.h"
#include "core/sound.h"
#include "core/visual.h"
#include "platform/text.h"
#include "shell/scene.h"

namespace {

// A path or a runway holds at most this many lights (rows); more would only stall the load.
constexpr double k_max_lights = 10000.0;
constexpr const char* k_beam_model = "graphics\\beam.x";
// Road lights: orange, 2 m; runway edge lights: pale yellow, 1 m.
constexpr std::uint32_t k_road_light_colour = 0xFFFF7F00u;
constexpr float k_road_light_size = 2.0f;
constexpr std::uint32_t k_runway_light_colour = 0xFFFFFFA5u;
constexpr float k_runway_light_size = 1.0f;
// The centre row of runway lights is only laid on strips wider than this (m).
constexpr float k_centre_light_width = 20.0f;

// How many lights fit: a count below one lays none, and an endless one (a spacing of 0) stops
// at the cap.
int light_count(double quotient) {
    if (!(quotient >= 1.0)) return 0;
    return static_cast<int>(std::trunc(std::fmin(quotient, k_max_lights)));
}

// Walks `count` rows along a heading turning by curvature / count per row (twice before the
// last row), calling place(x, z) with each row's start relative to the origin.
template <typename Place>
void walk_rows(int count, float heading, float length, float curvature, Place place) {
    const float step = count > 1 ? length / static_cast<float>(count - 1) : 0.0f;
    const float turn = count > 0 ? curvature / static_cast<float>(count) : 0.0f;
    float angle = heading;
    float x = 0.0f, z = 0.0f;
    for (int i = 0; i < count; ++i) {
        place(x, z, angle);
        angle += turn;
        if (i == count - 2) angle += turn;
        x += step * std::cos(angle);
        z += step * std::sin(angle);
    }
}

}  // namespace

int scene::lay_light_path(const vec3& origin, float heading, float spacing, float height, float length,
                          float curvature, std::vector<vec3>* lights) {
    lights->clear();
    const int count = light_count(static_cast<double>(length) * 0.5 / spacing);
    walk_rows(count, heading, length, curvature, [&](float x, float z, float) {
        const float ground_y = services().ground_height(origin.x + x, origin.z + z);
        lights->push_back({x, ground_y + height - origin.y, z});
    });
    return count;
}

int scene::lay_runway_lights(const vec3& origin, float heading, float width, float height, float length,
                             float curvature, std::vector<vec3>* lights) {
    lights->clear();
    const int rows = light_count(static_cast<double>(length) / width);
    walk_rows(rows, heading, length, curvature, [&](float x, float z, float angle) {
        // Across the strip: -1, 0 and +1 half widths, the centre only on a wide strip.
        const float across_x = -std::sin(angle) * width * 0.5f;
        const float across_z = std::cos(angle) * width * 0.5f;
        for (int side = -1; side <= 1; ++side) {
            if (side == 0 && !(width > k_centre_light_width)) continue;
            const float lx = x + across_x * static_cast<float>(side);
            const float lz = z + across_z * static_cast<float>(side);
            const float ground_y = services().ground_height(origin.x + lx, origin.z + lz);
            lights->push_back({lx, ground_y + height - origin.y, lz});
        }
    });
    return rows;
}

void scene::build_object(frame* anchor, int entry, float dx, float dz) {
    if (anchor == nullptr || entry < 0 || entry >= static_cast<int>(objects_table.entries.size())) return;
    object_entry& e = objects_table.entries[static_cast<std::size_t>(entry)];
    if (e.found == 0.0f) return;
    const vec3 a = anchor->world_position();
    const float g = services().ground_height(a.x + dx, a.z + dz);
    const float h = g + e.k[0] - a.y;
    const vec3 at{dx, h, dz};
    const char* n = e.name;
    // The first kind the name holds wins, in this order.
    frame* made = nullptr;
    if (contains(n, "[Fire]") || contains(n, "[Smoke]")) {
        build_smoke_object(anchor, e, at);
        return;
    } else if (contains(n, "[Light]")) {
        light* l = nullptr;
        if (create_light(anchor, &l) != S_OK) return;
        l->set_name(n);
        l->set_range(e.k[1]);
        l->set_colour(e.k[2], e.k[3], e.k[4]);
        l->night_only = 1;
        made = l;
    } else if (contains(n, "[Path")) {
        build_light_path(anchor, e, at);
        return;
    } else if (contains(n, "[LightArray]")) {
        build_scattered_lights(anchor, e, at);
        return;
    } else if (contains(n, "[Blink]")) {
        build_glow(anchor, e, at, true);
        return;
    } else if (contains(n, "[Beam]")) {
        mesh* beam = nullptr;
        if (create_mesh(anchor, &beam) != S_OK) return;
        beam->load_x(k_beam_model);
        beam->set_scale(e.k[2], e.k[3], e.k[4]);
        beam->set_draw_flags(true, true);
        beam->set_spin(0.0f, 1.0f, 0.0f, 1.0f);
        beam->layer = 1;
        made = beam;
    } else if (contains(n, "[Decal")) {
        build_glow(anchor, e, at, false);
        return;
    } else if (contains(n, "[")) {
        // A bracketed name of no kind built here (a thermal) has nothing to show.
        return;
    } else if (contains(n, "array")) {
        build_item_array(anchor, e, at);
        return;
    } else if (contains(n, "decal")) {
        build_sprite(anchor, e, at);
        return;
    } else if (contains(n, "patch") || contains(n, "runway") || contains(n, "road") || contains(n, "track")) {
        build_strip_object(anchor, e, at);
        return;
    } else if (contains(n, "group")) {
        hierarchy* group = nullptr;
        if (create_hierarchy(anchor, &group) != S_OK) return;
        group->load_x(n);
        // A "fixed" group keeps its parts where its model has them.
        if (contains(n, "fixed")) group->drape = 0;
        group->set_scale(e.k[2], e.k[3], e.k[4]);
        group->set_rotation(e.k[1], 0.0f, 0.0f);
        group->set_position(dx, e.k[0], dz);
        group->drape_children();
        group->update_bounding_radius();
        return;
    } else if (contains(n, "anim")) {
        CSkinnedMesh* animal = nullptr;
        if (create_skinned_mesh(anchor, &animal) != S_OK) return;
        animal->load(n);
        animal->animate = 1;
        animal->time_scale = e.k[3];
        animal->set_scale(e.k[2], e.k[2], e.k[2]);
        animal->set_rotation(e.k[1], 0.0f, 0.0f);
        made = animal;
    } else if (contains(n, ".def")) {
        build_light_definition(anchor, e, at);
        return;
    } else if (contains(n, "float")) {
        build_floating_model(anchor, e, at);
        return;
    } else if (contains(n, ".wav")) {
        sound* s = nullptr;
        if (create_sound(anchor, &s) != S_OK) return;
        s->load(n);
        s->set_scale(e.k[2], e.k[3], e.k[4]);
        s->set_rotation(e.k[1], 0.0f, 0.0f);
        made = s;
    } else {
        made = place_shared_mesh(anchor, e);
        if (made == nullptr) return;
        made->set_position(dx, h, dz);
        drape_shared_mesh(e, made);
        return;
    }
    made->set_position(dx, h, dz);
}

void scene::build_strip_object(frame* anchor, const object_entry& e, const vec3& at) {
    const char* n = e.name;
    const float* k = e.k;
    visual* strip = nullptr;
    if (create_visual(anchor, &strip) != S_OK) return;
    strip->set_name(n);
    strip->set_position(at.x, at.y, at.z);
    const vec3 origin = anchor->world_position() + at;
    // A name holding several strip words is the first of patch, runway, road, track: a
    // "railroad_track" is a road.
    const bool patch = contains(n, "patch");
    const bool runway = !patch && contains(n, "runway");
    if (!patch && !runway && contains(n, "road")) {
        build_ground_strip(strip, n, k[1], k[2], k[3], k[4]);
        if (contains(n, "dark")) return;
        std::vector<vec3> lights;
        lay_light_path(origin, k[1], k[2], k[2] * 0.5f, k[3], k[4], &lights);
        add_light_array(anchor, at, lights, k_road_light_colour, k_road_light_size);
        return;
    }
    if (!patch && !runway) {
        build_track(strip, n, k[1], k[2], k[3], k[4], k[0]);
        return;
    }
    // Patches and runways: a 100 x 100 grid scaled to size and turned.
    strip->set_scale(k[2], k[3], k[4]);
    strip->set_rotation(k[1], 0.0f, 0.0f);
    build_ground_strip(strip, n, 0.0f, 100.0f, 100.0f, 0.0f);
    anchor->update_bounding_radius();
    if (!runway || contains(n, "dark")) return;
    std::vector<vec3> lights;
    lay_runway_lights(origin, -k[1], k[4] * 100.0f, 0.0f, k[2] * 100.0f, 0.0f, &lights);
    add_light_array(anchor, at, lights, k_runway_light_colour, k_runway_light_size);
}

frame* scene::place_shared_mesh(frame* anchor, object_entry& e) {
    if (e.cached == nullptr) {
        mesh* m = nullptr;
        if (create_detached_mesh(&m) != S_OK) return nullptr;
        m->load_x(e.name);
        m->set_scale(e.k[2], e.k[3], e.k[4]);
        m->set_rotation(e.k[1], 0.0f, 0.0f);
        if (contains(e.name, "windsock")) m->windsock = 1;
        if (contains(e.name, "windvane")) m->windvane = 1;
        if (contains(e.name, "spin")) m->set_spin(0.0f, 0.0f, 1.0f, 1.0f);
        if (contains(e.name, "night")) m->set_draw_flags(true, false);
        e.cached = m;
    }
    frame* holder = nullptr;
    if (!create_frame(anchor, &holder, e.name)) return nullptr;
    // Every placement shares the one model.
    holder->add_child(e.cached, true);
    holder->radius = e.cached->radius;
    return holder;
}

// A "surface" model follows the ground under its first placement (the model is shared, so
// every placement takes that shape): it is laid there once, through the holder's matrix.
void scene::drape_shared_mesh(const object_entry& e, const frame* holder) {
    mesh* m = e.cached;
    if (m == nullptr || m->no_depth_write || !contains(e.name, "surface")) return;
    m->world = m->local * holder->world;
    m->drape_on_ground();
    m->world = m->local;
}
