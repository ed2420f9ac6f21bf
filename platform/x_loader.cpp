#include "platform/x_loader.h"

#include <cmath>
#include <limits>
#include <cstring>
#include <map>

#include "platform/text.h"

namespace {

// Reads the numbers of one object in order, refusing to run past them.
class number_reader {
public:
    explicit number_reader(const x_object& o) : o_(o) {}

    std::size_t left() const { return o_.numbers.size() - i_; }

    bool real(float* out) {
        if (i_ >= o_.numbers.size()) return false;
        const double v = o_.numbers[i_++];
        // Beyond the float range a number would become infinite.
        if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) return false;
        *out = static_cast<float>(v);
        return true;
    }

    // A whole number 0..limit.
    bool count(std::uint32_t* out, double limit) {
        if (i_ >= o_.numbers.size()) return false;
        const double v = o_.numbers[i_++];
        if (!(v >= 0.0) || v > limit || std::floor(v) != v) return false;
        *out = static_cast<std::uint32_t>(v);
        return true;
    }

    // A count whose items take `per_item` numbers each: it must fit what is left.
    bool sized(std::uint32_t* out, std::size_t per_item) {
        if (!count(out, 4294967295.0)) return false;
        return per_item == 0 || *out <= left() / per_item;
    }

private:
    const x_object& o_;
    std::size_t i_ = 0;
};

bool fail(std::string* error, const x_object& o, const char* what) {
    *error = format_string("line %d: %s %s", o.line, o.type.c_str(), what);
    return false;
}

// The mesh before it becomes vertices: positions, optional normals and coordinates, and the
// triangles (corner indices into the position and normal tables).
struct raw_mesh {
    std::vector<vec3> positions;
    std::vector<vec3> normals;
    std::vector<vec2> texcoords;  // one per position, or none
    std::vector<std::uint32_t> corners;         // 3 per triangle, into positions
    std::vector<std::uint32_t> normal_corners;  // 3 per triangle, into normals (when any)
    std::vector<std::uint32_t> attributes;      // per triangle
    std::vector<x_material> materials;
    bool has_normals = false;
    bool has_texcoords = false;
    bool has_materials = false;
};

// Faces of a Mesh or MeshNormals body: n, then n faces of (k, k indices), each index below
// `limit` and k at least 3. `sizes` receives each face's corner count.
bool read_faces(number_reader& r, std::uint32_t limit, std::vector<std::vector<std::uint32_t>>* faces) {
    std::uint32_t n = 0;
    if (!r.sized(&n, 4)) return false;
    faces->resize(n);
    for (std::uint32_t f = 0; f < n; ++f) {
        std::uint32_t k = 0;
        if (!r.sized(&k, 1) || k < 3) return false;
        (*faces)[f].resize(k);
        for (std::uint32_t c = 0; c < k; ++c) {
            if (!r.count(&(*faces)[f][c], 4294967295.0) || (*faces)[f][c] >= limit) return false;
        }
    }
    return true;
}

bool read_vectors(number_reader& r, std::vector<vec3>* out) {
    std::uint32_t n = 0;
    if (!r.sized(&n, 3)) return false;
    out->resize(n);
    for (vec3& v : *out) {
        if (!r.real(&v.x) || !r.real(&v.y) || !r.real(&v.z)) return false;
    }
    return true;
}

bool read_material(const x_object& o, x_material* out, std::string* error) {
    number_reader r(o);
    gfx_material& m = out->material;
    m = gfx_material{};
    if (!r.real(&m.diffuse.r) || !r.real(&m.diffuse.g) || !r.real(&m.diffuse.b) ||
        !r.real(&m.diffuse.a) || !r.real(&m.power) || !r.real(&m.specular.r) ||
        !r.real(&m.specular.g) || !r.real(&m.specular.b) || !r.real(&m.emissive.r) ||
        !r.real(&m.emissive.g) || !r.real(&m.emissive.b)) {
        return fail(error, o, "has too few numbers");
    }
    m.specular.a = 1.0f;
    m.emissive.a = 1.0f;
    out->texture.clear();
    for (const x_object& c : o.children) {
        if (c.type != "TextureFilename" && c.type != "TextureFileName") continue;
        if (c.strings.empty()) return fail(error, c, "has no file name");
        out->texture = c.strings[0];
    }
    return true;
}

