#include "core/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/editor_selection.h"
#include "platform/program_rand.h"
#include "platform/text.h"

namespace {

// One filtered-noise start value in -0.5..0.5 from the program's rand.
float sway_start() {
    const float r = static_cast<float>(program_rand());
    return (1.0f - 2.0f * r / 32767.0f) * 0.5f;
}

// The part of a name after its last backslash.
const char* name_tail(const char* name) {
    const char* slash = std::strrchr(name, '\\');
    return slash != nullptr ? slash + 1 : name;
}

vec3 row_lengths(const mat4& m) {
    return {length(get_axis_x(m)), length(get_axis_y(m)), length(get_axis_z(m))};
}

}  // namespace

frame::frame() : children(std::make_unique<frame*[]>(k_children_step)) {
    // The order x, y, z is part of the program's rand sequence.
    sway.x = sway_start();
    sway.y = sway_start();
    sway.z = sway_start();
}

frame::~frame() {
    frame::clear_children();
    if (g_state != nullptr) g_state->selection.forget(this);
}

void frame::clear_children() {
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c == nullptr) continue;
        if (c->share_count > 0) {
            --c->share_count;
        } else {
            c->clear_children();
            if (c->owned) {
                delete c;
                continue;
            }
        }
        // A child that stays alive must not keep pointing at this array's owner.
        if (c->parent == this) c->parent = nullptr;
    }
    std::fill(children.get(), children.get() + capacity, nullptr);
    count = 0;
}

void frame::grow_children() {
    const int new_capacity = capacity + k_children_step;
    auto grown = std::make_unique<frame*[]>(static_cast<std::size_t>(new_capacity));
    std::copy(children.get(), children.get() + count, grown.get());
    children = std::move(grown);
    capacity = new_capacity;
}

void frame::compact_children() {
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[kept++] = children[i];
    }
    std::fill(children.get() + kept, children.get() + capacity, nullptr);
    count = kept;
}

void frame::add_child(frame* c, bool shared) {
    if (c == nullptr) return;
    if (!shared && c->parent != nullptr) c->parent->remove_child(c);
    if (count >= capacity) grow_children();
    children[count++] = c;
    if (shared) {
        ++c->share_count;
    } else {
        c->parent = this;
    }
    update_matrices();
}

void frame::remove_child(frame* c) {
    if (c == nullptr) return;
    bool listed = false;
    for (int i = 0; i < count; ++i) {
        if (children[i] == c) {
            children[i] = nullptr;
            listed = true;
        }
    }
    if (c->parent == this) {
        c->parent = nullptr;
    } else if (listed && c->share_count > 0) {
        // It was listed here as a shared child: its real parent keeps it.
        --c->share_count;
    }
    c->update_matrices();
    compact_children();
}

void frame::detach() {
    if (parent != nullptr) parent->remove_child(this);
}

void frame::move_child_to_end(frame* c) {
    if (c == nullptr) return;
    for (int i = 0; i < count; ++i) {
        if (children[i] == c) children[i] = nullptr;
    }
    compact_children();
    if (count >= capacity) grow_children();
    children[count++] = c;
    c->parent = this;
}

void frame::move_child_to_front(frame* c) {
    if (c == nullptr) return;
    for (int i = 0; i < count; ++i) {
        if (children[i] == c) children[i] = nullptr;
    }
    compact_children();
    if (count >= capacity) grow_children();
    std::copy_backward(children.get(), children.get() + count, children.get() + count + 1);
    children[0] = c;
    ++count;
    c->parent = this;
}

void frame::sort_children_by_layer() {
    auto sorted = std::make_unique<frame*[]>(static_cast<std::size_t>(capacity));
    auto taken = std::make_unique<bool[]>(static_cast<std::size_t>(count));
    int n = 0;
    for (int layer_at_least = 7; layer_at_least >= 0; --layer_at_least) {
        for (int i = 0; i < count; ++i) {
            frame* c = children[i];
            if (c == nullptr || taken[i] || c->layer < layer_at_least) continue;
            sorted[n++] = c;
            taken[i] = true;
        }
    }
    // Layers below 0 are not valid, but such a child must not be lost: it goes last.
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr && !taken[i]) sorted[n++] = children[i];
    }
    children = std::move(sorted);
    count = n;
}

frame* frame::find_by_name(const char* pattern, const char* exclusion) {
    const char* tail = name_tail(name);
    if (contains(tail, pattern) && (exclusion == nullptr || !contains(tail, exclusion))) {
        return this;
    }
    for (int i = 0; i < count; ++i) {
        if (children[i] == nullptr) continue;
        if (frame* found = children[i]->find_by_name(pattern, exclusion)) return found;
    }
    return nullptr;
}

