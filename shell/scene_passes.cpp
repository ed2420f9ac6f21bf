// The scene's off-screen passes: the reflection and refraction of the world in the water,
// the shadow map, the overhead view of the sea and the night-vision picture, each drawn into
// a render-target texture of the application state when the terrain's per-frame update finds
// it due; and the snapshot of the current view for a situation's picture.
#include <cstdint>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/gui_services.h"
#include "core/light.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/render_to_surface.h"
#include "shell/pass_setup.h"
#include "shell/scene.h"

constexpr const char k_hr_source[] = "scene";

namespace {

constexpr float k_near_objects_distance = 1000.0f;  // m: objects in the water passes
constexpr float k_night_light_range = 5000.0f;
constexpr float k_night_light_level = 0.5f;
constexpr float k_nearest_plane = 0.1f;  // m: below any near plane the camera takes

void set_clip_plane(gfx_device* device, float a, float b, float c, float d) {
    const float p[4] = {a, b, c, d};
    device->set_clip_plane(0, p);
    device->set_render_state(RS_CLIPPLANEENABLE, 1);
}

void clipping_off(gfx_device* device) { device->set_render_state(RS_CLIPPLANEENABLE, 0); }

// The sun's direction, straight down without a sun light.
vec3 light_direction() {
    const gfx_light* sun = g_state->objects.current_light;
    if (sun == nullptr) return {0.0f, -1.0f, 0.0f};
    vec3 d{sun->direction[0], sun->direction[1], sun->direction[2]};
    const float n = length(d);
    return n > 0.0f ? d / n : vec3{0.0f, -1.0f, 0.0f};
}

}  // namespace

float scene::water_plane_y() const { return g_state->water_level - g_state->origin_offset.y; }

bool scene::water_shown() {
    // The frame's own projection, but from a nearer plane than it ever takes: a larger volume.
    const float width = static_cast<float>(g_app->present.back_buffer_width);
    const float height = static_cast<float>(g_app->present.back_buffer_height);
    const float aspect = height > 0.0f ? width / height : viewer.aspect;
    const mat4 projection = mat_perspective_fov_lh(viewer.fov, aspect, k_nearest_plane, g_state->far_plane);
    return water_in_view(ground, viewer.inverse_world_matrix() * projection, water_plane_y(),
                         g_state->above_water != 0);
}

bool scene::skip_water_pass(int pass) {
    if (water_shown() && !water_hidden()) return false;
    skipped_water_passes_ |= pass;
    return true;
}

bool scene::water_hidden() {
    if (water_counted_) {
        gfx_device* device = g_app->device.get();
        water_hidden_ = device != nullptr && device->counted_samples() == 0;
        water_counted_ = false;
    }
    return water_hidden_;
}

void scene::run_skipped_water_passes() {
    const int skipped = skipped_water_passes_;
    if (skipped == 0 || !water_shown() || water_hidden()) return;
    skipped_water_passes_ = 0;
    if (skipped & k_reflection_skipped) render_reflection_pass();
    if (skipped & k_refraction_skipped) render_refraction_pass();
    if (skipped & k_overhead_skipped) render_overhead_pass();
}

bool scene::begin_pass(render_to_surface* target, gfx_texture* texture, gfx_surface** surface) {
    if (target == nullptr || texture == nullptr) return false;
    *surface = texture->surface_level(0);
    return CHECK_HR(target->begin_scene(*surface));
}

void scene::end_pass(render_to_surface* target) { CHECK_HR(target->end_scene()); }

void scene::render_roots_near(bool water_view) {
    if (!ground.use_objects_in_ref) return;
    const float limit = g_state->max_objects_dist;
    g_state->max_objects_dist = k_near_objects_distance;
    g_state->water_view = water_view ? 1 : 0;
    render_root(anchors);
    render_root(objects);
    render_root(transps);
    g_state->water_view = 0;
    g_state->max_objects_dist = limit;
}

void scene::render_reflection_pass() {
    gfx_device* device = g_app->device.get();
    app_state_objects& o = g_state->objects;
    gfx_surface* surface = nullptr;
    if (device == nullptr || skip_water_pass(k_reflection_skipped) ||
        !begin_pass(o.half_surface.get(), o.reflection_texture.get(), &surface)) {
        return;
    }
    const bool above = g_state->above_water != 0;
    set_fog(above);
    g_app->set_default_states(false);
    viewer.set_view_projection(false);
    CHECK_HR(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, o.clear_colour, 1.0f, 0));
    const float level = water_plane_y();
    if (!above) {
        // Seen from below, the surface mirrors what lies under it.
        set_clip_plane(device, 0.0f, -1.0f, 0.0f, level);
        draw_ground(ground_step::tiles_underwater, false);
    } else {
        // The land first, then the sky unclipped where the land left the picture empty.
        set_clip_plane(device, 0.0f, 1.0f, 0.0f, -level);
        draw_ground(ground_step::tiles_plain, true);
        clipping_off(device);
        draw_sky_behind(false);
        set_clip_plane(device, 0.0f, 1.0f, 0.0f, -level);
    }
    render_roots_near(false);
    clipping_off(device);
    end_pass(o.half_surface.get());
}

