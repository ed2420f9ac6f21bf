// The scenery objects made of effects: fire and smoke columns, light paths and fields of lamps,
// blinking and steady light glows, arrays of sprites and single sprites textured by their
// name, lights described by a definition file, and models that float. Lights burn at night
// only; everything else is always shown.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/mesh.h"
#include "core/scene_services.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "world/array_sp.h"
#include "world/blinker.h"
#include "world/decal.h"
#include "world/floater.h"
#include "world/smoke.h"

namespace {

constexpr const char* k_light_texture = "graphics\\light.dds";
constexpr const char* k_smoke_texture = "graphics\\smoke.dds";
// Lamps of a field of lights are 2 m glows.
constexpr float k_lamp_size = 2.0f;
// A field of lamps or items spreads at most this far from its place (m).
constexpr float k_max_spread = 10000.0f;

struct colour_word {
    const char* word;
    float rgb[3];
};

// The colour words of light paths and glows; without one a light is white.
constexpr colour_word k_colour_words[] = {
    {"Red]", {255.0f, 0.0f, 0.0f}},
    {"Green]", {0.0f, 255.0f, 0.0f}},
    {"Blue]", {0.0f, 0.0f, 255.0f}},
    {"White]", {255.0f, 255.0f, 255.0f}},
};

const colour_word* find_colour_word(const char* name) {
    for (const colour_word& c : k_colour_words) {
        if (contains(name, c.word)) return &c;
    }
    return nullptr;
}

const char* scenery_name() { return g_state != nullptr ? g_state->scenery_name : ""; }

// A count or size of an object's list line, bounded to what the objects can hold; a value cut
// (or not a number) gets one log line naming the scenery and the object.
float bounded_value(const object_entry& e, const char* what, float value, float low, float high) {
    const float v = std::isnan(value) ? low : std::clamp(value, low, high);
    if (v != value) {
        log_line("Scenery %s, object %s: %s %g was bounded to %g", scenery_name(), e.name, what,
                 static_cast<double>(value), static_cast<double>(v));
    }
    return v;
}

int item_count_of(const object_entry& e, float value) {
    const float v = bounded_value(e, "item count", value, 0.0f, static_cast<float>(array_sp::k_max_items));
    return static_cast<int>(v);
}

// A laid array stands at the mean of its items, unless the editor is moving objects: then
// it stays where it was placed so that the drag does not jump.
void settle(array_sp* a) {
    if (g_state == nullptr || !g_state->selection.moving_objects()) a->recentre();
}

}  // namespace

void scene::build_smoke_object(frame* anchor, const object_entry& e, const vec3& at) {
    smoke* s = nullptr;
    if (create_smoke(anchor, &s) != S_OK) return;
    const float size = e.k[1];
    s->fire = contains(e.name, "[Fire]") ? 1 : 0;
    s->size = size;
    s->growth = 0.5f * size;
    s->drift = {0.0f, 5.0f * size, 0.0f};
    s->interval = 0.1f * size;
    if (!s->fire) s->set_colour(e.k[2], e.k[3], e.k[4]);
    s->set_position(at.x, at.y, at.z);
    s->init(k_smoke_texture);
    s->set_name(e.name);
}

void scene::build_light_path(frame* anchor, const object_entry& e, const vec3& at) {
    array_sp* a = nullptr;
    if (create_array_sp(anchor, &a) != S_OK) return;
    const char* n = e.name;
    a->set_position(at.x, at.y, at.z);
    a->item_width = a->item_height = e.k[4];
    a->lights = 1;
    a->sway = 0;
    a->layer = 1;
    a->night_only = 1;
    const colour_word* c = find_colour_word(n);
    if (c != nullptr) a->set_colour(c->rgb[0], c->rgb[1], c->rgb[2], 255.0f);
    a->strobe = contains(n, "Strobe]") ? 1 : 0;
    a->approach_slope = contains(n, "VASI]") ? 1 : 0;
    std::vector<vec3> lights;
    lay_light_path(a->world_position(), e.k[1], e.k[2], 0.0f, e.k[3], 0.0f, &lights);
    a->lay_items(lights, k_light_texture);
    a->set_name(n);
    settle(a);
}

void scene::build_scattered_lights(frame* anchor, const object_entry& e, const vec3& at) {
    array_sp* a = nullptr;
    if (create_array_sp(anchor, &a) != S_OK) return;
    a->set_position(at.x, at.y, at.z);
    a->set_count(item_count_of(e, e.k[1]));
    a->item_width = a->item_height = k_lamp_size;
    a->scatter_radius = bounded_value(e, "spread", e.k[0], 0.0f, k_max_spread);
    a->set_colour(e.k[2], e.k[3], e.k[4], 255.0f);
    a->lights = 1;
    a->sway = 0;
    a->layer = 1;
    a->night_only = 1;
    a->scatter_on_terrain(k_light_texture);
    a->set_name(e.name);
}