bool read_material_list(const x_file& file, const x_object& o, std::size_t face_count,
                        const std::vector<std::uint32_t>& triangles_per_face, raw_mesh* raw,
                        std::string* error) {
    number_reader r(o);
    std::uint32_t n_materials = 0, n_indices = 0;
    if (!r.count(&n_materials, 65536.0) || !r.sized(&n_indices, 1)) {
        return fail(error, o, "counts do not match its numbers");
    }
    if (n_indices > face_count || (n_indices == 0 && face_count > 0)) {
        return fail(error, o, "face count does not match the mesh");
    }
    std::vector<std::uint32_t> face_material(n_indices);
    for (std::uint32_t& m : face_material) {
        if (!r.count(&m, 4294967295.0) || m >= n_materials) return fail(error, o, "has a material index out of range");
    }
    // Materials in file order: inline Material objects and references to named ones.
    std::vector<x_material> materials;
    for (const x_object& c : o.children) {
        const x_object* source = &c;
        if (c.reference) {
            source = find_x_object(file, "Material", c.name);
            if (source == nullptr) return fail(error, o, "refers to a missing material");
        } else if (c.type != "Material") {
            continue;
        }
        x_material m;
        if (!read_material(*source, &m, error)) return false;
        materials.push_back(std::move(m));
    }
    if (materials.size() < n_materials) return fail(error, o, "lists fewer materials than it counts");
    materials.resize(n_materials);
    raw->materials = std::move(materials);
    raw->has_materials = true;
    // A short list repeats its last entry for the remaining faces.
    raw->attributes.clear();
    for (std::size_t f = 0; f < face_count; ++f) {
        const std::uint32_t m = face_material[std::min(f, face_material.size() - 1)];
        raw->attributes.insert(raw->attributes.end(), triangles_per_face[f], m);
    }
    return true;
}

bool read_raw_mesh(const x_file& file, const x_object& o, raw_mesh* raw, std::string* error) {
    number_reader r(o);
    if (!read_vectors(r, &raw->positions)) return fail(error, o, "vertex count does not match its numbers");
    std::vector<std::vector<std::uint32_t>> faces;
    if (!read_faces(r, static_cast<std::uint32_t>(raw->positions.size()), &faces)) {
        return fail(error, o, "faces are bad (count, fewer than three corners or an index out of range)");
    }
    std::vector<std::uint32_t> triangles_per_face;
    for (const std::vector<std::uint32_t>& f : faces) {
        triangles_per_face.push_back(static_cast<std::uint32_t>(f.size() - 2));
        for (std::size_t c = 1; c + 1 < f.size(); ++c) {
            raw->corners.insert(raw->corners.end(), {f[0], f[c], f[c + 1]});
        }
    }
    raw->attributes.assign(raw->corners.size() / 3, 0);
    for (const x_object& c : o.children) {
        if (c.type == "MeshNormals") {
            number_reader nr(c);
            std::vector<std::vector<std::uint32_t>> normal_faces;
            if (!read_vectors(nr, &raw->normals) ||
                !read_faces(nr, static_cast<std::uint32_t>(raw->normals.size()), &normal_faces)) {
                return fail(error, c, "counts or indices are bad");
            }
            if (normal_faces.size() != faces.size()) return fail(error, c, "face count does not match the mesh");
            raw->normal_corners.clear();
            for (std::size_t f = 0; f < faces.size(); ++f) {
                const std::vector<std::uint32_t>& nf = normal_faces[f];
                if (nf.size() != faces[f].size()) return fail(error, c, "face does not match the mesh");
                for (std::size_t k = 1; k + 1 < nf.size(); ++k) {
                    raw->normal_corners.insert(raw->normal_corners.end(), {nf[0], nf[k], nf[k + 1]});
                }
            }
            raw->has_normals = true;
        } else if (c.type == "MeshTextureCoords") {
            number_reader tr(c);
            std::uint32_t n = 0;
            if (!tr.sized(&n, 2) || n != raw->positions.size()) {
                return fail(error, c, "count does not match the vertices");
            }
            raw->texcoords.resize(n);
            for (vec2& t : raw->texcoords) {
                if (!tr.real(&t.x) || !tr.real(&t.y)) return fail(error, c, "has a bad number");
            }
            raw->has_texcoords = true;
        } else if (c.type == "MeshMaterialList") {
            if (!read_material_list(file, c, faces.size(), triangles_per_face, raw, error)) return false;
        }
    }
    return true;
}

