// The scene's frame: the device state is watched (a lost device draws nothing, a reset
// frame draws nothing either), then one of four kinds of frame is drawn: the menu screens,
// the night-vision view, the earth globe from high above, or the near world seen from above
// or below the water. A frame drawn inside another (the night-vision pass, the snapshot)
// leaves the device state, the GUI and the Present to the outer one.
#include <cstdint>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/gui_services.h"
#include "core/light.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "shell/pass_setup.h"
#include "shell/scene.h"
#include "world/rain.h"

constexpr const char k_hr_source[] = "scene";

namespace {

// The full-screen quad of the night-vision frame: position, colour, one texture set.
struct quad_vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
constexpr std::uint32_t k_quad_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;
constexpr std::uint32_t k_opaque_black = 0xFF000000u;
constexpr std::uint32_t k_opaque_white = 0xFFFFFFFFu;
// The pixel program of the full-screen night-vision picture.
constexpr int k_night_vision_program = 371;

std::uint32_t clear_flags() {
    std::uint32_t flags = CLEAR_TARGET | CLEAR_ZBUFFER;
    if (g_app->can_shadow_volume) flags |= CLEAR_STENCIL;
    return flags;
}

// Counts the frames being drawn, so a frame inside another knows it.
class frame_depth_guard {
public:
    explicit frame_depth_guard(int* depth) : depth_(depth) { ++*depth_; }
    ~frame_depth_guard() { --*depth_; }
    frame_depth_guard(const frame_depth_guard&) = delete;
    frame_depth_guard& operator=(const frame_depth_guard&) = delete;

private:
    int* depth_;
};

void draw_full_screen_quad(gfx_device* device, gfx_texture* texture) {
    // Texture row 0 is the picture's top row.
    const quad_vertex quad[4] = {
        {-1.0f, 1.0f, 0.0f, k_opaque_white, 0.0f, 0.0f},
        {1.0f, 1.0f, 0.0f, k_opaque_white, 1.0f, 0.0f},
        {-1.0f, -1.0f, 0.0f, k_opaque_white, 0.0f, 1.0f},
        {1.0f, -1.0f, 0.0f, k_opaque_white, 1.0f, 1.0f},
    };
    device->set_texture(0, texture);
    device->set_fvf(k_quad_fvf);
    CHECK_HR(device->draw_primitive_up(PT_TRIANGLESTRIP, 2, quad, sizeof(quad_vertex)));
    device->set_texture(0, nullptr);
}

}  // namespace

void scene::render_frame() {
    gfx_device* device = g_app->device.get();
    if (device == nullptr) {
        if (frame_depth_ == 0) main_window()->present_blank_frame();
        return;
    }
    const frame_depth_guard depth(&frame_depth_);
    const bool nested = in_nested_frame();
    if (!nested) {
        const hresult state = device->test_cooperative_level();
        if (state == D3DERR_DEVICELOST) {
            skipped_water_passes_ = 0;
            sleep_ms(static_cast<std::uint32_t>(g_app->sleep_time));
            return;
        }
        if (state == D3DERR_DEVICENOTRESET || g_app->reset_requested) {
            // The frame after a reset starts from fresh targets: this one draws nothing.
            skipped_water_passes_ = 0;
            if (!g_app->reset_and_restore()) post_quit_message(0);
            g_app->reset_requested = 0;
            return;
        }
    }
    if (g_app->menu_mode || g_app->night_vision) {
        // Only the main view above the water counts its water.
        if (!nested) water_counted_ = water_hidden_ = false;
        if (g_app->menu_mode) {
            draw_menu_frame(device);
        } else {
            draw_night_vision_frame(device);
        }
    } else {
        draw_scene_frame(device);
        if (!nested) catch_up_uncovered_water(device);
    }
    // The outer frame alone shows the GUI and presents: a frame drawn into a texture must
    // not put a half-drawn back buffer on the screen.
    if (nested) return;
    skipped_water_passes_ = 0;
    gui_link().render();
    CHECK_HR(device->present());
}

void scene::draw_menu_frame(gfx_device* device) {
    CHECK_HR(device->clear(clear_flags(), k_opaque_black, 1.0f, 0));
    g_app->set_default_states(true);
}

