#include "core/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/model_cache.h"
#include "core/scene_services.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/x_writer.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "mesh";

namespace {

constexpr int k_path_size = 128;

// Materials below this alpha would vanish from both root passes; they are raised to it.
constexpr float k_min_alpha = 0.01f;

vec3 world_corner(const x_mesh& m, int vertex, const mat4& world) {
    const vec3 p = m.position(vertex);
    return transform_point(p.x, p.y, p.z, world);
}

bool valid_face(const x_mesh& m, const std::uint16_t* idx) {
    return idx[0] < m.vertex_count() && idx[1] < m.vertex_count() && idx[2] < m.vertex_count();
}

}  // namespace

void model_folder(const char* lowered_path, char* folder, std::size_t cap) {
    const char* slash = std::strrchr(lowered_path, '\\');
    if (slash == nullptr) {
        copy_bounded(folder, cap, ".");
        return;
    }
    const std::size_t n = std::min(static_cast<std::size_t>(slash - lowered_path), cap - 1);
    std::memcpy(folder, lowered_path, n);
    folder[n] = '\0';
}

std::shared_ptr<const x_file> read_x_file(const char* path) { return shared_model_cache().read(path); }

mesh::mesh() {
    type = FRAME_MESH;
    set_name("mesh");
    layer = 4;
}

mesh::~mesh() { mesh::clear_children(); }

void mesh::clear_children() {
    frame::clear_children();
    release_geometry();
}

void mesh::release_geometry() {
    for (gfx_texture*& t : textures) {
        if (t != nullptr && g_app != nullptr) g_app->release_texture(&t);
        t = nullptr;
    }
    textures.clear();
    materials.clear();
    material_count = 0;
    material_buffer.clear();
    d3dx_mesh.reset();
}

bool mesh::load_x(const char* path) {
    char lowered[k_path_size];
    copy_text(lowered, path);
    ascii_lower_in_place(lowered);
    set_name(lowered);
    special_draw = (no_depth_write || self_lit || additive) ? 1 : 0;
    char folder[k_path_size];
    model_folder(lowered, folder, sizeof folder);
    char file_name[k_path_size];
    copy_text(file_name, path);
    if (!resolve_needed_file(file_name, ".xx", nullptr)) return false;
    const std::shared_ptr<const x_file> file = read_x_file(file_name);
    if (!file) return false;
    x_mesh_data data;
    std::string error;
    if (!load_merged_mesh(*file, &data, &error)) {
        log_line("Bad model file %s: %s", file_name, error.c_str());
        return false;
    }
    return take_loaded(&data, folder);
}

bool mesh::load_xof(const x_file& file, const x_object& object, const char* folder,
                    const x_material* fallback) {
    x_mesh_data data;
    std::string error;
    if (!load_mesh_object(file, object, &data, &error)) {
        log_line("Bad mesh %s: %s", object.name.c_str(), error.c_str());
        return false;
    }
    if (data.materials.empty() && fallback != nullptr) data.materials.push_back(*fallback);
    return take_loaded(&data, folder);
}

bool mesh::take_loaded(x_mesh_data* data, const char* folder) {
    // Loading again replaces what was held: its textures go back to the cache.
    release_geometry();
    d3dx_mesh = std::move(data->mesh);
    material_buffer = std::move(data->materials);
    material_count = static_cast<std::uint32_t>(material_buffer.size());
    if (material_count == 0) return false;
    return prepare(folder);
}