// Applies a frame transform: positions by the matrix, normals by its inverse transpose.
void transform_raw(raw_mesh* raw, const mat4& m) {
    if (is_identity(m)) return;
    for (vec3& p : raw->positions) p = transform_coord(p, m);
    mat4 inverse;
    const mat4 normal_matrix = mat_inverse(m, &inverse) ? mat_transpose(inverse) : m;
    for (vec3& n : raw->normals) n = normalize(transform_normal(n, normal_matrix));
}

// Appends b to a: indices and material numbers offset past a's.
void append_raw(raw_mesh* a, const raw_mesh& b) {
    const std::uint32_t p0 = static_cast<std::uint32_t>(a->positions.size());
    const std::uint32_t n0 = static_cast<std::uint32_t>(a->normals.size());
    const std::uint32_t m0 = static_cast<std::uint32_t>(a->materials.size());
    const bool had_any = !a->positions.empty();
    // Coordinates are kept when any part has them (zero for the others).
    if (b.has_texcoords && !a->has_texcoords) a->texcoords.assign(a->positions.size(), vec2{});
    a->positions.insert(a->positions.end(), b.positions.begin(), b.positions.end());
    if (b.has_texcoords) {
        a->texcoords.insert(a->texcoords.end(), b.texcoords.begin(), b.texcoords.end());
    } else if (a->has_texcoords || b.has_texcoords) {
        a->texcoords.resize(a->positions.size());
    }
    a->has_texcoords = a->has_texcoords || b.has_texcoords;
    // Normals only when every part has them; otherwise they are computed afterwards.
    a->has_normals = (had_any ? a->has_normals : true) && b.has_normals;
    a->normals.insert(a->normals.end(), b.normals.begin(), b.normals.end());
    for (std::uint32_t c : b.corners) a->corners.push_back(c + p0);
    for (std::uint32_t c : b.normal_corners) a->normal_corners.push_back(c + n0);
    if (b.has_materials) {
        for (std::uint32_t t : b.attributes) a->attributes.push_back(t + m0);
        a->materials.insert(a->materials.end(), b.materials.begin(), b.materials.end());
        a->has_materials = true;
    } else {
        // A part without materials draws with a plain white one of its own.
        x_material white;
        white.material.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        a->attributes.insert(a->attributes.end(), b.attributes.size(), m0);
        a->materials.push_back(white);
    }
}

