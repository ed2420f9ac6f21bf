// The scene-graph node every scene object derives from: a transform with an array of child
// pointers, local, world, inverse-world and home matrices, a name that doubles as a tag, a
// bounding box and radius, visibility state, a draw layer 0..7 and optional per-tick motion
// behaviours (spin, linear motion, windsock sway, wind vane, ground following, floating).
//
// Matrices are row-vector matrices: rows 0..2 are the x, y and z axes, row 3 the position.
// Positions are metres in the scene's frame (x east, y up, z north around the moving world
// origin). Subclasses override the 24 virtual operations below, declared in their fixed
// order; most do their own part and then run the same operation on every child.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

#include "platform/math3d.h"
#include "platform/results.h"

// The type code each class stores in its frame.
enum frame_type : std::int32_t {
    FRAME_PLAIN = 0,       // frame and sprinkle
    FRAME_MESH = 1,
    FRAME_LIGHT = 2,
    FRAME_CAMERA = 3,
    FRAME_ARRAY_SP = 4,
    FRAME_DECAL = 5,
    FRAME_VISUAL = 6,
    FRAME_HIERARCHY = 7,
    FRAME_SKINNED_MESH = 8,
    FRAME_SMOKE = 10,
    FRAME_FLAME = 11,
    FRAME_TRAIL = 12,
    FRAME_FLOATER = 13,
    FRAME_BLINKER = 14,
    FRAME_SOUND = 15,
    FRAME_ANIMAL = 16,
    FRAME_MISSILE = 17,
    FRAME_ROCKET_MOTOR = 18,
    FRAME_AERO_CONFIG = 19,
    FRAME_WARHEAD = 20,
    FRAME_ROCKET = 22,
};

// An axis-aligned box: minimum corner, then maximum corner.
struct box6 {
    vec3 min;
    vec3 max;
};

// Selection-box colours (0xAARRGGBB).
constexpr std::uint32_t k_selection_yellow = 0xFFFFFF00u;
constexpr std::uint32_t k_selection_red = 0xFFFF0000u;

class frame {
public:
    static constexpr int k_name_size = 128;     // 127 characters and the terminator
    static constexpr int k_children_step = 256;  // the child array grows by this many slots

    frame();
    frame(const frame&) = delete;
    frame& operator=(const frame&) = delete;