frame* frame::root() {
    frame* f = this;
    while (f->parent != nullptr) f = f->parent;
    return f;
}

void frame::set_name(const char* text) { copy_text(name, text); }

// ---- Transforms ----

void frame::set_position(float x, float y, float z) {
    set_row(local, 3, {x, y, z});
    update_matrices();
}

void frame::move_by(float dx, float dy, float dz) {
    set_row(local, 3, local_position() + vec3{dx, dy, dz});
    update_matrices();
}

void frame::move_children_by(float dx, float dy, float dz) {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->move_by(dx, dy, dz);
    }
    update_matrices();
}

void frame::translate_in_local_axes(float x, float y, float z) {
    local = mat_translation(x, y, z) * local;
    update_matrices();
}

namespace {

// Bit for bit: a negative zero in an axis changes the angles read back from it.
bool same_bits(const vec3& a, const vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The last column of an affine matrix.
bool affine(const mat4& m) {
    return m.m[0][3] == 0.0f && m.m[1][3] == 0.0f && m.m[2][3] == 0.0f && m.m[3][3] == 1.0f;
}

}  // namespace

void frame::set_rotation(float yaw, float pitch, float roll) {
    // A scaled frame's axes are rebuilt from their lengths, which rounding moves: no shortcut.
    const rotation_memo& m = last_rotation;
    if (!has_scale && m.valid && m.yaw == yaw && m.pitch == pitch && m.roll == roll &&
        same_bits(get_axis_x(local), m.x) && same_bits(get_axis_y(local), m.y) &&
        same_bits(get_axis_z(local), m.z) && affine(local)) {
        // The axes already are what these angles give; only the world matrices may lag.
        update_matrices();
        return;
    }
    const vec3 lengths = row_lengths(local);
    const vec3 position = local_position();
    mat4 r = mat_yaw_pitch_roll(yaw, pitch, roll);
    if (has_scale) {
        set_row(r, 0, get_axis_x(r) * lengths.x);
        set_row(r, 1, get_axis_y(r) * lengths.y);
        set_row(r, 2, get_axis_z(r) * lengths.z);
    }
    set_row(r, 3, position);
    local = r;
    last_rotation = {yaw, pitch, roll, get_axis_x(r), get_axis_y(r), get_axis_z(r), !has_scale};
    update_matrices();
}

void frame::rotate_in_parent_axes(float yaw, float pitch, float roll) {
    const vec3 position = local_position();
    local = local * mat_yaw_pitch_roll(yaw, pitch, roll);
    set_row(local, 3, position);
    update_matrices();
}

void frame::rotate_in_local_axes(float yaw, float pitch, float roll) {
    turn_local_axes(yaw, pitch, roll);
    update_matrices();
}

void frame::scale(float sx, float sy, float sz) {
    if (sx == 1.0f && sy == 1.0f && sz == 1.0f) return;
    local = mat_scaling(sx, sy, sz) * local;
    has_scale = 1;
    update_bounding_box();
    update_bounding_radius();
    update_matrices();
}

void frame::set_scale(float sx, float sy, float sz) {
    set_row(local, 0, normalize(get_axis_x(local)) * sx);
    set_row(local, 1, normalize(get_axis_y(local)) * sy);
    set_row(local, 2, normalize(get_axis_z(local)) * sz);
    has_scale = 1;
    update_matrices();
}

void frame::look_at(const frame* target) {
    if (target == nullptr) return;
    const vec3 z = normalize(target->world_position() - world_position());
    if (length_sq(z) == 0.0f) return;  // looking at its own position: keep the axes
    vec3 x = normalize(cross(vec3{0.0f, 1.0f, 0.0f}, z));
    if (length_sq(x) == 0.0f) {
        // Straight up or down: keep the previous x axis, made square to the new z.
        const vec3 old_x = get_axis_x(world);
        x = normalize(old_x - z * dot(old_x, z));
        if (length_sq(x) == 0.0f) x = {1.0f, 0.0f, 0.0f};
    }
    const vec3 y = normalize(cross(z, x));
    mat4 m = parent != nullptr ? world : local;
    set_row(m, 0, x);
    set_row(m, 1, y);
    set_row(m, 2, z);
    if (parent != nullptr) {
        mat4 parent_inverse = mat_identity();
        mat_inverse(parent->world, &parent_inverse);
        local = m * parent_inverse;
    } else {
        local = m;
    }
    update_matrices();
}

void frame::reset_transform() {
    local = mat_identity();
    active = 1;
    move = 0;
    spin = 0;
    has_scale = 0;
    velocity = {};
    spin_rate = 0.0f;
    update_matrices();
}

void frame::save_home() {
    home = local;
    const vec3 offset = g_state != nullptr ? g_state->origin_offset : vec3{};
    set_row(home, 3, local_position() + offset);
}

void frame::restore_home() {
    const vec3 offset = g_state != nullptr ? g_state->origin_offset : vec3{};
    local = home;
    set_row(local, 3, get_translation(home) - offset);
    update_matrices();
}

// ---- Behaviour setters ----

void frame::set_velocity(float vx, float vy, float vz) {
    velocity = {vx, vy, vz};
    move = (vx != 0.0f || vy != 0.0f || vz != 0.0f) ? 1 : 0;
}

void frame::set_spin(float ax, float ay, float az, float rate) {
    spin_axis = {ax, ay, az};
    spin_rate = rate;
    spin = rate != 0.0f ? 1 : 0;
}

void frame::set_never_cull(bool flag) {
    never_cull = flag ? 1 : 0;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->set_never_cull(flag);
    }
}

