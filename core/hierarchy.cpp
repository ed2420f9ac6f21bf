#include "core/hierarchy.h"

#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/scene_services.h"
#include "platform/text.h"

namespace {

constexpr int k_path_size = 128;

void lowered_name(frame* f, const std::string& text) {
    f->set_name(text.c_str());
    ascii_lower_in_place(f->name);
}

}  // namespace

hierarchy::hierarchy() {
    type = FRAME_HIERARCHY;
    set_name("hier");
    layer = 4;
}

hierarchy::~hierarchy() { hierarchy::clear_children(); }

void hierarchy::clear_children() { frame::clear_children(); }

void hierarchy::load_x(const char* path) {
    char lowered[k_path_size];
    copy_text(lowered, path);
    ascii_lower_in_place(lowered);
    set_name(lowered);
    model_folder(lowered, folder, sizeof folder);
    char file_name[k_path_size];
    copy_text(file_name, path);
    if (!resolve_needed_file(file_name, ".xx", nullptr)) return;
    const std::shared_ptr<const x_file> file = read_x_file(file_name);
    if (!file) return;
    // Only frames count: meshes outside any frame are not part of the tree.
    for (const x_object& o : file->objects) {
        if (o.type == "Frame") load_frame(*file, o, this);
    }
    update_bounding_radius();
    update_bounding_box();
    base_box = box;
}

void hierarchy::load_frame(const x_file& file, const x_object& object, frame* parent) {
    if (object.type == "Frame") {
        mesh* child = nullptr;
        if (create_mesh(parent, &child) != S_OK) return;
        child->set_draw_flags(self_lit != 0, additive != 0);
        lowered_name(child, object.name);
        for (const x_object& c : object.children) load_frame(file, c, child);
        return;
    }
    if (parent == this || parent->type != FRAME_MESH) return;
    mesh* owner = static_cast<mesh*>(parent);
    if (object.type == "FrameTransformMatrix") {
        mat4 m;
        // A record that is not 16 numbers is ignored (the identity stays).
        if (read_frame_matrix(object, &m)) owner->local = m;
        return;
    }
    if (object.type != "Mesh") return;
    // A frame holding a second mesh gives it a child mesh of its own, so the first keeps
    // its geometry and textures.
    if (owner->has_geometry()) {
        mesh* extra = nullptr;
        if (create_mesh(owner, &extra) != S_OK) return;
        extra->set_draw_flags(self_lit != 0, additive != 0);
        lowered_name(extra, object.name.empty() ? std::string(owner->name) : object.name);
        extra->load_xof(file, object, folder);
        return;
    }
    // An unnamed mesh keeps its frame's name.
    if (!object.name.empty()) lowered_name(owner, object.name);
    owner->load_xof(file, object, folder);
}

mesh* hierarchy::find_mesh(const char* pattern, const char* exclusion) {
    char p[k_path_size];
    char e[k_path_size];
    copy_text(p, pattern);
    ascii_lower_in_place(p);
    if (exclusion != nullptr) {
        copy_text(e, exclusion);
        ascii_lower_in_place(e);
    }
    for (int i = 0; i < count; ++i) {
        if (children[i] == nullptr) continue;
        frame* found = children[i]->find_by_name(p, exclusion != nullptr ? e : nullptr);
        if (found != nullptr && found->type == FRAME_MESH) return static_cast<mesh*>(found);
    }
    return nullptr;
}

void hierarchy::drape_children() {
    if (!drape) return;
    const float scale_y = local.m[1][1];
    if (scale_y == 0.0f) {
        log_line("Cannot drape %s: its vertical scale is 0", name);
        return;
    }
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c == nullptr) continue;
        const vec3 p = c->world_position();
        float h = 0.0f;
        ground_height(p.x, p.z, &h);
        c->move_by(0.0f, (h - p.y) / scale_y, 0.0f);
    }
}

hresult create_hierarchy(frame* parent, hierarchy** out) { return create_owned(parent, out); }

hresult create_detached_hierarchy(hierarchy** out) { return create_owned<hierarchy>(nullptr, out); }

hresult destroy_hierarchy(hierarchy** variable) { return destroy_owned(variable); }