    // ---- Virtual operations, in their fixed slot order ----
    // 0: clears the children (slot 1) and frees the array.
    virtual ~frame();
    // 1: shared children lose one share; the others are cleared and, when owned, deleted.
    // The array is zeroed and emptied; its capacity stays.
    virtual void clear_children();
    // 2: culling and drawing traversal.
    virtual void render();
    // 3: world matrix from the local matrix and the parent's world; recurses.
    virtual void update_matrices();
    // 4: distance visibility pass over the subtree.
    virtual void cull();
    // 5: distance and frustum test of this frame alone.
    virtual bool is_in_view();
    // 6: when active, recurses (meshes draw themselves flattened).
    virtual void render_shadow();
    // 7, 8: bounding box and radius from the base ones, the scale and the children.
    virtual void update_bounding_box();
    virtual void update_bounding_radius();
    // 9: the per-tick behaviours and the update and removal of the children.
    virtual void update();
    // 10: recurses; classes that keep world-space points subtract the shift of the tick
    // (app_state::last_shift) from them.
    virtual void shift_origin();
    // 11..13: point and frame hit tests against radius plus the hit margin.
    virtual bool hit_test_point(float x, float y, float z, frame** hit);
    virtual bool hit_test_frame(frame* other, frame** hit);
    virtual bool hit_test_point_any(float x, float y, float z, frame** hit);
    // 14: the picking ray (direction of unit length). The base only narrows by the bounding
    // sphere and asks the children; the out values are written by the overriding classes.
    virtual bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                              float* result);
    // 15: the height probe; overriding classes raise *height to the highest front-facing
    // surface under (x, z).
    virtual void surface_height(float x, float z, float* height, frame** hit);
    // 16, 17: the selection mark of the subtree.
    virtual void select();
    virtual void deselect();
    // 18: frames whose name contains the pattern get slot 19 with (a, b); recurses.
    virtual void set_shader_params_by_name(float a, float b, const char* pattern);
    // 19: recurses; meshes keep the two values for their pixel shader.
    virtual void set_shader_params(float a, float b);
    // 20, 21: recurse; sound-carrying classes apply the volume to / stop their buffers.
    virtual void apply_volume();
    virtual void stop_sounds();
    // 22, 23: recurse only.
    virtual void traverse_a();
    virtual void traverse_b();

    // ---- Tree editing ----
    // Appends the child (none: nothing). Unless shared, the child first leaves its old
    // parent and this frame becomes its parent; shared only raises its share count.
    void add_child(frame* child, bool shared = false);
    // Takes every entry of the child out of the array (which is compacted).
    void remove_child(frame* child);
    // Leaves the parent's array (nothing without a parent).
    void detach();
    // Moves a child that is already listed to the end / the front of the array; a child
    // that is not listed is appended (the array grows when full).
    void move_child_to_end(frame* child);
    void move_child_to_front(frame* child);
    // Stable reorder: layer 7 first down to layer 0; null slots end at the back.
    void sort_children_by_layer();
    // Pre-order search for a name (after its last backslash) containing the pattern and,
    // when an exclusion is given, not containing the exclusion.
    frame* find_by_name(const char* pattern, const char* exclusion = nullptr);
    frame* root();
    void set_name(const char* text);
    const char* get_name() const { return name; }
    int child_count() const { return count; }
    int child_capacity() const { return capacity; }
    frame* child(int i) const { return (i >= 0 && i < count) ? children[i] : nullptr; }

    // ---- Transforms (each ends with this frame's update_matrices) ----
    void set_position(float x, float y, float z);
    void move_by(float dx, float dy, float dz);
    void move_children_by(float dx, float dy, float dz);
    void translate_in_local_axes(float x, float y, float z);
    void set_rotation(float yaw, float pitch, float roll);
    void rotate_in_parent_axes(float yaw, float pitch, float roll);
    void rotate_in_local_axes(float yaw, float pitch, float roll);
    // The same turn of the local matrix alone: for a flight step that moves the frame next,
    // whose set_position brings the subtree's world matrices up to date once.
    void turn_local_axes(float yaw, float pitch, float roll) { local = mat_yaw_pitch_roll(yaw, pitch, roll) * local; }
    void scale(float sx, float sy, float sz);
    void set_scale(float sx, float sy, float sz);
    // Turns the z axis toward the target's world position. Looking straight up or down, or
    // at its own position, keeps the previous axes instead of producing a zero axis.
    void look_at(const frame* target);
    void reset_transform();
    // Home: the local transform with its position kept in absolute coordinates.
    void save_home();
    void restore_home();

    // ---- Behaviour setters ----
    void set_velocity(float vx, float vy, float vz);
    void set_spin(float ax, float ay, float az, float rate);
    void set_never_cull(bool flag);

    // ---- Coordinate helpers ----
    vec3 world_position() const { return {world.m[3][0], world.m[3][1], world.m[3][2]}; }
    vec3 local_position() const { return {local.m[3][0], local.m[3][1], local.m[3][2]}; }
    const mat4& inverse_world_matrix();  // recomputed when dirty
    vec3 world_to_local(const vec3& point);
    vec3 world_to_local_direction(const vec3& v);
    vec3 local_position_of(const frame* other);
    // Other's motion relative to this frame per second of simulation, in local axes.
    vec3 local_relative_velocity(const frame* other);
    vec3 vector_to(const frame* other) const;
    // Hands every active, hit-testable leaf of the subtree to the editor's rectangle test.
    void add_leaves_to_selection();
    // Whether the bounding sphere is in front of the camera and inside its side planes.
    bool in_frustum() const;

    // ---- Fields, in the node's documented order ----
    std::int32_t type = FRAME_PLAIN;
    frame* parent = nullptr;
    frame* selection_owner = nullptr;  // the editor selection takes this one instead
    std::int32_t capacity = k_children_step;
    std::int32_t count = 0;
    std::unique_ptr<frame*[]> children;  // slots below count may hold null
    mat4 local = mat_identity();
    mat4 world = mat_identity();
    mat4 inverse_world = mat_identity();
    mat4 home = mat_identity();
    char name[k_name_size] = {};
    box6 box{};
    box6 base_box{};
    float base_radius = 0.0f;
    float radius = 0.0f;
    float camera_distance = 0.0f;
    float max_distance = 1000000.0f;
    std::uint8_t yellow_box = 1;
    std::uint8_t hit_testable = 1;
    std::uint8_t in_parents_box = 1;
    std::uint8_t active = 1;
    std::uint8_t owned = 0;
    std::uint8_t night_only = 0;
    std::int32_t share_count = 0;
    std::int32_t layer = 4;
    std::uint8_t inverse_dirty = 1;
    std::uint8_t remove_me = 0;
    std::uint8_t in_view = 1;
    std::uint8_t has_scale = 0;
    std::uint8_t selected = 0;
    std::uint8_t previous_valid = 0;
    std::uint8_t pass1 = 1;
    std::uint8_t pass2 = 1;
    std::uint8_t never_cull = 0;
    vec3 previous_position{};
    vec3 last_motion{};
    vec3 velocity{};
    float spin_rate = 0.0f;
    vec3 sway{};
    float sway_factor = 0.05f;
    vec3 spin_axis{};
    std::uint8_t position_only = 0;
    std::uint8_t move = 0;
    std::uint8_t spin = 0;
    std::uint8_t windsock = 0;
    std::uint8_t windvane = 0;
    std::uint8_t ground_align = 0;
    std::uint8_t on_sea = 0;