// ---- Coordinate helpers ----

const mat4& frame::inverse_world_matrix() {
    if (inverse_dirty) {
        mat_inverse(world, &inverse_world);  // a singular matrix keeps the last inverse
        inverse_dirty = 0;
    }
    return inverse_world;
}

vec3 frame::world_to_local(const vec3& point) {
    return transform_coord(point, inverse_world_matrix());
}

vec3 frame::world_to_local_direction(const vec3& v) {
    return transform_normal(v, inverse_world_matrix());
}

vec3 frame::local_position_of(const frame* other) {
    if (other == nullptr) return {};
    return world_to_local(other->world_position());
}

vec3 frame::local_relative_velocity(const frame* other) {
    if (other == nullptr || g_state == nullptr || !(g_state->dt > 0.0f)) return {};
    return world_to_local_direction((other->last_motion - last_motion) / g_state->dt);
}

vec3 frame::vector_to(const frame* other) const {
    if (other == nullptr) return {};
    return other->world_position() - world_position();
}

void frame::add_leaves_to_selection() {
    if (!active || !hit_testable) return;
    if (count == 0) {
        if (g_state != nullptr) g_state->select_if_in_rectangle(this);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->add_leaves_to_selection();
    }
}

// ---- Creation ----

bool create_frame(frame* parent, frame** out, const char* name) {
    frame* made = new (std::nothrow) frame();
    *out = made;
    if (made == nullptr) return false;
    if (parent != nullptr) parent->add_child(made);
    made->set_name(name);
    made->owned = 1;
    return true;
}

bool destroy_frame(frame** variable) {
    if (variable == nullptr || *variable == nullptr) return false;
    frame* f = *variable;
    f->detach();
    f->clear_children();
    delete f;
    *variable = nullptr;
    return true;
}

// ---- Free helpers ----

vec3 transform_point(float x, float y, float z, const mat4& m) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
}

vec3 transform_direction(float x, float y, float z, const mat4& m) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2]};
}

bool intersect_ray_triangle(const vec3& origin, const vec3& direction, const vec3& p0,
                            const vec3& p1, const vec3& p2, float* distance) {
    // Moller-Trumbore with the division deferred: u, v and t are scaled by the determinant.
    const vec3 edge1 = p1 - p0;
    const vec3 edge2 = p2 - p0;
    const vec3 p = cross(direction, edge2);
    const float det = dot(edge1, p);
    if (det < 1e-5f) return false;  // seen from behind, or edge-on
    const vec3 t = origin - p0;
    const float u = dot(t, p);
    if (u < 0.0f || u > det) return false;
    const vec3 q = cross(t, edge1);
    const float v = dot(direction, q);
    if (v < 0.0f || u + v > det) return false;
    *distance = dot(edge2, q) / det;
    return true;
}

bool probe_height(float x, float z, const vec3& p0, const vec3& p1, const vec3& p2,
                  float* height) {
    float distance = 0.0f;
    if (!intersect_ray_triangle({x, 0.0f, z}, {0.0f, -1.0f, 0.0f}, p0, p1, p2, &distance)) {
        return false;
    }
    *height = -distance;  // the ray starts at y = 0 and runs down
    return true;
}
