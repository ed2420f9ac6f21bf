// The pictures and texture volumes a scenery load derives from the scenery's files: the
// topographic map pictures "map.jpg" and "topo.jpg" (made once, when either is missing),
// and the land and dense texture volumes whose slice k belongs to land class k. Mip levels
// are made here, one picture per level: a volume's own mip chain would halve its slices.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "platform/files.h"
#include "platform/image_ops.h"
#include "platform/text.h"
#include "world/terrain.h"
#include "world/topo_map.h"

namespace {

constexpr const char k_hr_source[] = "terrain";

constexpr int k_topo_side = 512;                 // "topo.jpg" is 512 x 512
constexpr std::uint32_t k_colour_key = 0xFF000000u;
constexpr std::uint16_t k_white_texel = 0xFFFF;  // R5G6B5 white: a missing texture's slice
constexpr int k_path_size = 260;

std::string scenery_file(const char* name) {
    return std::string("scenery\\") + (g_state != nullptr ? g_state->scenery_name : "") + "\\" + name;
}

const char* scenery_name() { return g_state != nullptr ? g_state->scenery_name : ""; }

int device_limit(bool volume) {
    if (g_app == nullptr || !g_app->device) return volume ? terrain::k_max_volume_extent : 4096;
    const device_caps& caps = g_app->device->caps();
    const int limit = static_cast<int>(volume ? caps.max_volume_extent : caps.max_texture_width);
    return limit > 0 ? limit : 1;
}

// A picture of the data search path at side x side, opaque black keyed out, held as R5G6B5
// would hold it; `levels` pictures, each half the one before. Empty when missing or bad,
// after its log line.
std::vector<image> load_levels(const char* name, int side, int levels) {
    std::vector<image> out;
    char path[k_path_size];
    if (!find_data_file(path, sizeof path, name)) {
        log_line("Could not find %s\\%s", scenery_name(), name);
        return out;
    }
    image picture;
    if (image_load_file(path, &picture) != S_OK || picture.empty()) {
        log_line("Could not load %s", path);
        return out;
    }
    image_apply_color_key(&picture, k_colour_key);
    out.push_back(image_resize(picture, side, side));
    while (static_cast<int>(out.size()) < levels) out.push_back(image_half_size(out.back()));
    for (image& level : out) image_quantize(&level, image_format::r5g6b5);
    return out;
}

// Creates the volume when missing (side x side x slices, one level, managed) and writes
// slice k from pictures[k] (white when there is none) for the first `count` slices.
bool fill_volume(texture_ptr* volume, int side, int slices, int count,
                 const std::vector<const image*>& pictures) {
    gfx_device* device = g_app != nullptr ? g_app->device.get() : nullptr;
    if (device == nullptr) return false;
    if (!*volume && !CHECK_HR(device->create_volume_texture(side, side, slices, 1, 0, FMT_R5G6B5,
                                                            POOL_MANAGED, volume))) {
        return false;
    }
    locked_box box;
    if (!CHECK_HR((*volume)->lock_box(0, &box))) return false;
    auto* bits = static_cast<std::uint8_t*>(box.bits);
    for (int k = 0; k < count && k < slices; ++k) {
        std::uint8_t* slice = bits + static_cast<std::size_t>(k) * box.slice_pitch;
        const image* p = pictures[k];
        if (p != nullptr && p->width == side && p->height == side) {
            image_pack(*p, image_format::r5g6b5, slice, box.row_pitch);
            continue;
        }
        for (int y = 0; y < side; ++y) {
            auto* row = reinterpret_cast<std::uint16_t*>(slice + static_cast<std::size_t>(y) * box.row_pitch);
            std::fill(row, row + side, k_white_texel);
        }
    }
    return CHECK_HR((*volume)->unlock_box(0));
}

}  // namespace

int terrain::land_texture_side() const {
    return std::clamp(land_texture_size, 1, std::min(k_max_volume_extent, device_limit(true)));
}

