// The sea's geometry: the coarse far grid with its middle left open, the index ranges of the
// fine near grid at four levels of detail (levels 2 and 3 with crack-closing edge triangles),
// the per-frame vertex fill from the wave field, and the adaptive bisected mesh of grid
// mode 0. The buffers are managed: they survive a device reset.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/sea.h"

namespace {

constexpr const char k_hr_source[] = "sea";

constexpr float k_max_lod_distance = 4200.0f;
constexpr float k_span_per_lod_distance = 0.008f;
constexpr int k_first_edge_level = 2;         // coarser levels close their cracks
constexpr float k_adaptive_extent = 65536.0f; // grid cells from the centre to a corner
constexpr int k_lead_snap = 16;               // the adaptive mesh moves in steps of 16 cells

int wrap(int i) {
    const int r = i % sea::N;
    return r < 0 ? r + sea::N : r;
}

template <typename T>
bool lock_all(gfx_buffer* buffer, T** out) {
    void* p = nullptr;
    if (buffer == nullptr || !CHECK_HR(buffer->lock(0, 0, &p))) return false;
    *out = static_cast<T*>(p);
    return true;
}

}  // namespace

bool sea::init_device() {
    mesh_grid_x.assign(k_mesh_vertices, 0);
    mesh_grid_z.assign(k_mesh_vertices, 0);
    mesh_detail.assign(k_mesh_vertices, 0.0f);
    gfx_device* device = g_app != nullptr ? g_app->device.get() : nullptr;
    if (device == nullptr) return false;
    constexpr int vertex_size = static_cast<int>(sizeof(sea_vertex));
    constexpr int index_size = static_cast<int>(sizeof(std::uint16_t));
    if (!near_vertex_buffer &&
        !CHECK_HR(device->create_vertex_buffer(k_mesh_vertices * vertex_size, USAGE_WRITEONLY,
                                               k_fvf, POOL_MANAGED, &near_vertex_buffer))) {
        return false;
    }
    if (!near_index_buffer &&
        !CHECK_HR(device->create_index_buffer(k_mesh_indices * index_size, USAGE_WRITEONLY,
                                              FMT_INDEX16, POOL_MANAGED, &near_index_buffer))) {
        return false;
    }
    if (!far_vertex_buffer &&
        !CHECK_HR(device->create_vertex_buffer(k_far_vertices * vertex_size, USAGE_WRITEONLY,
                                               k_fvf, POOL_MANAGED, &far_vertex_buffer))) {
        return false;
    }
    if (!far_index_buffer &&
        !CHECK_HR(device->create_index_buffer(k_far_indices * index_size, USAGE_WRITEONLY,
                                              FMT_INDEX16, POOL_MANAGED, &far_index_buffer))) {
        return false;
    }
    build_mesh();
    build_spectrum();
    return true;
}

void sea::release() {
    near_vertex_buffer.reset();
    near_index_buffer.reset();
    far_vertex_buffer.reset();
    far_index_buffer.reset();
    mesh_grid_x.clear();
    mesh_grid_z.clear();
    mesh_detail.clear();
    far_vertices.clear();
    far_indices.clear();
    mesh_vertex_count = mesh_index_count = 0;
    far_vertex_count = far_index_count = 0;
    near_vertex_count = 0;
}

void sea::build_mesh() {
    lod_distance = std::min(lod_distance, k_max_lod_distance);
    lead_cells = std::sqrt(1.5f * lod_distance);
    far_grid_span = static_cast<int>(lod_distance * k_span_per_lod_distance);
    mesh_vertex_count = 0;
    mesh_index_count = 0;
    if (grid_mode != 0) {
        build_far_grid();
        build_grid_indices();
        return;
    }
    sea_vertex* vertices = nullptr;
    std::uint16_t* indices = nullptr;
    if (!lock_all(near_vertex_buffer.get(), &vertices)) return;
    if (!lock_all(near_index_buffer.get(), &indices)) {
        CHECK_HR(near_vertex_buffer->unlock());
        return;
    }
    build_adaptive_mesh(vertices, indices);
    CHECK_HR(near_index_buffer->unlock());
    CHECK_HR(near_vertex_buffer->unlock());
}

void sea::build_far_grid() {
    sea_vertex* v = nullptr;
    if (!lock_all(far_vertex_buffer.get(), &v)) return;
    const float spacing = far_grid_span * patch_size;
    for (int i = 0; i <= N; ++i) {
        for (int j = 0; j <= N; ++j) {
            float a = static_cast<float>(i - N / 2);
            float b = static_cast<float>(j - N / 2);
            // The ring round the open middle is pulled in a little under the near tiles.
            if (std::fabs(a) < 2.0f) a *= 0.9f;
            if (std::fabs(b) < 2.0f) b *= 0.9f;
            sea_vertex& out = v[(N + 1) * i + j];
            out = sea_vertex{};
            out.x = a * spacing;
            out.z = b * spacing;
            out.u = b * texture_repeat;
            out.v = a * texture_repeat;
        }
    }
    far_vertex_count = static_cast<std::uint16_t>((N + 1) * (N + 1));
    far_vertices.assign(v, v + far_vertex_count);
    CHECK_HR(far_vertex_buffer->unlock());
}

