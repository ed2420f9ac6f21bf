// The device buffers of a terrain tile: made once at the tile's largest size (its base
// step), refilled from the tile's arrays whenever they changed.
#include <algorithm>
#include <cstring>

#include "core/d3d_app.h"
#include "world/terrain_tile.h"

namespace {

constexpr const char k_hr_source[] = "terrain";

bool copy_into(gfx_buffer* buffer, const void* data, std::size_t bytes) {
    if (bytes == 0) return true;
    if (bytes > static_cast<std::size_t>(buffer->size())) return false;
    void* out = nullptr;
    if (!CHECK_HR(buffer->lock(0, static_cast<int>(bytes), &out))) return false;
    std::memcpy(out, data, bytes);
    return CHECK_HR(buffer->unlock());
}

}  // namespace

bool terrain_tile::create_buffers(gfx_device* device) {
    if (device == nullptr || samples <= 0 || base_step <= 0) return false;
    const int n = samples / base_step;
    const int vertex_bytes = (n + 1) * (n + 1) * static_cast<int>(sizeof(terrain_vertex));
    const int index_bytes = n * n * 6 * static_cast<int>(sizeof(std::uint16_t));
    if (!vertex_buffer &&
        !CHECK_HR(device->create_vertex_buffer(vertex_bytes, USAGE_WRITEONLY, k_terrain_fvf,
                                               POOL_MANAGED, &vertex_buffer))) {
        return false;
    }
    if (!above_buffer &&
        !CHECK_HR(device->create_index_buffer(index_bytes, USAGE_WRITEONLY, FMT_INDEX16,
                                              POOL_MANAGED, &above_buffer))) {
        return false;
    }
    if (!below_buffer &&
        !CHECK_HR(device->create_index_buffer(index_bytes, USAGE_WRITEONLY, FMT_INDEX16,
                                              POOL_MANAGED, &below_buffer))) {
        return false;
    }
    uploaded_revision = ~revision;
    return true;
}

bool terrain_tile::upload_buffers() {
    if (!has_buffers()) return false;
    if (uploaded_revision == revision) return true;
    const bool ok =
        copy_into(vertex_buffer.get(), vertices.data(),
                  static_cast<std::size_t>(vertex_count) * sizeof(terrain_vertex)) &&
        copy_into(above_buffer.get(), indices_above.data(),
                  static_cast<std::size_t>(index_count_above) * sizeof(std::uint16_t)) &&
        copy_into(below_buffer.get(), indices_below.data(),
                  static_cast<std::size_t>(index_count_below) * sizeof(std::uint16_t));
    if (ok) uploaded_revision = revision;
    low = high = vertex_count > 0 ? vertices[0].y : 0.0f;
    for (int i = 0; i < vertex_count; ++i) {
        low = std::min(low, vertices[i].y - vertices[i].drop);
        high = std::max(high, vertices[i].y);
    }
    return ok;
}

void terrain_tile::release_buffers() {
    vertex_buffer.reset();
    above_buffer.reset();
    below_buffer.reset();
    uploaded_revision = ~0u;
}