// Builds the vertices: one per distinct (position, normal) pair of the corners.
bool build_mesh(const raw_mesh& raw, x_mesh_data* out, std::string* error) {
    const bool normals = raw.has_normals && raw.normal_corners.size() == raw.corners.size();
    const bool texcoords = raw.has_texcoords && raw.texcoords.size() == raw.positions.size();
    std::map<std::uint64_t, std::uint32_t> vertex_of;
    std::vector<std::uint64_t> keys;
    std::vector<std::uint32_t> indices(raw.corners.size());
    for (std::size_t c = 0; c < raw.corners.size(); ++c) {
        const std::uint64_t key = (static_cast<std::uint64_t>(raw.corners[c]) << 32) |
                                  (normals ? raw.normal_corners[c] : 0u);
        auto found = vertex_of.find(key);
        if (found == vertex_of.end()) {
            found = vertex_of.emplace(key, static_cast<std::uint32_t>(keys.size())).first;
            keys.push_back(key);
        }
        indices[c] = found->second;
    }
    if (keys.size() > static_cast<std::size_t>(x_mesh::k_max_vertices)) {
        *error = "the mesh has more than 65,535 vertices";
        return false;
    }
    const std::uint32_t fvf = FVF_XYZ | (normals ? FVF_NORMAL : 0u) | (texcoords ? FVF_TEX1 : 0u);
    std::unique_ptr<x_mesh> mesh;
    if (x_mesh::create(static_cast<int>(indices.size() / 3), static_cast<int>(keys.size()), fvf, &mesh) != S_OK) {
        *error = "the mesh cannot be made";
        return false;
    }
    const int stride = mesh->stride();
    const int n_off = mesh->normal_offset();
    const int t_off = mesh->texcoord_offset();
    for (std::size_t v = 0; v < keys.size(); ++v) {
        std::uint8_t* p = mesh->vertex_bytes() + v * static_cast<std::size_t>(stride);
        const std::uint32_t pos = static_cast<std::uint32_t>(keys[v] >> 32);
        std::memcpy(p, &raw.positions[pos], 12);
        if (n_off >= 0) std::memcpy(p + n_off, &raw.normals[static_cast<std::uint32_t>(keys[v])], 12);
        if (t_off >= 0) std::memcpy(p + t_off, &raw.texcoords[pos], 8);
    }
    for (std::size_t i = 0; i < indices.size(); ++i) mesh->index_data()[i] = static_cast<std::uint16_t>(indices[i]);
    for (std::size_t t = 0; t < raw.attributes.size() && t < indices.size() / 3; ++t) {
        mesh->attribute_data()[t] = raw.attributes[t];
    }
    mesh->optimize();
    out->mesh = std::move(mesh);
    out->materials = raw.materials;
    return true;
}

bool gather_meshes(const x_file& file, const x_object& o, const mat4& parent, raw_mesh* all,
                   int* found, std::string* error) {
    if (o.type == "Mesh") {
        raw_mesh raw;
        if (!read_raw_mesh(file, o, &raw, error)) return false;
        transform_raw(&raw, parent);
        append_raw(all, raw);
        ++*found;
        return true;
    }
    if (o.type != "Frame") return true;
    mat4 local = mat_identity();
    for (const x_object& c : o.children) {
        if (c.type == "FrameTransformMatrix") read_frame_matrix(c, &local);
    }
    const mat4 world = local * parent;
    for (const x_object& c : o.children) {
        if (!gather_meshes(file, c, world, all, found, error)) return false;
    }
    return true;
}

bool read_key(const x_object& o, x_animation_key* key, std::string* error) {
    number_reader r(o);
    std::uint32_t type = 0, n = 0;
    if (!r.count(&type, 4.0) || !r.sized(&n, 2)) return fail(error, o, "counts do not match its numbers");
    key->type = static_cast<int>(type);
    for (std::uint32_t k = 0; k < n; ++k) {
        std::uint32_t time = 0, values = 0;
        if (!r.count(&time, 4294967295.0) || !r.sized(&values, 1) || values > 16) {
            return fail(error, o, "has a bad key");
        }
        std::vector<float> v(values);
        for (float& f : v) {
            if (!r.real(&f)) return fail(error, o, "has a bad value");
        }
        key->times.push_back(time);
        key->values.push_back(std::move(v));
    }
    return true;
}

}  // namespace

bool read_frame_matrix(const x_object& object, mat4* out) {
    if (object.numbers.size() != 16) return false;
    mat4 m;
    for (int i = 0; i < 16; ++i) {
        const double v = object.numbers[static_cast<std::size_t>(i)];
        if (!std::isfinite(v)) return false;
        m.m[i / 4][i % 4] = static_cast<float>(v);
    }
    *out = m;
    return true;
}

bool load_mesh_object(const x_file& file, const x_object& object, x_mesh_data* out, std::string* error) {
    *out = x_mesh_data{};
    raw_mesh raw;
    if (!read_raw_mesh(file, object, &raw, error)) return false;
    return build_mesh(raw, out, error);
}