void sea::build_grid_indices() {
    std::uint16_t* far = nullptr;
    if (lock_all(far_index_buffer.get(), &far)) {
        int n = 0;
        for (int r = 0; r < N; ++r) {
            for (int c = 0; c < N; ++c) {
                const bool middle = (r == N / 2 - 1 || r == N / 2) && (c == N / 2 - 1 || c == N / 2);
                if (middle) continue;
                const int e = (N + 1) * r + c;
                const int f = (N + 1) * (r + 1) + c;
                const int tri[6] = {e, e + 1, f, e + 1, f + 1, f};
                for (int t : tri) far[n++] = static_cast<std::uint16_t>(t);
            }
        }
        far_index_count = static_cast<std::uint16_t>(n);
        far_indices.assign(far, far + n);
        CHECK_HR(far_index_buffer->unlock());
    }
    std::uint16_t* near = nullptr;
    if (!lock_all(near_index_buffer.get(), &near)) return;
    int written = 0;
    auto put = [&](int a, int b, int c) {
        near[written++] = static_cast<std::uint16_t>(a);
        near[written++] = static_cast<std::uint16_t>(b);
        near[written++] = static_cast<std::uint16_t>(c);
    };
    constexpr int row = N + 1;
    for (int level = 0; level < k_levels; ++level) {
        const int m = 1 << level;
        const int n = N >> level;
        lod_start[level] = static_cast<std::uint16_t>(written);
        for (int a = 0; a < n; ++a) {
            for (int b = 0; b < n; ++b) {
                const int i0 = (row * a + b) * m;
                const int i1 = i0 + m;
                const int i2 = (row * (a + 1) + b) * m;
                put(i0, i1, i2);
                put(i1, i2 + m, i2);
            }
        }
        if (level >= k_first_edge_level) {
            const int h = m / 2;
            const int e = row * N;
            for (int j = 0; j < n; ++j) {
                const int s = j * m;
                const int t = row * s;
                put(s, s + h, s + m);
                put(s + e, s + e + m, s + e + h);
                put(t, t + m * row, t + h * row);
                put(t + N, t + N + h * row, t + N + m * row);
            }
        }
        lod_count[level] = static_cast<std::uint16_t>(written - lod_start[level]);
    }
    compact_levels(near);
    CHECK_HR(near_index_buffer->unlock());
}

void sea::compact_levels(const std::uint16_t* indices) {
    std::vector<int> slot((N + 1) * (N + 1));
    for (int level = 0; level < k_levels; ++level) {
        std::fill(slot.begin(), slot.end(), -1);
        std::vector<std::uint16_t>& used = level_vertices[level];
        std::vector<std::uint16_t>& out = level_indices[level];
        used.clear();
        out.clear();
        for (int i = lod_start[level]; i < lod_start[level] + lod_count[level]; ++i) {
            const std::uint16_t source = indices[i];
            if (slot[source] < 0) {
                slot[source] = static_cast<int>(used.size());
                used.push_back(source);
            }
            out.push_back(static_cast<std::uint16_t>(slot[source]));
        }
    }
}

void sea::fill_grid_vertices() {
    sea_vertex* buffer = nullptr;
    if (!lock_all(near_vertex_buffer.get(), &buffer)) return;
    // The fields the waves leave alone keep what the buffer holds.
    grid_vertices.assign(buffer, buffer + (N + 1) * (N + 1));
    sea_vertex* v = grid_vertices.data();
    for (int x = 0; x <= N; ++x) {
        for (int z = 0; z <= N; ++z) {
            const int r = z % N;
            const int c = x % N;
            sea_vertex& out = v[x * (N + 1) + z];
            const float h = static_cast<float>(height[r][c]);
            out.x = static_cast<float>(disp_x[r][c]) + cell_size * x;
            out.y = h;
            out.z = static_cast<float>(disp_z[r][c]) + cell_size * z;
            out.nx = normals[r][c][0];
            out.ny = normals[r][c][2];
            out.nz = normals[r][c][1];
            out.u = z * texture_repeat / N;
            out.v = x * texture_repeat / N;
            out.crest = std::clamp(0.5f * wind_per_cell * crest_factor * h, 0.0f, 1.0f);
        }
    }
    near_vertex_count = static_cast<std::uint16_t>((N + 1) * (N + 1));
    std::memcpy(buffer, v, grid_vertices.size() * sizeof(sea_vertex));
    CHECK_HR(near_vertex_buffer->unlock());
}

void sea::set_grid_mode(std::uint8_t mode) {
    if (mode == grid_mode) return;
    grid_mode = mode;
    build_mesh();
}

// ---- Adaptive mesh: a bisected triangle mesh in grid cells, finer near the camera. ----