bool mesh::prepare(const char* folder) {
    if (!d3dx_mesh) return false;
    materials.assign(material_count, gfx_material{});
    textures.assign(material_count, nullptr);
    for (std::uint32_t i = 0; i < material_count && i < material_buffer.size(); ++i) {
        gfx_material m = material_buffer[i].material;
        m.ambient = m.diffuse;
        m.diffuse.a = std::max(m.diffuse.a, k_min_alpha);
        materials[i] = m;
        const std::string& texture = material_buffer[i].texture;
        if (!texture.empty() && g_app != nullptr) {
            g_app->load_texture_from_folder(folder, texture.c_str(), &textures[i], true);
        }
    }
    const bool had_normals = (d3dx_mesh->fvf() & FVF_NORMAL) != 0;
    if (d3dx_mesh->fvf() != k_mesh_fvf) {
        std::unique_ptr<x_mesh> clone;
        // Everything after this reads 32-byte vertices: a mesh that cannot be brought to
        // that format is not kept.
        if (!CHECK_HR(d3dx_mesh->clone_fvf(k_mesh_fvf, &clone))) {
            release_geometry();
            return false;
        }
        d3dx_mesh = std::move(clone);
    }
    if (!had_normals) d3dx_mesh->compute_normals();
    d3dx_mesh->optimize();
    if (!compute_bounds()) {
        release_geometry();
        return false;
    }
    radius = base_radius;
    return true;
}

bool mesh::compute_bounds() {
    void* bits = nullptr;
    if (!CHECK_HR(d3dx_mesh->lock_vertices(&bits))) return false;
    d3dx_mesh->bounds(&base_box.min, &base_box.max);
    d3dx_mesh->unlock_vertices();
    box = base_box;
    // From the local origin, not the box centre: the frame turns about its origin.
    base_radius = std::max({0.0f, length(base_box.min), length(base_box.max)});
    return true;
}

bool mesh::save_x(const char* path) const {
    if (!d3dx_mesh) return false;
    const std::string text = format_x_mesh(*d3dx_mesh, material_buffer);
    if (!fs_write(path, text.data(), text.size())) {
        log_line("Failed to write %s", path);
        return false;
    }
    return true;
}

void mesh::translate_vertices(float dx, float dy, float dz) {
    if (!d3dx_mesh) return;
    void* bits = nullptr;
    if (!CHECK_HR(d3dx_mesh->lock_vertices(&bits))) return;
    std::uint8_t* v = static_cast<std::uint8_t*>(bits);
    for (int i = 0; i < d3dx_mesh->vertex_count(); ++i) {
        float p[3];
        std::uint8_t* at = v + static_cast<std::size_t>(i) * static_cast<std::size_t>(d3dx_mesh->stride());
        std::memcpy(p, at, sizeof p);
        p[0] += dx;
        p[1] += dy;
        p[2] += dz;
        std::memcpy(at, p, sizeof p);
    }
    d3dx_mesh->unlock_vertices();
    compute_bounds();
    radius = base_radius;
}

void mesh::lay_on_ground(std::uint8_t* vertices) {
    const float scale_y = local.m[1][1];
    const float world_y = world.m[3][1];
    for (int i = 0; i < d3dx_mesh->vertex_count(); ++i) {
        std::uint8_t* at = vertices + static_cast<std::size_t>(i) * static_cast<std::size_t>(d3dx_mesh->stride());
        float p[3];
        std::memcpy(p, at, sizeof p);
        const vec3 w = transform_point(p[0], p[1], p[2], world);
        float h = 0.0f;
        ground_height(w.x, w.z, &h);
        mark_ground_cell(w.x, w.z, 1);
        p[1] = (h - world_y) / scale_y;
        std::memcpy(at, p, sizeof p);
    }
}

void mesh::drape_on_ground() {
    if (!active || !d3dx_mesh) return;
    // The vertical scale divides the height: a flat (zero) scale from an object file would
    // put every vertex at infinity.
    if (local.m[1][1] == 0.0f) {
        log_line("Cannot drape %s: its vertical scale is 0", name);
        return;
    }
    void* bits = nullptr;
    if (!CHECK_HR(d3dx_mesh->lock_vertices(&bits))) return;
    lay_on_ground(static_cast<std::uint8_t*>(bits));
    d3dx_mesh->unlock_vertices();
    no_depth_write = 1;
    special_draw = 1;
    pass1 = 0;
}

void mesh::set_draw_flags(bool self_lit_flag, bool additive_flag) {
    self_lit = self_lit_flag ? 1 : 0;
    additive = additive_flag ? 1 : 0;
    special_draw = (self_lit || additive || no_depth_write) ? 1 : 0;
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c != nullptr && c->type == FRAME_MESH) static_cast<mesh*>(c)->set_draw_flags(self_lit_flag, additive_flag);
    }
}