bool terrain::make_topo_map() {
    const std::string topo = scenery_file("topo.jpg");
    const std::string map = scenery_file("map.jpg");
    if (fs_exists(topo.c_str()) && fs_exists(map.c_str())) return false;
    if (g_state != nullptr) g_state->show_status("Creating Topographic Map");
    if (columns < 2 || rows < 2) return false;
    char path[k_path_size];
    if (!find_data_file(path, sizeof path, "*.bin")) return false;
    // The samples as stored: neither stretched by latitude nor cleared of no-data values.
    std::vector<std::uint8_t> bytes;
    const std::size_t needed = static_cast<std::size_t>(columns) * rows * sizeof(std::int16_t);
    if (!fs_read(path, &bytes) || bytes.size() < needed) return false;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(columns) * rows);
    std::memcpy(samples.data(), bytes.data(), needed);
    image picture;
    if (!make_topo_image(samples.data(), columns, rows, cell_size, elevation_scale, has_depth != 0,
                         &picture)) {
        return false;
    }
    const int limit = device_limit(false);
    const int width = std::min(image_prev_power_of_two(columns), limit);
    const int height = std::min(image_prev_power_of_two(rows), limit);
    image map_picture = image_resize(picture, width, height);
    image_quantize(&map_picture, image_format::r5g6b5);
    if (image_save_file(map.c_str(), map_picture) != S_OK) return false;
    image topo_picture = image_resize(map_picture, k_topo_side, k_topo_side);
    image_quantize(&topo_picture, image_format::r5g6b5);
    return image_save_file(topo.c_str(), topo_picture) == S_OK;
}

bool terrain::load_land_textures() {
    if (g_app == nullptr || !g_app->device) return false;  // nothing to fill
    const int side = land_texture_side();
    const int count = std::clamp(land_class_count, 0, k_max_classes);
    std::vector<std::vector<image>> textures(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        textures[k] = load_levels(land_texture_names[k], side, k_land_levels);
    }
    for (int m = 0; m < k_land_levels; ++m) {
        const int level_side = std::max(1, side >> m);
        std::vector<const image*> pictures(static_cast<std::size_t>(count), nullptr);
        for (int k = 0; k < count; ++k) {
            if (static_cast<int>(textures[k].size()) > m) pictures[k] = &textures[k][m];
        }
        if (!fill_volume(&land_volumes[m], level_side, std::clamp(land_slice_count, 1, k_max_classes), count, pictures)) return false;
    }
    return true;
}

bool terrain::load_dense_textures() {
    if (g_app == nullptr || !g_app->device) return false;
    const int side = land_texture_side();
    const int count = std::clamp(land_class_count, 0, k_max_classes);
    std::vector<std::vector<image>> textures(static_cast<std::size_t>(count));
    std::vector<const image*> pictures(static_cast<std::size_t>(count), nullptr);
    for (int k = 0; k < count; ++k) {
        const std::string dense = std::string("dense_") + land_texture_names[k];
        char probe[k_path_size];
        if (find_data_file(probe, sizeof probe, dense.c_str())) {
            textures[k] = load_levels(dense.c_str(), side, 1);
        } else {
            log_line("Could not find %s\\%s", scenery_name(), dense.c_str());
            textures[k] = load_levels("dense.jpg", side, 1);
        }
        if (!textures[k].empty()) pictures[k] = &textures[k][0];
    }
    return fill_volume(&dense_volume, side, std::clamp(land_slice_count, 1, k_max_classes), count, pictures);
}

void terrain::release_land_volumes() {
    for (texture_ptr& v : land_volumes) v.reset();
    dense_volume.reset();
}

bool make_scenery_map_pictures(const char* scenery) {
    if (g_state == nullptr || scenery == nullptr || scenery[0] == '\0') return false;
    char loaded[sizeof g_state->scenery_name];
    copy_text(loaded, g_state->scenery_name);
    const float fill_height = g_state->fill_height;
    copy_text(g_state->scenery_name, scenery);
    bool made = false;
    {
        terrain pictures_only;
        made = pictures_only.load_elevations() && pictures_only.make_topo_map();
    }
    copy_text(g_state->scenery_name, loaded);
    g_state->fill_height = fill_height;
    return made;
}