int sea::add_mesh_vertex(sea_vertex* vertices, float x, float z) {
    const int i = mesh_vertex_count++;
    sea_vertex& v = vertices[i];
    v = sea_vertex{};
    v.x = x;  // grid cells while building; refresh_mesh writes metres
    v.z = z;
    v.u = z / N;
    v.v = x / N;
    mesh_grid_x[i] = static_cast<std::int32_t>(x);
    mesh_grid_z[i] = static_cast<std::int32_t>(z);
    mesh_detail[i] = 0.0f;
    return i;
}

void sea::emit_triangle(sea_vertex*, std::uint16_t* indices, int a, int b, int c, float edge) {
    if (mesh_index_count + 3 > k_mesh_indices) return;
    const float detail = std::max(0.0f, edge * 0.25f - 1.0f);
    for (int i : {a, b, c}) {
        indices[mesh_index_count++] = static_cast<std::uint16_t>(i);
        mesh_detail[i] = detail;
    }
}

// Triangle (a, b, c) with its long edge a-c: while the edge is long for its distance from
// the camera, bisect it, refine the half (b, m, a) and go on with (c, m, b).
void sea::split_triangle(sea_vertex* v, std::uint16_t* indices, int a, int b, int c) {
    for (;;) {
        const float sx = v[a].x + v[c].x;
        const float sz = v[a].z + v[c].z;
        const float d = std::sqrt(sx * sx + sz * sz + mesh_altitude_cells * mesh_altitude_cells);
        const float ex = v[c].x - v[a].x;
        const float ez = v[c].z - v[a].z;
        const float e = std::sqrt(ex * ex + ez * ez);
        const bool split = e > d * d / (d * lod_ratio + lod_distance) && e > 2.0f &&
                           mesh_vertex_count < k_mesh_vertices;
        if (!split) {
            emit_triangle(v, indices, a, b, c, e);
            return;
        }
        const int m = add_mesh_vertex(v, 0.5f * sx, 0.5f * sz);
        split_triangle(v, indices, b, m, a);
        a = c;
        c = b;
        b = m;
    }
}

void sea::build_adaptive_mesh(sea_vertex* v, std::uint16_t* indices) {
    if (mesh_grid_x.size() < static_cast<std::size_t>(k_mesh_vertices)) return;
    const float e = k_adaptive_extent;
    add_mesh_vertex(v, -e, -e);
    add_mesh_vertex(v, e, -e);
    add_mesh_vertex(v, e, e);
    add_mesh_vertex(v, -e, e);
    add_mesh_vertex(v, 0.0f, 0.0f);
    split_triangle(v, indices, 0, 4, 1);
    split_triangle(v, indices, 1, 4, 2);
    split_triangle(v, indices, 2, 4, 3);
    split_triangle(v, indices, 3, 4, 0);
}

void sea::refresh_mesh() {
    if (grid_mode != 0 || mesh_vertex_count == 0) return;
    vec3 camera{}, forward{0.0f, 0.0f, 1.0f};
    if (g_state != nullptr && g_state->camera_world != nullptr) {
        const mat4& m = *g_state->camera_world;
        camera = vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
        forward = vec3{m.m[2][0], m.m[2][1], m.m[2][2]};
    }
    const float level = g_state != nullptr ? g_state->water_level : 0.0f;
    const float oy = g_state != nullptr ? g_state->origin_offset.y : 0.0f;
    const float altitude = camera.y + oy - level;
    if (std::fabs(mesh_altitude - altitude) > patch_size) {
        mesh_altitude = altitude;
        mesh_altitude_cells = altitude / cell_size;
        build_mesh();
    }
    const auto lead = [&](float position, float offset, float axis) {
        const int cellv = static_cast<int>((position - offset) / cell_size + lead_cells * axis);
        return cellv - cellv % k_lead_snap;
    };
    const int ox = lead(camera.x, pattern_offset_x, forward.x);
    const int oz = lead(camera.z, pattern_offset_z, forward.z);
    sea_vertex* v = nullptr;
    if (!lock_all(near_vertex_buffer.get(), &v)) return;
    for (int i = 0; i < mesh_vertex_count; ++i) {
        const int gx = mesh_grid_x[i] + ox;
        const int gz = mesh_grid_z[i] + oz;
        const int r = wrap(gz);
        const int c = wrap(gx);
        sea_vertex& out = v[i];
        const float h = static_cast<float>(height[r][c]);
        out.x = gx * cell_size + static_cast<float>(disp_x[r][c]);
        out.y = h;
        out.z = gz * cell_size + static_cast<float>(disp_z[r][c]);
        vec3 n{normals[r][c][0], normals[r][c][2], normals[r][c][1]};
        float crest = std::clamp(0.5f * wind_per_cell * crest_factor * h, 0.0f, 1.0f);
        const float f = mesh_detail[i];
        if (f > 0.0f) {
            // Coarse far triangles cannot show the small waves: flatten their normals.
            const float w = std::max(0.0f, 1.0f / (f + 1.0f) - 0.01f * f);
            n = normalize(n * w + vec3{0.0f, 1.0f, 0.0f} * (1.0f - w));
            crest *= w;
        }
        out.nx = n.x;
        out.ny = n.y;
        out.nz = n.z;
        out.crest = crest;
    }
    CHECK_HR(near_vertex_buffer->unlock());
}
