// The terrain's scatter arrays: plants, bushes and trees of the scenery's land arrays.
#include <cstring>

#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/scene_services.h"
#include "platform/text.h"
#include "world/array_sp.h"
#include "world/terrain.h"

namespace {

// Items shorter than this stand in the short-items drawing.
constexpr float k_short_items = 5.0f;

}  // namespace

void terrain::create_scatter_arrays() {
    release_scatter_arrays();
    frame* root = services().transps_root();
    if (root == nullptr) return;
    for (int j = 0; j < scatter_array_count && j < k_max_arrays; ++j) {
        const scatter_array_def& def = scatter_arrays[j];
        array_sp* a = nullptr;
        if (create_array_sp_unparented(&a) != S_OK) continue;
        a->item_width = def.item_width;
        a->item_height = def.item_height;
        a->scatter_radius = def.radius;
        a->set_count(static_cast<int>(def.item_count));
        a->short_items = def.item_height < k_short_items ? 1 : 0;
        a->terrain_array = 1;
        a->land_classes = scatter_masks[j];
        a->cell_size = cell_size;
        // A "fixed" array keeps its items where they were scattered.
        if (contains(scatter_texture_names[j], "fixed")) a->moves_items = 0;
        char path[frame::k_name_size];
        find_data_file(path, scatter_texture_names[j]);
        a->scatter_on_terrain(path);
        if (!(def.item_height > 0.0f)) {
            destroy_array_sp(&a);  // refused, with its log line
            continue;
        }
        root->add_child(a);
        scatter_objects[scatter_object_count++] = a;
    }
    rescatter_arrays();
}

void terrain::rescatter_arrays() {
    for (int j = 0; j < scatter_object_count; ++j) scatter_objects[j]->rescatter();
}

void terrain::release_scatter_arrays() {
    if (scatter_object_count == 0) return;
    frame* root = services().transps_root();
    for (int j = 0; j < scatter_object_count; ++j) {
        // Only an array still under the root is ours to remove: a cleared root took it along.
        bool listed = false;
        for (int i = 0; root != nullptr && i < root->child_count(); ++i) listed = listed || root->child(i) == scatter_objects[j];
        if (listed) destroy_array_sp(&scatter_objects[j]);
        scatter_objects[j] = nullptr;
    }
    scatter_object_count = 0;
}
