#include "world/terrain_batch.h"

#include <algorithm>

#include "core/d3d_app.h"

namespace {

constexpr const char k_hr_source[] = "terrain_batch";

}  // namespace

void terrain_batch::clear() {
    vertices_.clear();
    indices_.clear();
}

void terrain_batch::add_below(gfx_device* d, const terrain_tile& tile, bool on_tile) {
    const int available = std::min(tile.vertex_count, static_cast<int>(tile.vertices.size()));
    const int count = std::min(tile.index_count_below, static_cast<int>(tile.indices_below.size()));
    if (count < 3 || available <= 0) return;
    const std::size_t most_new = static_cast<std::size_t>(std::min(available, count));
    if (vertices_.size() + most_new > k_max_vertices) draw(d);
    if (taken_by_.size() < static_cast<std::size_t>(available)) {
        taken_by_.resize(available, 0);
        placed_at_.resize(available, 0);
    }
    if (++add_count_ == 0) {  // the stamps wrapped: none of them may match a later add
        std::fill(taken_by_.begin(), taken_by_.end(), 0u);
        add_count_ = 1;
    }
    for (int i = 0; i + 3 <= count; i += 3) {
        const std::uint16_t* triangle = &tile.indices_below[static_cast<std::size_t>(i)];
        if (triangle[0] >= available || triangle[1] >= available || triangle[2] >= available) continue;
        for (int k = 0; k < 3; ++k) {
            const std::uint16_t source = triangle[k];
            if (taken_by_[source] != add_count_) {
                taken_by_[source] = add_count_;
                placed_at_[source] = static_cast<std::uint16_t>(vertices_.size());
                terrain_vertex v = tile.vertices[source];
                if (on_tile) {
                    v.drop = v.x;  // set 1: the position on the tile
                    v.unused = v.z;
                }
                v.x += tile.x;
                v.z += tile.z;
                vertices_.push_back(v);
            }
            indices_.push_back(placed_at_[source]);
        }
    }
}

void terrain_batch::draw(gfx_device* d) {
    if (d != nullptr && indices_.size() >= 3) {
        d->set_fvf(k_terrain_fvf);
        CHECK_HR(d->draw_indexed_primitive_up(PT_TRIANGLELIST, 0, static_cast<int>(vertices_.size()),
                                              static_cast<int>(indices_.size() / 3), indices_.data(),
                                              FMT_INDEX16, vertices_.data(),
                                              static_cast<int>(sizeof(terrain_vertex))));
        ++draw_count;
    }
    clear();
}
