#include "core/skinned_mesh.h"

#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/mesh.h"
#include "core/sound.h"
#include "platform/text.h"

namespace {

constexpr int k_path_size = 128;
constexpr std::uint32_t k_no_bone = 0xFFFFFFFFu;

// What a mesh without a material list draws with: mid grey, alpha 0, ambient as diffuse.
const x_material k_grey_material = [] {
    x_material m;
    m.material.diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    m.material.ambient = m.material.diffuse;
    return m;
}();

// Rotation of a unit quaternion (w, x, y, z) for row vectors.
mat4 quaternion_matrix(float w, float x, float y, float z) {
    mat4 m = mat_identity();
    m.m[0][0] = 1 - 2 * (y * y + z * z);
    m.m[0][1] = 2 * (x * y + z * w);
    m.m[0][2] = 2 * (x * z - y * w);
    m.m[1][0] = 2 * (x * y - z * w);
    m.m[1][1] = 1 - 2 * (x * x + z * z);
    m.m[1][2] = 2 * (y * z + x * w);
    m.m[2][0] = 2 * (x * z + y * w);
    m.m[2][1] = 2 * (y * z - x * w);
    m.m[2][2] = 1 - 2 * (x * x + y * y);
    return m;
}

// The key's values at a tick: linear between the keys around it, the first before the first
// key and the last after the last. False when the key has no usable values of this size.
bool sample_key(const x_animation_key& key, double tick, std::size_t size, std::vector<float>* out) {
    const std::size_t n = std::min(key.times.size(), key.values.size());
    if (n == 0) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (key.values[i].size() < size) return false;
    }
    std::size_t next = 0;
    while (next < n && static_cast<double>(key.times[next]) <= tick) ++next;
    if (next == 0 || next == n) {
        const std::vector<float>& v = key.values[next == 0 ? 0 : n - 1];
        out->assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(size));
        return true;
    }
    const double t0 = key.times[next - 1], t1 = key.times[next];
    const float f = t1 > t0 ? static_cast<float>((tick - t0) / (t1 - t0)) : 0.0f;
    const std::vector<float>& a = key.values[next - 1];
    std::vector<float> b(key.values[next].begin(), key.values[next].begin() + static_cast<std::ptrdiff_t>(size));
    // Quaternions take the short way round.
    if (key.type == 0) {
        float dot = 0.0f;
        for (std::size_t i = 0; i < 4; ++i) dot += a[i] * b[i];
        if (dot < 0.0f) {
            for (float& v : b) v = -v;
        }
    }
    out->resize(size);
    for (std::size_t i = 0; i < size; ++i) (*out)[i] = a[i] + (b[i] - a[i]) * f;
    return true;
}

vec3 skin_normal(const vec3& n, const mat4& m) {
    return {n.x * m.m[0][0] + n.y * m.m[1][0] + n.z * m.m[2][0], n.x * m.m[0][1] + n.y * m.m[1][1] + n.z * m.m[2][1],
            n.x * m.m[0][2] + n.y * m.m[1][2] + n.z * m.m[2][2]};
}

}  // namespace

int blend_matrix_count(const std::uint32_t* bone_ids, int count) {
    for (int i = count - 1; i >= 0; --i) {
        if (bone_ids[i] != k_no_bone) return i + 1;
    }
    return 0;
}

CSkinnedMesh::CSkinnedMesh() {
    type = FRAME_SKINNED_MESH;
    set_name("cskin");
}

CSkinnedMesh::~CSkinnedMesh() { CSkinnedMesh::clear_children(); }

void CSkinnedMesh::clear_children() {
    frame::clear_children();
    forget();
}

void CSkinnedMesh::forget() {
    frames.clear();
    containers.clear();
    animations.clear();
    time_ = 0.0;
}