bool mesh::set_shader_params_by_word(const char* text) {
    struct word_params {
        const char* word;
        float a, b;
    };
    static const word_params k_words[] = {
        {"chrome", 0.05f, 0.8f}, {"transp", 0.0f, 0.35f}, {"axis", 0.0f, 0.8f},
        {"box", 0.2f, 0.0f},     {"wheel", 0.2f, 0.0f},
    };
    for (const word_params& w : k_words) {
        if (contains(text, w.word)) {
            shader_a = w.a;
            shader_b = w.b;
            return true;
        }
    }
    return false;
}

void mesh::set_shader_params(float a, float b) {
    frame::set_shader_params(a, b);
    shader_a = a;
    shader_b = b;
}

// ---- Hit tests and the height probe ----

void mesh::surface_height(float x, float z, float* height, frame** hit) {
    const vec3 p = world_position();
    if (active && hit_testable && d3dx_mesh && std::fabs(x - p.x) < radius && std::fabs(z - p.z) < radius) {
        const x_mesh& m = *d3dx_mesh;
        const std::uint16_t* idx = m.index_data();
        for (int f = 0; f < m.face_count(); ++f, idx += 3) {
            if (!valid_face(m, idx)) continue;
            const vec3 p0 = world_corner(m, idx[0], world);
            const vec3 p1 = world_corner(m, idx[1], world);
            const vec3 p2 = world_corner(m, idx[2], world);
            float h = 0.0f;
            if (probe_height(x, z, p0, p1, p2, &h) && h > *height) {
                if (g_state != nullptr) g_state->hit_normal = normalize(cross(p1 - p0, p2 - p0));
                *height = h;
                if (hit != nullptr) *hit = this;
            }
        }
    }
    frame::surface_height(x, z, height, hit);
}

bool mesh::hit_test_point(float x, float y, float z, frame** hit) {
    if (!active || !hit_testable) return false;
    if (frame::hit_test_point(x, y, z, hit)) return true;
    if (!d3dx_mesh) return false;
    const vec3 p = world_position();
    if (!(std::fabs(x - p.x) < radius) || !(std::fabs(z - p.z) < radius) || !(std::fabs(y - p.y) < radius)) {
        return false;
    }
    const vec3 l = world_to_local({x, y, z});
    const box6& b = base_box;
    if (l.x > b.min.x && l.x < b.max.x && l.y > b.min.y && l.y < b.max.y && l.z > b.min.z && l.z < b.max.z) {
        if (hit != nullptr) *hit = this;
        return true;
    }
    return false;
}

bool mesh::hit_test_frame(frame* other, frame** hit) {
    if (other == nullptr) return false;
    const vec3 p = other->world_position();
    return hit_test_point(p.x, p.y, p.z, hit);
}

bool mesh::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable && d3dx_mesh) {
        if (length(cross(direction, world_position() - origin)) > radius) return false;
        const x_mesh& m = *d3dx_mesh;
        const std::uint16_t* idx = m.index_data();
        for (int f = 0; f < m.face_count(); ++f, idx += 3) {
            if (!valid_face(m, idx)) continue;
            const vec3 p0 = world_corner(m, idx[0], world);
            const vec3 p1 = world_corner(m, idx[1], world);
            const vec3 p2 = world_corner(m, idx[2], world);
            float t = 0.0f;
            if (!intersect_ray_triangle(origin, direction, p0, p1, p2, &t)) continue;
            if (t > 0.0f && g_state != nullptr && t < g_state->nearest_hit) {
                g_state->hit_normal = normalize(cross(p1 - p0, p2 - p0));
                g_state->nearest_hit = t;
                if (hit != nullptr) *hit = this;
            }
        }
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}

// ---- Creation ----

hresult create_mesh(frame* parent, mesh** out) { return create_owned(parent, out); }

hresult create_detached_mesh(mesh** out) { return create_owned<mesh>(nullptr, out); }

hresult destroy_mesh(mesh** variable) { return destroy_owned(variable); }
