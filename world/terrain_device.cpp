// The terrain's device objects: the tile buffers, the eleven program pairs of the ground
// and water drawing with their fall-back to fixed function, the spray, water bump and
// lookup textures, and the land texture volumes' release. The sea's own device objects are
// made and freed with them.
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/terrain.h"
#include "world/terrain_shaders.h"
#include "world/water_lookup.h"

namespace {

constexpr const char k_hr_source[] = "terrain";

constexpr int k_plain_mode = 0;

gfx_device* device_or_none() { return g_app != nullptr ? g_app->device.get() : nullptr; }

bool fill_lookup(gfx_texture* texture, bool under_water, float wave_height) {
    locked_rect rect;
    if (!CHECK_HR(texture->lock_rect(0, &rect))) return false;
    fill_water_lookup(under_water, wave_height, static_cast<std::uint32_t*>(rect.bits));
    return CHECK_HR(texture->unlock_rect(0));
}

}  // namespace

bool terrain::init_device() {
    create_tile_grids();
    load_shaders();
    return water.init_device();
}

void terrain::create_tile_buffers() {
    gfx_device* device = device_or_none();
    if (device == nullptr) return;
    for (terrain_tile& t : near_tiles) t.create_buffers(device);
    for (terrain_tile& t : far_tiles) {
        if (!t.vertices.empty()) t.create_buffers(device);
    }
}

void terrain::load_shaders() {
    gfx_device* device = device_or_none();
    if (device == nullptr) return;
    for (int i = 0; i < k_shader_pairs; ++i) {
        if (!vertex_shaders[i]) {
            const std::string vs = terrain_shader_source(shader_stage::vertex, k_vertex_shader_ids[i]);
            if (vs.empty() || !CHECK_HR(device->create_vertex_shader(vs.c_str(), &vertex_shaders[i]))) {
                log_line("Could not load VSO %d", k_vertex_shader_ids[i]);
            }
        }
        if (!pixel_shaders[i]) {
            const std::string ps = terrain_shader_source(shader_stage::pixel, k_pixel_shader_ids[i]);
            if (ps.empty() || !CHECK_HR(device->create_pixel_shader(ps.c_str(), &pixel_shaders[i]))) {
                log_line("Could not load PSO %d", k_pixel_shader_ids[i]);
            }
        }
    }
    if (!sprite_programs.vertex || !sprite_programs.pixel) {
        // Without them the arrays draw fixed-function.
        if (!CHECK_HR(create_scatter_sprite_programs(device, &sprite_programs))) {
            if (!sprite_programs.vertex) log_line("Could not load VSO %d", 388);
            if (!sprite_programs.pixel) log_line("Could not load PSO %d", 364);
        }
    }
    if (spray_texture == nullptr) {
        g_app->load_texture("graphics\\spray.jpg", &spray_texture, k_plain_mode, true);
    }
    // A height picture: the bump map takes its slopes from neighbouring texels, with mips.
    g_app->load_bump_texture("graphics\\water.jpg", &water_texture, true, false);
    for (int i = 0; i < 2; ++i) {
        if (lookup_textures[i]) continue;
        if (g_app->create_texture(&lookup_textures[i], k_lookup_size, 1, false, 0)) {
            fill_lookup(lookup_textures[i].get(), i == 1, water.wave_height);
        }
    }
}

void terrain::release() {
    use_scatter_sprite_programs(nullptr, nullptr);
    sprite_programs = scatter_sprite_programs{};
    for (shader_ptr& s : vertex_shaders) s.reset();
    for (shader_ptr& s : pixel_shaders) s.reset();
    if (spray_texture != nullptr && g_app != nullptr) g_app->release_texture(&spray_texture);
    spray_texture = nullptr;
    water_texture.reset();
    for (texture_ptr& t : lookup_textures) t.reset();
    release_land_volumes();
    for (terrain_tile& t : near_tiles) t.release_buffers();
    for (terrain_tile& t : far_tiles) t.release_buffers();
    water.release();
}

int terrain::water_index() const {
    if (!water.waves_shown && !water_in_view) return 0;
    return 4 * (water.waves_shown ? 1 : 0) + (use_refmap ? 1 : 0) + 2 * (use_refrac ? 1 : 0);
}