bool CSkinnedMesh::load(const char* path) {
    char lowered[k_path_size];
    copy_text(lowered, path);
    ascii_lower_in_place(lowered);
    set_name(lowered);
    char folder[k_path_size];
    model_folder(lowered, folder, sizeof folder);
    char file_name[k_path_size];
    copy_text(file_name, path);
    if (!resolve_needed_file(file_name, ".xx", nullptr)) return false;
    const std::shared_ptr<const x_file> parsed = read_x_file(file_name);
    if (!parsed) return false;
    const x_file& file = *parsed;
    clear_children();
    bool meshes_loaded = true;
    for (const x_object& o : file.objects) {
        if (!meshes_loaded) break;
        if (o.type == "Frame") {
            meshes_loaded = load_frame(file, o, -1, folder);
        } else if (o.type == "Mesh") {
            // A mesh outside any frame hangs from a frame record of its own.
            frames.push_back(bone_frame{});
            meshes_loaded = add_container(file, o, static_cast<int>(frames.size()) - 1, folder);
        }
    }
    if (!meshes_loaded) {
        clear_children();
        return false;
    }
    std::string error;
    if (!read_animations(file, &animations, &ticks_per_second, &error)) {
        log_line("skinned_mesh: %s: %s", file_name, error.c_str());
        clear_children();
        return false;
    }
    if (!link_bones()) {
        clear_children();
        return false;
    }
    // Without an animation nothing is drawn.
    if (animations.empty()) {
        frame::clear_children();
        containers.clear();
    }
    base_box = box6{-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    box = base_box;
    base_radius = radius = 1.0f;
    apply_pose();
    return has_animation();
}

bool CSkinnedMesh::load_frame(const x_file& file, const x_object& object, int parent, const char* folder) {
    const int index = static_cast<int>(frames.size());
    bone_frame f;
    f.name = object.name;
    f.parent = parent;
    frames.push_back(f);
    bool loaded = true;
    for (const x_object& c : object.children) {
        if (c.type == "FrameTransformMatrix") {
            mat4 m;
            if (read_frame_matrix(c, &m)) frames[static_cast<std::size_t>(index)].rest = m;
        } else if (c.type == "Frame") {
            loaded = load_frame(file, c, index, folder);
        } else if (c.type == "Mesh") {
            loaded = add_container(file, c, index, folder);
        }
        if (!loaded) return false;
    }
    frames[static_cast<std::size_t>(index)].transform = frames[static_cast<std::size_t>(index)].rest;
    return true;
}

bool CSkinnedMesh::add_container(const x_file& file, const x_object& object, int frame_index, const char* folder) {
    x_skin_header header;
    std::vector<x_skin_weights> weights;
    std::string error;
    if (!read_skin(object, &header, &weights, &error)) {
        log_line("skinned_mesh: %s: %s", name, error.c_str());
        return false;
    }
    mesh* m = nullptr;
    if (create_mesh(this, &m) != S_OK) return false;
    if (!m->load_xof(file, object, folder, &k_grey_material) || !m->has_geometry()) {
        log_line("skinned_mesh: %s: the mesh %s cannot be drawn", name, object.name.c_str());
        frame* f = m;
        destroy_frame(&f);
        return false;
    }
    skin_container c;
    c.drawn = m;
    c.frame = frame_index;
    c.skinned = !weights.empty();
    const x_mesh& geometry = *m->d3dx_mesh;
    const int count = geometry.vertex_count();
    const int normal_at = geometry.normal_offset();
    const std::uint8_t* bytes = geometry.vertex_bytes();
    for (int v = 0; v < count; ++v) {
        c.rest_positions.push_back(geometry.position(v));
        vec3 n{0.0f, 1.0f, 0.0f};
        if (normal_at >= 0) std::memcpy(&n, bytes + v * geometry.stride() + normal_at, sizeof n);
        c.rest_normals.push_back(n);
    }
    if (c.skinned) {
        // The loaded vertices are reordered: each finds the file's position it came from by
        // its value (the weights name the file's positions).
        const std::vector<double>& numbers = object.numbers;
        const std::size_t positions = numbers.empty() ? 0 : static_cast<std::size_t>(numbers[0]);
        std::vector<int> source(static_cast<std::size_t>(count), -1);
        for (int v = 0; v < count; ++v) {
            const vec3& p = c.rest_positions[static_cast<std::size_t>(v)];
            for (std::size_t s = 0; s < positions && 3 * s + 3 < numbers.size(); ++s) {
                if (static_cast<float>(numbers[3 * s + 1]) == p.x && static_cast<float>(numbers[3 * s + 2]) == p.y &&
                    static_cast<float>(numbers[3 * s + 3]) == p.z) {
                    source[static_cast<std::size_t>(v)] = static_cast<int>(s);
                    break;
                }
            }
        }
        c.influences.resize(static_cast<std::size_t>(count));
        for (std::size_t b = 0; b < weights.size(); ++b) {
            c.bone_offsets.push_back(weights[b].offset);
            c.bone_frames.push_back(-1);
            for (std::size_t i = 0; i < weights[b].vertices.size(); ++i) {
                for (int v = 0; v < count; ++v) {
                    if (source[static_cast<std::size_t>(v)] == static_cast<int>(weights[b].vertices[i])) {
                        c.influences[static_cast<std::size_t>(v)].push_back({static_cast<int>(b), weights[b].weights[i]});
                    }
                }
            }
        }
        // Bone names are linked once the whole tree is read.
        for (const x_skin_weights& w : weights) c.bone_names.push_back(w.bone);
        containers.push_back(std::move(c));
        return true;
    }
    containers.push_back(std::move(c));
    return true;
}

bool CSkinnedMesh::link_bones() {
    for (skin_container& c : containers) {
        if (!c.skinned) continue;
        for (std::size_t b = 0; b < c.bone_names.size(); ++b) {
            int found = -1;
            for (std::size_t f = 0; f < frames.size() && found < 0; ++f) {
                if (frames[f].name == c.bone_names[b]) found = static_cast<int>(f);
            }
            if (found < 0) {
                log_line("skinned_mesh: %s: no frame for the bone %s", name, c.bone_names[b].c_str());
                return false;
            }
            c.bone_frames[b] = found;
        }
    }
    return true;
}

void CSkinnedMesh::update() {
    frame::update();
    if (!has_animation() || !animate) return;
    const float step = g_state != nullptr ? g_state->smoothed_step : 0.0f;
    time_ += static_cast<double>(time_scale) * step;
    apply_pose();
}

void CSkinnedMesh::apply_pose() {
    pose_frames();
    for (skin_container& c : containers) {
        if (c.skinned) {
            skin(c);
        } else if (c.frame >= 0 && c.drawn != nullptr) {
            c.drawn->local = frames[static_cast<std::size_t>(c.frame)].combined;
            c.drawn->update_matrices();
        }
    }
}

void CSkinnedMesh::pose_frames() {
    double tick = 0.0;
    const x_animation_set* set = animations.empty() ? nullptr : &animations[0];
    if (set != nullptr) {
        std::uint32_t period = 0;
        for (const x_animation& a : set->animations) {
            for (const x_animation_key& k : a.keys) {
                if (!k.times.empty()) period = std::max(period, k.times.back());
            }
        }
        tick = period > 0 ? std::fmod(time_ * ticks_per_second, static_cast<double>(period)) : 0.0;
    }
    for (bone_frame& f : frames) f.transform = f.rest;
    if (set != nullptr) {
        for (const x_animation& a : set->animations) {
            bone_frame* target = nullptr;
            for (bone_frame& f : frames) {
                if (f.name == a.frame) target = &f;
            }
            if (target == nullptr) continue;
            mat4 s = mat_identity(), r = mat_identity(), t = mat_identity();
            t.m[3][0] = target->rest.m[3][0];
            t.m[3][1] = target->rest.m[3][1];
            t.m[3][2] = target->rest.m[3][2];
            bool matrix_key = false;
            std::vector<float> v;
            for (const x_animation_key& k : a.keys) {
                if (k.type == 0 && sample_key(k, tick, 4, &v)) {
                    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
                    if (len > 0.0f) r = quaternion_matrix(v[0] / len, v[1] / len, v[2] / len, v[3] / len);
                } else if (k.type == 1 && sample_key(k, tick, 3, &v)) {
                    s.m[0][0] = v[0];
                    s.m[1][1] = v[1];
                    s.m[2][2] = v[2];
                } else if (k.type == 2 && sample_key(k, tick, 3, &v)) {
                    t.m[3][0] = v[0];
                    t.m[3][1] = v[1];
                    t.m[3][2] = v[2];
                } else if (k.type == 4 && sample_key(k, tick, 16, &v)) {
                    for (int i = 0; i < 16; ++i) target->transform.m[i / 4][i % 4] = v[static_cast<std::size_t>(i)];
                    matrix_key = true;
                }
            }
            if (!matrix_key) target->transform = s * r * t;
        }
    }
    // Parents come before their children in the records.
    for (bone_frame& f : frames) {
        f.combined = f.parent >= 0 ? f.transform * frames[static_cast<std::size_t>(f.parent)].combined : f.transform;
    }
}

void CSkinnedMesh::skin(skin_container& c) {
    if (c.drawn == nullptr || !c.drawn->has_geometry()) return;
    std::vector<mat4> bones(c.bone_frames.size());
    for (std::size_t b = 0; b < bones.size(); ++b) {
        const int f = c.bone_frames[b];
        bones[b] = f >= 0 ? c.bone_offsets[b] * frames[static_cast<std::size_t>(f)].combined : mat_identity();
    }
    x_mesh& geometry = *c.drawn->d3dx_mesh;
    void* locked = nullptr;
    if (failed(geometry.lock_vertices(&locked))) return;
    auto* bytes = static_cast<std::uint8_t*>(locked);
    const int stride = geometry.stride();
    const int normal_at = geometry.normal_offset();
    for (std::size_t v = 0; v < c.influences.size(); ++v) {
        const vec3& p = c.rest_positions[v];
        const vec3& n = c.rest_normals[v];
        vec3 position = p, normal = n;
        if (!c.influences[v].empty()) {
            position = {};
            normal = {};
            for (const auto& [bone, weight] : c.influences[v]) {
                const mat4& m = bones[static_cast<std::size_t>(bone)];
                position = position + transform_point(p.x, p.y, p.z, m) * weight;
                normal = normal + skin_normal(n, m) * weight;
            }
            const float len = length(normal);
            if (len > 0.0f) normal = normal * (1.0f / len);
        }
        std::uint8_t* vertex = bytes + static_cast<std::ptrdiff_t>(v) * stride;
        std::memcpy(vertex, &position, sizeof position);
        if (normal_at >= 0) std::memcpy(vertex + normal_at, &normal, sizeof normal);
    }
    geometry.unlock_vertices();
}

bool CSkinnedMesh::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable && !sphere_ray_test(*this, direction, origin, hit, result)) return false;
    return frame::hit_test_ray(direction, origin, hit, result);
}

hresult create_skinned_mesh(frame* parent, CSkinnedMesh** out) { return create_owned(parent, out); }

hresult create_detached_skinned_mesh(CSkinnedMesh** out) { return create_owned<CSkinnedMesh>(nullptr, out); }

hresult destroy_skinned_mesh(CSkinnedMesh** variable) {
    frame* f = *variable;
    *variable = nullptr;
    return destroy_frame(&f) ? S_OK : E_FAIL;
}