void scene::render_refraction_pass() {
    gfx_device* device = g_app->device.get();
    app_state_objects& o = g_state->objects;
    gfx_surface* surface = nullptr;
    if (device == nullptr || skip_water_pass(k_refraction_skipped) ||
        !begin_pass(o.half_surface.get(), o.refraction_texture.get(), &surface)) {
        return;
    }
    const bool above = g_state->above_water != 0;
    set_fog(false);
    g_app->set_default_states(true);
    viewer.set_view_projection(true);
    CHECK_HR(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, o.clear_colour, 1.0f, 0));
    const float level = water_plane_y();
    if (!above) {
        draw_sky(true);
        set_clip_plane(device, 0.0f, 1.0f, 0.0f, -level);
    } else {
        draw_ground(ground_step::tiles_refraction, true);
        set_clip_plane(device, 0.0f, -1.0f, 0.0f, level);
    }
    render_roots_near(true);
    clipping_off(device);
    end_pass(o.half_surface.get());
}

void scene::render_shadow_pass() {
    gfx_device* device = g_app->device.get();
    app_state_objects& o = g_state->objects;
    gfx_surface* surface = nullptr;
    if (device == nullptr || !begin_pass(o.large_surface.get(), o.shadow_texture.get(), &surface)) return;
    const mat4& w = viewer.world;
    const vec3 p = get_translation(w);
    const shadow_setup s = compute_shadow(
        p, get_axis_z(w), light_direction(), g_state->shadow_alt,
        [](float x, float z) { return services().ground_height(x, z); },
        services().sea_height(p.x, p.z));
    g_state->shadow_distance = s.distance;
    shading().shadow_view = s.view;
    shading().shadow_projection = s.projection;
    CHECK_HR(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1.0f, 0));
    device->set_transform(TS_VIEW, s.view);
    device->set_transform(TS_PROJECTION, s.projection);
    // The ground writes depth only (its colour writes are off, so the target stays as
    // cleared); the objects then draw their shadows over it.
    draw_ground(ground_step::tiles_plain, false);
    g_app->shadow_pass = 1;
    render_root(objects);
    render_root(anchors);
    render_root(transps);
    g_app->shadow_pass = 0;
    end_pass(o.large_surface.get());
}

void scene::render_overhead_pass() {
    gfx_device* device = g_app->device.get();
    app_state_objects& o = g_state->objects;
    gfx_surface* surface = nullptr;
    if (device == nullptr || skip_water_pass(k_overhead_skipped) ||
        !begin_pass(o.large_surface.get(), o.overhead_texture.get(), &surface)) {
        return;
    }
    overhead_inputs in;
    const mat4& w = viewer.world;
    in.camera = get_translation(w);
    in.camera_forward = get_axis_z(w);
    in.camera_above_water = in.camera.y - water_plane_y();
    in.origin = g_state->origin_offset;
    if (viewer.target != nullptr) {
        in.tracking = true;
        in.object = viewer.target->world_position();
        in.object_forward = get_axis_z(viewer.target->world);
        in.object_distance = viewer.target->camera_distance;
    }
    const overhead_setup s = compute_overhead(in);
    o.overhead[0] = s.centre_x;
    o.overhead[1] = s.height;
    o.overhead[2] = s.centre_z;
    o.overhead[3] = s.half_size;
    CHECK_HR(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1.0f, 0));
    device->set_transform(TS_VIEW, s.view);
    device->set_transform(TS_PROJECTION, s.projection);
    g_app->show_all = 0;
    end_pass(o.large_surface.get());
}

void scene::render_night_vision_pass() {
    gfx_device* device = g_app->device.get();
    app_state_objects& o = g_state->objects;
    gfx_surface* surface = nullptr;
    if (device == nullptr || !begin_pass(o.half_surface.get(), o.screen_texture.get(), &surface)) return;
    // A grey head lamp along the camera's view lights the picture.
    const int index = allocate_light_index();
    gfx_light lamp;
    lamp.type = LIGHT_DIRECTIONAL;
    lamp.diffuse = {k_night_light_level, k_night_light_level, k_night_light_level, 1.0f};
    lamp.ambient = lamp.diffuse;
    const vec3 p = viewer.world_position();
    const vec3 d = get_axis_z(viewer.world);
    lamp.position[0] = p.x;
    lamp.position[1] = p.y;
    lamp.position[2] = p.z;
    lamp.direction[0] = d.x;
    lamp.direction[1] = d.y;
    lamp.direction[2] = d.z;
    lamp.range = k_night_light_range;
    const bool have_lamp = index < k_light_pool_size;
    if (have_lamp) {
        device->set_light(index, lamp);
        device->light_enable(index, true);
    }
    const gfx_light* sun = o.current_light;
    o.current_light = &lamp;
    g_app->night_vision = 0;
    gui_link().set_display(false);
    ++frame_depth_;
    render_frame();
    --frame_depth_;
    gui_link().set_display(true);
    g_app->night_vision = 1;
    o.current_light = sun;
    if (have_lamp) {
        device->light_enable(index, false);
        free_light_index(index);
    }
    end_pass(o.half_surface.get());
}

void scene::render_snapshot(texture_ptr* slot, int width, int height, bool with_alpha) {
    if (slot == nullptr) return;
    slot->reset();
    gfx_device* device = g_app->device.get();
    if (device == nullptr || width <= 0 || height <= 0) return;
    const std::uint32_t format = with_alpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    texture_ptr texture;
    if (!CHECK_HR(device->create_texture(width, height, 1, USAGE_RENDERTARGET, format, POOL_DEFAULT, &texture))) {
        return;
    }
    std::unique_ptr<render_to_surface> target;
    if (!CHECK_HR(render_to_surface::create(device, width, height, format, FMT_D24S8, &target))) return;
    if (!CHECK_HR(target->begin_scene(texture->surface_level(0)))) return;
    gui_link().set_display(false);
    ++frame_depth_;
    render_frame();
    --frame_depth_;
    gui_link().set_display(true);
    CHECK_HR(target->end_scene());
    *slot = std::move(texture);
}