protected:
    // The last turn set_rotation made: the angles and the axes they gave. Aiming parts are
    // set to the same angles tick after tick; on axes nothing has turned since, the
    // trigonometry is skipped.
    struct rotation_memo {
        float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
        vec3 x{}, y{}, z{};
        bool valid = false;
    };
    rotation_memo last_rotation;

    // Distance from the world position to the camera's (published by the camera); 0
    // without a camera.
    float distance_to_camera() const;
    // The per-tick behaviours of update, one step each.
    void update_spin(float dt);
    void update_move(float dt);
    void update_windsock();
    void update_windvane();
    void update_on_sea();
    void track_motion();
    void update_children();
    void draw_selection_mark() const;
    void set_fog_for_height() const;

private:
    void grow_children();
    void compact_children();
};

// Creates a plain frame named name under parent (when given), marked owned. False (and
// *out none) when memory runs out.
bool create_frame(frame* parent, frame** out, const char* name);
// Detaches the frame, clears its children, deletes it and sets the variable to none; false
// when it holds none.
bool destroy_frame(frame** variable);

// Allocates a subclass frame for a creation helper: 0 with *out set, or E_FAIL (out none)
// when memory runs out. The frame is marked owned and added to the parent when given.
template <typename T>
hresult create_owned(frame* parent, T** out) {
    T* made = new (std::nothrow) T();
    *out = made;
    if (made == nullptr) return E_FAIL;
    made->owned = 1;
    if (parent != nullptr) parent->add_child(made);
    return S_OK;
}

// Destroys a subclass frame made by a creation helper (detached from its parent, children
// cleared) and clears the caller's pointer; S_OK also when there is nothing to destroy.
template <typename T>
hresult destroy_owned(T** variable) {
    if (variable == nullptr || *variable == nullptr) return S_OK;
    frame* f = *variable;
    destroy_frame(&f);
    *variable = nullptr;
    return S_OK;
}

// Free helpers.
vec3 transform_point(float x, float y, float z, const mat4& m);       // with translation
vec3 transform_direction(float x, float y, float z, const mat4& m);   // without
inline vec3 get_axis_x(const mat4& m) { return {m.m[0][0], m.m[0][1], m.m[0][2]}; }
inline vec3 get_axis_y(const mat4& m) { return {m.m[1][0], m.m[1][1], m.m[1][2]}; }
inline vec3 get_axis_z(const mat4& m) { return {m.m[2][0], m.m[2][1], m.m[2][2]}; }
inline vec3 get_translation(const mat4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2]}; }
inline void set_row(mat4& m, int row, const vec3& v) {
    m.m[row][0] = v.x;
    m.m[row][1] = v.y;
    m.m[row][2] = v.z;
}

// One-sided ray-triangle test (back faces and edge-on triangles never hit). On a hit,
// *distance is the signed distance along direction to the hit point (negative: behind the
// origin) and the hit point is origin + direction x distance. A picking ray counts hits with
// distance > 0; a downward probe from (x, 0, z) along (0, -1, 0) has its hit height at
// -distance (see probe_height).
bool intersect_ray_triangle(const vec3& origin, const vec3& direction, const vec3& p0,
                            const vec3& p1, const vec3& p2, float* distance);
// The height probe's triangle test: the height at (x, z) of a triangle facing up (seen from
// above), through a downward ray; false when the vertical line misses it or it faces down.
bool probe_height(float x, float z, const vec3& p0, const vec3& p1, const vec3& p2,
                  float* height);