bool load_merged_mesh(const x_file& file, x_mesh_data* out, std::string* error) {
    *out = x_mesh_data{};
    raw_mesh all;
    int found = 0;
    for (const x_object& o : file.objects) {
        if (!gather_meshes(file, o, mat_identity(), &all, &found, error)) return false;
    }
    if (found == 0) {
        *error = "the file holds no mesh";
        return false;
    }
    // A file without any material list keeps no materials (the caller decides).
    if (!all.has_materials) all.materials.clear();
    return build_mesh(all, out, error);
}

bool read_skin(const x_object& mesh_object, x_skin_header* header, std::vector<x_skin_weights>* weights,
               std::string* error) {
    *header = x_skin_header{};
    weights->clear();
    number_reader mr(mesh_object);
    std::uint32_t positions = 0;
    if (!mr.sized(&positions, 3)) return fail(error, mesh_object, "vertex count does not match its numbers");
    for (const x_object& c : mesh_object.children) {
        if (c.type == "XSkinMeshHeader") {
            number_reader r(c);
            std::uint32_t a = 0, b = 0, n = 0;
            if (!r.count(&a, 65535.0) || !r.count(&b, 65535.0) || !r.count(&n, 65535.0)) {
                return fail(error, c, "has bad counts");
            }
            header->max_skin_weights_per_vertex = static_cast<int>(a);
            header->max_skin_weights_per_face = static_cast<int>(b);
            header->bones = static_cast<int>(n);
        } else if (c.type == "SkinWeights") {
            if (c.strings.empty() || c.strings[0].size() > k_x_max_name) return fail(error, c, "has no bone name");
            x_skin_weights w;
            w.bone = c.strings[0];
            number_reader r(c);
            std::uint32_t n = 0;
            if (!r.sized(&n, 2) || r.left() < static_cast<std::size_t>(n) * 2 + 16) {
                return fail(error, c, "counts do not match its numbers");
            }
            w.vertices.resize(n);
            w.weights.resize(n);
            for (std::uint32_t& v : w.vertices) {
                if (!r.count(&v, 4294967295.0) || v >= positions) return fail(error, c, "has a vertex index out of range");
            }
            for (float& f : w.weights) {
                if (!r.real(&f)) return fail(error, c, "has a bad weight");
            }
            for (int i = 0; i < 16; ++i) {
                if (!r.real(&w.offset.m[i / 4][i % 4])) return fail(error, c, "has a bad matrix");
            }
            weights->push_back(std::move(w));
        }
    }
    if (header->bones != 0 && static_cast<std::size_t>(header->bones) != weights->size()) {
        return fail(error, mesh_object, "skin header counts other bones than it lists");
    }
    return true;
}

bool read_animations(const x_file& file, std::vector<x_animation_set>* sets, int* ticks_per_second,
                     std::string* error) {
    sets->clear();
    *ticks_per_second = 4800;
    for (const x_object& o : file.objects) {
        if (o.type == "AnimTicksPerSecond") {
            number_reader r(o);
            std::uint32_t t = 0;
            if (!r.count(&t, 1000000.0) || t == 0) return fail(error, o, "is not a positive number");
            *ticks_per_second = static_cast<int>(t);
        } else if (o.type == "AnimationSet") {
            x_animation_set set;
            set.name = o.name;
            for (const x_object& a : o.children) {
                if (a.type != "Animation") continue;
                x_animation anim;
                anim.name = a.name;
                for (const x_object& c : a.children) {
                    if ((c.reference || c.type == "Frame") && anim.frame.empty()) anim.frame = c.name;
                    if (c.type != "AnimationKey") continue;
                    x_animation_key key;
                    if (!read_key(c, &key, error)) return false;
                    anim.keys.push_back(std::move(key));
                }
                if (anim.frame.empty() || find_x_object(file, "Frame", anim.frame) == nullptr) {
                    return fail(error, a, "animates a frame the file does not have");
                }
                set.animations.push_back(std::move(anim));
            }
            sets->push_back(std::move(set));
        }
    }
    return true;
}