void scene::draw_night_vision_frame(gfx_device* device) {
    // The scene was drawn into the screen texture by the night-vision pass of this frame.
    CHECK_HR(device->clear(clear_flags(), k_opaque_black, 1.0f, 0));
    if (!CHECK_HR(device->begin_scene())) return;
    device->set_render_state(RS_CULLMODE, CULL_NONE);
    device->set_render_state(RS_ZENABLE, 0);
    device->set_render_state(RS_LIGHTING, 0);
    device->set_render_state(RS_FOGENABLE, 0);
    device->set_transform(TS_VIEW, mat_identity());
    device->set_transform(TS_PROJECTION, mat_identity());
    device->set_transform(TS_WORLD, mat_identity());
    app_state_objects& o = g_state->objects;
    device->set_material(o.default_material);
    device->set_texture(0, nullptr);
    device->set_pixel_shader(o.pixel_shader(k_night_vision_program));
    draw_full_screen_quad(device, o.screen_texture.get());
    device->set_pixel_shader(nullptr);
    device->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    device->set_render_state(RS_ZENABLE, 1);
    device->set_render_state(RS_LIGHTING, 1);
    device->set_render_state(RS_FOGENABLE, 1);
    CHECK_HR(device->end_scene());
}

void scene::draw_scene_frame(gfx_device* device) {
    // Inside a pass the surface's scene is already open.
    const bool own_scene = !in_nested_frame();
    // The passes that draw into targets of their own come before the frame's scene.
    if (own_scene) run_skipped_water_passes();
    if (own_scene && !CHECK_HR(device->begin_scene())) return;
    const bool above_water = g_state->above_water != 0;
    set_fog(above_water);
    g_app->set_default_states(true);
    CHECK_HR(device->clear(clear_flags(), g_state->objects.clear_colour, 1.0f, 0));
    viewer.set_view_projection(true);
    if (!g_app->near_view) {
        draw_globe_view();
    } else if (!above_water) {
        draw_below_water();
    } else {
        draw_above_water();
    }
    if (own_scene) CHECK_HR(device->end_scene());
}

void scene::draw_globe_view() {
    if (!in_nested_frame()) water_counted_ = water_hidden_ = false;
    draw_globe_shell();
    draw_sky(true);
    draw_globe();
    render_root(transps);
}

void scene::draw_below_water() {
    if (!in_nested_frame()) water_counted_ = water_hidden_ = false;
    draw_ground(ground_step::tiles_underwater, false);
    draw_ground(ground_step::water_shader, false);
    draw_ground(ground_step::water, false);
    draw_ground(ground_step::restore, false);
    render_root(anchors);
    render_root(objects);
    render_root(transps);
    draw_rain();
    draw_wave_patches();
    draw_sun_mesh();
}

void scene::draw_above_water() {
    // The sky comes after the opaque land and, when the sea with its waves is drawn (opaque
    // too), after the water: it then fills only the pixels they leave. Water over the tiles
    // blends, so it still goes over the sky.
    const bool opaque_water = ground.water.waves_shown != 0;
    draw_ground(ground_step::tiles, true);
    if (!opaque_water) draw_sky_behind(true);
    draw_ground(ground_step::water_shader, true);
    draw_water_counted();
    draw_ground(ground_step::restore, true);
    if (opaque_water) draw_sky_behind(true);
    // The near scenery receives the shadow map while the terrain's shadow pass runs.
    const int shadow_pass = g_app->shadow_pass;
    if (ground.shadow) g_app->shadow_pass = 2;
    render_root(anchors);
    g_app->shadow_pass = shadow_pass;
    // Opaque parts first (pass 1), then what blends over the clouds (pass 2). The effects
    // live under the transps root and are drawn with it.
    render_roots_in_pass(1, objects, transps);
    draw_clouds();
    render_roots_in_pass(2, transps, objects);
}

void scene::draw_water_counted() {
    gfx_device* device = g_app->device.get();
    // A frame drawn into a pass's texture leaves the main view's count alone.
    const bool counting = !in_nested_frame() && device != nullptr && device->begin_sample_count();
    draw_ground(ground_step::water, true);
    if (!counting) return;
    device->end_sample_count();
    water_counted_ = true;
}

void scene::catch_up_uncovered_water(gfx_device* device) {
    if (skipped_water_passes_ == 0 || !water_counted_) return;
    // Left out for water the last frame hid: when this frame shows some, the frame so far
    // used the passes' old pictures. The passes are drawn and the frame again.
    if (water_hidden() || !water_shown()) return;
    run_skipped_water_passes();
    draw_scene_frame(device);
}

