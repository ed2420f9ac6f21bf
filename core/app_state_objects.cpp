// The application state's shared device objects: shader slots, render targets and shared
// textures, made at start-up and released at shutdown (a device reset remakes only the
// targets that follow the back buffer's size).
#include "core/app_state_objects.h"

#include <cstdio>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"

namespace {

constexpr const char k_hr_source[] = "app_state";

// Shared textures, one 32 x 32 level each.
constexpr int k_colour_texture_size = 32;
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_yellow = 0xFFFFFF00u;
constexpr std::uint32_t k_orange = 0xFFFFC000u;
constexpr int k_texture_mode_plain = 0;

template <int N>
int slot_of(const int (&ids)[N], int id) {
    for (int i = 0; i < N; ++i) {
        if (ids[i] == id) return i;
    }
    return -1;
}

void release_cached(gfx_texture** texture) {
    if (*texture == nullptr) return;
    if (g_app != nullptr) g_app->release_texture(texture);
    *texture = nullptr;
}

template <typename T>
void forget(T** pointer, const T* object) {
    if (object != nullptr && *pointer == object) *pointer = nullptr;
}

// The night-vision picture: the scene the pass drew (texture 0) as an image intensifier shows
// it, its brightness raised (most where it is dimmest) and turned green; the quad's colour
// scales it.
const char* const k_night_vision_ps_source =
    "layout(binding = 0) uniform sampler2D screen_map;\n"
    "void main() {\n"
    "    vec3 c = texture(screen_map, gl_TexCoord[0].xy).rgb;\n"
    "    float level = clamp(dot(c, vec3(0.299, 0.587, 0.114)), 0.0, 1.0);\n"
    "    float gain = 1.0 - pow(1.0 - level, 4.0);\n"
    "    gl_FragColor = vec4(gl_Color.rgb * vec3(0.2, 1.0, 0.3) * gain, 1.0);\n"
    "}\n";

gfx_material plain_material(float ambient, float diffuse) {
    gfx_material m;
    m.diffuse = {diffuse, diffuse, diffuse, 1.0f};
    m.ambient = {ambient, ambient, ambient, 1.0f};
    return m;
}

}  // namespace

gfx_shader* app_state_objects::vertex_shader(int id) const {
    const int slot = slot_of(k_vertex_ids, id);
    return slot < 0 ? nullptr : vertex_shaders[slot].get();
}

gfx_shader* app_state_objects::pixel_shader(int id) const {
    const int slot = slot_of(k_pixel_ids, id);
    return slot < 0 ? nullptr : pixel_shaders[slot].get();
}

gfx_texture* app_state_objects::wave_texture() const {
    const int frame = wave_frame >= 0 ? wave_frame % k_wave_frames : 0;
    return wave_textures[frame];
}

// The mesh and visual programs come from the model shading, the night-vision one is above;
// the scatter, sky and sun programs arrive with their drawing.
const char* shared_shader_source(shader_stage stage, int id) {
    if (stage == shader_stage::vertex) {
        switch (id) {
            case 217: return k_shadow_map_vs_source;
            case 268: return k_mesh_receiver_vs_source;
            case 390: return k_visual_receiver_vs_source;
            default: return nullptr;
        }
    }
    switch (id) {
        case 218: return k_shadow_map_ps_source;
        case 267: return k_mesh_receiver_ps_source;
        case 416: return k_visual_receiver_ps_source;
        case 371: return k_night_vision_ps_source;
        default: return nullptr;
    }
}

void app_state::load_shared_textures() {
    if (g_app == nullptr || !g_app->device) return;
    d3d_app& app = *g_app;
    objects.default_material = plain_material(1.0f, 1.0f);
    objects.caustics_material = plain_material(0.5f, 0.5f);
    const int s = k_colour_texture_size;
    app.create_texture(&objects.white_texture, s, s, true, k_white);
    app.create_texture(&objects.yellow_texture, s, s, true, k_yellow);
    app.create_texture(&objects.orange_texture, s, s, true, k_orange);
    app.load_bump_texture("graphics\\bump.jpg", &objects.bump_texture, false, false);
    app.load_texture_file("graphics\\bump.jpg", &objects.bump_plain);
    app.load_texture_file("graphics\\dense.jpg", &objects.dense_texture);
    app.load_texture_file("graphics\\refmap.dds", &objects.reflection_cube);
    if (objects.sun_texture == nullptr) {
        app.load_texture("graphics\\sun.dds", &objects.sun_texture, k_texture_mode_plain, false);
    }
    if (objects.moon_texture == nullptr) {
        app.load_texture("graphics\\moon.dds", &objects.moon_texture, k_texture_mode_plain, false);
    }
    load_tape_textures();
    for (int i = 0; i < app_state_objects::k_wave_frames; ++i) {
        if (objects.wave_textures[i] != nullptr) continue;
        char name[64];
        std::snprintf(name, sizeof name, "graphics\\waves%03d.jpg", i);
        app.load_texture(name, &objects.wave_textures[i], k_texture_mode_plain, false);
    }
    model_shading& shade = shading();
    shade.reflection_map = objects.reflection_cube.get();
    shade.bump_texture = objects.bump_texture.get();
    shade.default_texture = objects.white_texture.get();
    create_render_targets();
    load_shaders();
}