// A light glow: "[Blink]" blinks (1 s lit, 2 s dark) in its three numbers' colour; "[Decal"
// burns steadily in a colour word's colour or its three numbers'.
void scene::build_glow(frame* anchor, const object_entry& e, const vec3& at, bool blinking) {
    decal* d = nullptr;
    if (create_decal(anchor, &d) != S_OK) return;
    d->width = d->height = e.k[1];
    d->sway = 0;
    d->light = 1;
    d->blinking = blinking ? 1 : 0;
    const colour_word* c = blinking ? nullptr : find_colour_word(e.name);
    if (c != nullptr) {
        d->set_colour(c->rgb[0], c->rgb[1], c->rgb[2], 255.0f);
    } else {
        d->set_colour(e.k[2], e.k[3], e.k[4], 255.0f);
    }
    d->layer = 1;
    d->load_texture(k_light_texture);
    d->set_name(e.name);
    d->set_position(at.x, at.y, at.z);
}

// An array textured by its own name: scattered over the ground around its place (count k1,
// width k2, height k3, spread k4) or, with "line", laid along a path (heading k1, spacing k2,
// length k3, size k4). "fixed" items do not sway; "water" ones may stand in the water.
void scene::build_item_array(frame* anchor, const object_entry& e, const vec3& at) {
    array_sp* a = nullptr;
    if (create_array_sp(anchor, &a) != S_OK) return;
    const char* n = e.name;
    a->set_position(at.x, at.y, at.z);
    if (contains(n, "fixed")) a->sway = 0;
    if (contains(n, "water")) a->land_only = 0;
    if (contains(n, "line")) {
        a->item_width = a->item_height = e.k[4];
        std::vector<vec3> items;
        lay_light_path(a->world_position(), e.k[1], e.k[2], 0.0f, e.k[3], 0.0f, &items);
        a->lay_items(items, n);
        settle(a);
        return;
    }
    a->set_count(item_count_of(e, e.k[1]));
    a->item_width = e.k[2];
    a->item_height = e.k[3];
    a->scatter_radius = bounded_value(e, "spread", e.k[4], 0.0f, k_max_spread);
    a->scatter_on_terrain(n);
}

void scene::build_sprite(frame* anchor, const object_entry& e, const vec3& at) {
    decal* d = nullptr;
    if (create_decal(anchor, &d) != S_OK) return;
    d->width = e.k[2];
    d->height = e.k[3];
    if (contains(e.name, "fixed")) d->sway = 0;
    d->load_texture(e.name);
    d->set_position(at.x, at.y, at.z);
}

// A light definition, scaled by the three scale numbers and turned by k1; one that floats
// stands at least on the water.
void scene::build_light_definition(frame* anchor, const object_entry& e, const vec3& at) {
    blinker* b = nullptr;
    if (create_blinker(anchor, &b) != S_OK) return;
    b->load_def_object(e.name, e.k[2], e.k[3], e.k[4]);
    b->set_rotation(e.k[1], 0.0f, 0.0f);
    float y = at.y;
    if (b->floating) {
        const vec3 a = anchor->world_position();
        y = std::max(y, services().sea_height(a.x + at.x, a.z + at.z) - a.y);
    }
    b->set_position(at.x, y, at.z);
}

// A model that floats: the floater carries it and moves with the waves; it settles k3 deep.
// The model is drawn without writing depth so the water shows through its hull's waterline.
void scene::build_floating_model(frame* anchor, const object_entry& e, const vec3& at) {
    floater* f = nullptr;
    if (create_floater(anchor, &f) != S_OK) return;
    mesh* body = nullptr;
    if (create_mesh(f, &body) == S_OK) {
        body->load_x(e.name);
        body->set_scale(e.k[2], e.k[3], e.k[4]);
        body->no_depth_write = 1;
        body->special_draw = 1;
    }
    f->immersion = e.k[3];
    f->update_bounding_box();
    f->update_bounding_radius();
    f->set_rotation(e.k[1], 0.0f, 0.0f);
    f->set_position(at.x, at.y, at.z);
}

void scene::add_light_array(frame* anchor, const vec3& at, const std::vector<vec3>& lights,
                            std::uint32_t colour, float size) {
    if (lights.empty()) return;
    array_sp* a = nullptr;
    if (create_array_sp(anchor, &a) != S_OK) return;
    a->set_position(at.x, at.y, at.z);
    a->item_width = a->item_height = size;
    a->set_colour(static_cast<float>(colour >> 16 & 0xFF), static_cast<float>(colour >> 8 & 0xFF),
                  static_cast<float>(colour & 0xFF), static_cast<float>(colour >> 24));
    a->lights = 1;
    a->sway = 0;
    a->layer = 1;
    a->night_only = 1;
    a->lay_items(lights, k_light_texture);
    settle(a);
}