void scene::render_roots_in_pass(int pass, frame* first, frame* second) {
    g_state->render_pass = pass;
    g_app->show_all = 1;
    render_root(first);
    render_root(second);
    g_app->show_all = 0;
    g_state->render_pass = 0;
}

void scene::set_fog(bool above_water) {
    fog_inputs in;
    in.above_water = above_water;
    in.camera_alt = g_state->camera_alt;
    in.fog_alt = g_state->fog_alt;
    in.fog_air = g_state->fog_air;
    in.max_fog = g_state->max_fog;
    in.sea_fog = g_state->sea_fog;
    for (int i = 0; i < 3; ++i) in.sea_rgb[i] = g_state->sea_rgb[i];
    read_sky_colours(in.sky_fog_rgb, in.sky_rgb, in.sun_rgb);
    if (!above_water) {
        const vec3 p = viewer.world_position();
        const float ground_y = services().ground_height(p.x, p.z);
        const float sea_y = services().sea_height(p.x, p.z);
        in.height_above_surface = p.y - (ground_y > sea_y ? ground_y : sea_y);
    }
    const fog_setup fog = compute_fog(in);
    app_state_objects& o = g_state->objects;
    o.fog_mode = fog.mode;
    o.fog_blended = fog.blended;
    o.fog_copy = fog.distance_copy;
    o.clear_colour = fog.clear_colour;
    o.ambient_colour = fog.ambient_colour;
    for (int i = 0; i < 8; ++i) o.water_depth[i] = fog.depth_factors[i];
    // The device takes the distance as its density 2.3 / distance at the default states.
    g_app->fog_end = fog.distance;
    g_app->fog_color = fog.fog_colour;
    if (g_app->device) g_app->device->set_render_state(RS_AMBIENT, fog.ambient_colour);
    apply_sun_colour(fog.sun_rgb);
}

// ---- The places of the frame whose drawing belongs to other objects ----

void scene::draw_sky(bool) {
    // From under the surface the sky is only seen through it, in the refraction pass.
    sky.render(g_state->above_water == 0);
}
void scene::draw_sky_behind(bool) { sky.render(g_state->above_water == 0, true); }
void scene::draw_clouds() { sky.render_clouds(); }
void scene::draw_sun_mesh() { sky.render_sun_mesh(); }
void scene::draw_globe_shell() { globe.render_shell(); }
void scene::draw_globe() { globe.render(); }
void scene::draw_rain() {
    if (sky.under_water) sky.under_water->render();
}
void scene::draw_wave_patches() { ground.water.render_wave_patches(); }

void scene::read_sky_colours(int fog_rgb[3], float sky_rgb[3], float sun_rgb[3]) const {
    // The sky publishes its fog colour, sun light and sky colour into the application state
    // every frame.
    for (int i = 0; i < 3; ++i) {
        fog_rgb[i] = g_state->fog_rgb[i];
        sun_rgb[i] = g_state->sky_light[i];
        sky_rgb[i] = g_state->sky_light[3 + i];
    }
}

void scene::apply_sun_colour(const float* rgb) {
    if (sky.sun_light != nullptr) {
        sky.sun_light->set_colour(rgb[0], rgb[1], rgb[2]);
        sky.sun_light->apply();
    }
    // The programs of the shaded sprites and models, and the ambient of the fixed-function
    // sprites, read the light through the model shading.
    const gfx_light* current = g_state->objects.current_light;
    if (current != nullptr) shading().sun = *current;
}

void scene::draw_ground(ground_step step, bool full) {
    switch (step) {
        case ground_step::tiles: ground.render_tiles(full); break;
        case ground_step::tiles_underwater: ground.render_tiles_underwater(full); break;
        case ground_step::tiles_refraction: ground.render_tiles_refraction(full); break;
        case ground_step::tiles_plain: ground.render_tiles_plain(full); break;
        case ground_step::water_shader: ground.set_water_shader(); break;
        case ground_step::water: ground.render_water(full); break;
        case ground_step::restore: ground.restore_render_states(); break;
    }
}

void scene::render_root(frame* root) {
    if (root != nullptr) root->render();
}
