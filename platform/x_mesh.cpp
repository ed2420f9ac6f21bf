#include "platform/x_mesh.h"

#include <algorithm>
#include <cstring>

namespace {

x_mesh_faults g_faults;

// Bytes of each part of a vertex, in their order in the format.
int position_bytes(std::uint32_t fvf) {
    if (fvf & FVF_XYZRHW) return 16;
    return (fvf & FVF_XYZ) ? 12 : 0;
}

int offset_after_normal(std::uint32_t fvf) {
    int offset = position_bytes(fvf);
    if (fvf & FVF_NORMAL) offset += 12;
    if (fvf & FVF_PSIZE) offset += 4;
    if (fvf & FVF_DIFFUSE) offset += 4;
    if (fvf & FVF_SPECULAR) offset += 4;
    return offset;
}

int texcoord_count(std::uint32_t fvf) {
    return static_cast<int>((fvf & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT);
}

vec3 read_vec3(const std::uint8_t* p) {
    vec3 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void write_vec3(std::uint8_t* p, const vec3& v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

x_mesh_faults& mesh_faults() { return g_faults; }

hresult x_mesh::create(int faces, int vertices, std::uint32_t fvf, std::unique_ptr<x_mesh>* out) {
    out->reset();
    if (faces < 0 || vertices < 0 || vertices > k_max_vertices || position_bytes(fvf) == 0) {
        return D3DERR_INVALIDCALL;
    }
    std::unique_ptr<x_mesh> m(new (std::nothrow) x_mesh());
    if (!m) return E_OUTOFMEMORY;
    m->fvf_ = fvf;
    m->stride_ = fvf_stride(fvf);
    m->vertex_count_ = vertices;
    m->vertices_.assign(static_cast<std::size_t>(vertices) * static_cast<std::size_t>(m->stride_), 0);
    m->indices_.assign(static_cast<std::size_t>(faces) * 3, 0);
    m->attributes_.assign(static_cast<std::size_t>(faces), 0);
    *out = std::move(m);
    return S_OK;
}

vec3 x_mesh::position(int vertex) const {
    return read_vec3(vertices_.data() + static_cast<std::size_t>(vertex) * static_cast<std::size_t>(stride_));
}

int x_mesh::normal_offset() const { return (fvf_ & FVF_NORMAL) ? position_bytes(fvf_) : -1; }

int x_mesh::texcoord_offset() const { return texcoord_count(fvf_) > 0 ? offset_after_normal(fvf_) : -1; }

hresult x_mesh::lock_vertices(void** out) {
    *out = nullptr;
    if (g_faults.failing_locks > 0) {
        --g_faults.failing_locks;
        return E_OUTOFMEMORY;
    }
    if (vertices_locked_) return D3DERR_INVALIDCALL;
    vertices_locked_ = true;
    *out = vertices_.data();
    return S_OK;
}

hresult x_mesh::unlock_vertices() {
    if (!vertices_locked_) return D3DERR_INVALIDCALL;
    vertices_locked_ = false;
    dirty_ = true;
    return S_OK;
}

hresult x_mesh::lock_indices(std::uint16_t** out) {
    *out = nullptr;
    if (indices_locked_) return D3DERR_INVALIDCALL;
    indices_locked_ = true;
    *out = indices_.data();
    return S_OK;
}

hresult x_mesh::unlock_indices() {
    if (!indices_locked_) return D3DERR_INVALIDCALL;
    indices_locked_ = false;
    dirty_ = true;
    return S_OK;
}

hresult x_mesh::clone_fvf(std::uint32_t fvf, std::unique_ptr<x_mesh>* out) const {
    out->reset();
    if (g_faults.failing_clones > 0) {
        --g_faults.failing_clones;
        return E_OUTOFMEMORY;
    }
    std::unique_ptr<x_mesh> m;
    const hresult r = create(face_count(), vertex_count_, fvf, &m);
    if (r != S_OK) return r;
    m->indices_ = indices_;
    m->attributes_ = attributes_;
    m->ranges_ = ranges_;
    const int from_pos = position_bytes(fvf_), to_pos = position_bytes(fvf);
    const int from_n = normal_offset(), to_n = m->normal_offset();
    const int from_t = texcoord_offset(), to_t = m->texcoord_offset();
    // Texture sets are copied as far as both formats have them, two floats each.
    const int sets = std::min(texcoord_count(fvf_), texcoord_count(fvf));
    for (int v = 0; v < vertex_count_; ++v) {
        const std::uint8_t* src = vertices_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(stride_);
        std::uint8_t* dst = m->vertices_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(m->stride_);
        std::memcpy(dst, src, static_cast<std::size_t>(std::min(from_pos, to_pos)));
        if (from_n >= 0 && to_n >= 0) std::memcpy(dst + to_n, src + from_n, 12);
        if (from_t >= 0 && to_t >= 0 && sets > 0) {
            std::memcpy(dst + to_t, src + from_t, static_cast<std::size_t>(sets) * 8);
        }
    }
    *out = std::move(m);
    return S_OK;
}

void x_mesh::compute_normals() {
    const int n_off = normal_offset();
    if (n_off < 0) return;
    std::vector<vec3> sums(static_cast<std::size_t>(vertex_count_));
    for (std::size_t f = 0; f + 2 < indices_.size(); f += 3) {
        const int i0 = indices_[f], i1 = indices_[f + 1], i2 = indices_[f + 2];
        if (i0 >= vertex_count_ || i1 >= vertex_count_ || i2 >= vertex_count_) continue;
        // Clockwise faces seen from the front: (p1 - p0) x (p2 - p0) points at the viewer.
        const vec3 n = cross(position(i1) - position(i0), position(i2) - position(i0));
        sums[static_cast<std::size_t>(i0)] += n;
        sums[static_cast<std::size_t>(i1)] += n;
        sums[static_cast<std::size_t>(i2)] += n;
    }
    for (int v = 0; v < vertex_count_; ++v) {
        write_vec3(vertices_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(stride_) + n_off,
                   normalize(sums[static_cast<std::size_t>(v)]));
    }
    dirty_ = true;
}

void x_mesh::optimize() {
    ranges_.clear();
    if (vertex_count_ == 0 || attributes_.empty()) return;
    const std::size_t faces = attributes_.size();
    std::vector<std::size_t> order(faces);
    for (std::size_t f = 0; f < faces; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return attributes_[a] < attributes_[b]; });
    // New vertex numbers in the order the sorted faces first use them; unused ones go.
    std::vector<int> remap(static_cast<std::size_t>(vertex_count_), -1);
    std::vector<std::uint16_t> indices(indices_.size());
    std::vector<std::uint32_t> attributes(faces);
    int next = 0;
    for (std::size_t k = 0; k < faces; ++k) {
        const std::size_t f = order[k];
        attributes[k] = attributes_[f];
        for (int c = 0; c < 3; ++c) {
            const std::uint16_t old = indices_[f * 3 + static_cast<std::size_t>(c)];
            int& slot = remap[old < vertex_count_ ? old : 0];
            if (slot < 0) slot = next++;
            indices[k * 3 + static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(slot);
        }
    }
    std::vector<std::uint8_t> vertices(static_cast<std::size_t>(next) * static_cast<std::size_t>(stride_));
    for (int v = 0; v < vertex_count_; ++v) {
        if (remap[static_cast<std::size_t>(v)] < 0) continue;
        std::memcpy(vertices.data() + static_cast<std::size_t>(remap[static_cast<std::size_t>(v)]) * static_cast<std::size_t>(stride_),
                    vertices_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(stride_),
                    static_cast<std::size_t>(stride_));
    }
    vertices_ = std::move(vertices);
    indices_ = std::move(indices);
    attributes_ = std::move(attributes);
    vertex_count_ = next;
    ranges_.clear();
    for (std::size_t k = 0; k < faces; ++k) {
        if (ranges_.empty() || ranges_.back().attribute != attributes_[k]) {
            attribute_range r;
            r.attribute = attributes_[k];
            r.face_start = static_cast<int>(k);
            ranges_.push_back(r);
        }
        ranges_.back().face_count += 1;
    }
    for (attribute_range& r : ranges_) {
        int lo = vertex_count_, hi = -1;
        for (int i = r.face_start * 3; i < (r.face_start + r.face_count) * 3; ++i) {
            lo = std::min(lo, static_cast<int>(indices_[static_cast<std::size_t>(i)]));
            hi = std::max(hi, static_cast<int>(indices_[static_cast<std::size_t>(i)]));
        }
        r.vertex_start = lo;
        r.vertex_count = hi - lo + 1;
    }
    dirty_ = true;
}

void x_mesh::bounds(vec3* min, vec3* max) const {
    *min = vec3{};
    *max = vec3{};
    for (int v = 0; v < vertex_count_; ++v) {
        const vec3 p = position(v);
        if (v == 0) {
            *min = p;
            *max = p;
            continue;
        }
        *min = {std::min(min->x, p.x), std::min(min->y, p.y), std::min(min->z, p.z)};
        *max = {std::max(max->x, p.x), std::max(max->y, p.y), std::max(max->z, p.z)};
    }
}

hresult x_mesh::upload(gfx_device* device) {
    if (device_ != device) {
        index_buffer_.reset();
        vertex_buffer_.reset();
        device_ = device;
        dirty_ = true;
    }
    if (!dirty_ && vertex_buffer_ && index_buffer_) return S_OK;
    const int vbytes = static_cast<int>(vertices_.size());
    const int ibytes = static_cast<int>(indices_.size() * sizeof(std::uint16_t));
    if (!vertex_buffer_ || vertex_buffer_->size() != vbytes) {
        vertex_buffer_.reset();
        const hresult r = device->create_vertex_buffer(vbytes, USAGE_WRITEONLY, fvf_, POOL_MANAGED, &vertex_buffer_);
        if (r != S_OK) return r;
    }
    if (!index_buffer_ || index_buffer_->size() != ibytes) {
        index_buffer_.reset();
        const hresult r = device->create_index_buffer(ibytes, USAGE_WRITEONLY, FMT_INDEX16, POOL_MANAGED, &index_buffer_);
        if (r != S_OK) return r;
    }
    void* bits = nullptr;
    hresult r = vertex_buffer_->lock(0, 0, &bits);
    if (r != S_OK) return r;
    std::memcpy(bits, vertices_.data(), vertices_.size());
    vertex_buffer_->unlock();
    r = index_buffer_->lock(0, 0, &bits);
    if (r != S_OK) return r;
    std::memcpy(bits, indices_.data(), static_cast<std::size_t>(ibytes));
    index_buffer_->unlock();
    dirty_ = false;
    return S_OK;
}

hresult x_mesh::draw_subset(gfx_device* device, std::uint32_t attribute) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    if (vertex_count_ == 0 || attributes_.empty()) return S_OK;
    if (ranges_.empty()) {
        // Not optimised: gather the attribute's faces and draw them from memory.
        subset_indices_.clear();
        for (std::size_t f = 0; f < attributes_.size(); ++f) {
            if (attributes_[f] != attribute) continue;
            subset_indices_.insert(subset_indices_.end(), indices_.begin() + static_cast<long>(f * 3),
                                   indices_.begin() + static_cast<long>(f * 3 + 3));
        }
        if (subset_indices_.empty()) return S_OK;
        return device->draw_indexed_primitive_up(PT_TRIANGLELIST, 0, vertex_count_,
                                                 static_cast<int>(subset_indices_.size() / 3),
                                                 subset_indices_.data(), FMT_INDEX16,
                                                 vertices_.data(), stride_);
    }
    for (const attribute_range& r : ranges_) {
        if (r.attribute != attribute || r.face_count == 0) continue;
        hresult result = upload(device);
        if (result != S_OK) return result;
        device->set_stream_source(0, vertex_buffer_.get(), 0, stride_);
        device->set_indices(index_buffer_.get());
        device->set_fvf(fvf_);
        return device->draw_indexed_primitive(PT_TRIANGLELIST, 0, r.vertex_start, r.vertex_count,
                                              r.face_start * 3, r.face_count);
    }
    return S_OK;
}