void app_state::create_render_targets() {
    if (g_app == nullptr || !g_app->device) return;
    d3d_app& app = *g_app;
    const present_params& p = app.device->params();
    const int half_w = p.back_buffer_width > 1 ? static_cast<int>(p.back_buffer_width / 2) : 1;
    const int half_h = p.back_buffer_height > 1 ? static_cast<int>(p.back_buffer_height / 2) : 1;
    app.create_render_to_surface(&objects.half_surface, half_w, half_h, FMT_A8R8G8B8);
    app.create_render_texture(&objects.reflection_texture, half_w, half_h, FMT_A8R8G8B8);
    app.create_render_texture(&objects.refraction_texture, half_w, half_h, FMT_A8R8G8B8);
    app.create_render_texture(&objects.screen_texture, half_w, half_h, FMT_A8R8G8B8);
    const int big = app_state_objects::k_large_target;
    app.create_render_to_surface(&objects.large_surface, big, big, FMT_A8R8G8B8);
    app.create_render_texture(&objects.shadow_texture, big, big, FMT_A8R8G8B8);
    app.create_render_texture(&objects.overhead_texture, big, big, FMT_A8R8G8B8);
    shading().shadow_texture = objects.shadow_texture.get();
}

void app_state::release_half_size_targets() {
    objects.half_surface.reset();
    objects.reflection_texture.reset();
    objects.refraction_texture.reset();
    objects.screen_texture.reset();
}

void app_state::load_shaders() {
    if (g_app == nullptr || !g_app->device) return;
    gfx_device& device = *g_app->device;
    for (int i = 0; i < app_state_objects::k_vertex_slots; ++i) {
        const char* source = shared_shader_source(shader_stage::vertex, app_state_objects::k_vertex_ids[i]);
        if (source != nullptr && !objects.vertex_shaders[i]) {
            CHECK_HR(device.create_vertex_shader(source, &objects.vertex_shaders[i]));
        }
    }
    for (int i = 0; i < app_state_objects::k_pixel_slots; ++i) {
        const char* source = shared_shader_source(shader_stage::pixel, app_state_objects::k_pixel_ids[i]);
        if (source != nullptr && !objects.pixel_shaders[i]) {
            CHECK_HR(device.create_pixel_shader(source, &objects.pixel_shaders[i]));
        }
    }
    model_shading& shade = shading();
    shade.shadow_map_vs = objects.vertex_shader(217);
    shade.shadow_map_ps = objects.pixel_shader(218);
    shade.mesh_receiver_vs = objects.vertex_shader(268);
    shade.mesh_receiver_ps = objects.pixel_shader(267);
    shade.visual_receiver_vs = objects.vertex_shader(390);
    shade.visual_receiver_ps = objects.pixel_shader(416);
}

void app_state::release() {
    // The model shading may point into these objects: it forgets those first (and keeps
    // what others gave it).
    model_shading& shade = shading();
    forget(&shade.shadow_map_vs, objects.vertex_shader(217));
    forget(&shade.shadow_map_ps, objects.pixel_shader(218));
    forget(&shade.mesh_receiver_vs, objects.vertex_shader(268));
    forget(&shade.mesh_receiver_ps, objects.pixel_shader(267));
    forget(&shade.visual_receiver_vs, objects.vertex_shader(390));
    forget(&shade.visual_receiver_ps, objects.pixel_shader(416));
    forget(&shade.shadow_texture, objects.shadow_texture.get());
    forget(&shade.reflection_map, objects.reflection_cube.get());
    forget(&shade.bump_texture, objects.bump_texture.get());
    forget(&shade.default_texture, objects.white_texture.get());
    for (shader_ptr& s : objects.vertex_shaders) s.reset();
    for (shader_ptr& s : objects.pixel_shaders) s.reset();
    release_half_size_targets();
    objects.large_surface.reset();
    objects.shadow_texture.reset();
    objects.overhead_texture.reset();
    objects.white_texture.reset();
    objects.yellow_texture.reset();
    objects.orange_texture.reset();
    objects.bump_texture.reset();
    objects.bump_plain.reset();
    objects.dense_texture.reset();
    objects.reflection_cube.reset();
    release_cached(&objects.sun_texture);
    release_cached(&objects.moon_texture);
    for (gfx_texture*& t : objects.wave_textures) release_cached(&t);
    release_tape_textures();
}
