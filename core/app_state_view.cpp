// The application state's operations over the camera's published view: the world-origin
// shift, the picking ray through the cursor and the editor selection's calls.
#include <cmath>

#include "core/app_state.h"
#include "core/camera.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "platform/keys.h"

namespace {

constexpr float k_pick_distance = 1000000.0f;  // metres: the farthest a cursor pick reaches

// The object directly below the root that holds f (f itself when it is one).
frame* top_ancestor(frame* f, const frame* root) {
    while (f->parent != nullptr && f->parent != root) f = f->parent;
    return f;
}

}  // namespace

void app_state::shift_origin(float dx, float dy, float dz) {
    origin_offset += vec3{dx, dy, dz};
    services().shift_scene({-dx, -dy, -dz});
}

void app_state::screen_to_ray(vec3* direction, vec3* origin, int x, int y, bool perspective) const {
    const vec2 n = screen_to_ndc(x, y);
    if (!perspective) {
        // A flat 2-D view: an orthographic projection of width aspect and height 1.
        const float aspect = camera_aspect != nullptr ? *camera_aspect : 1.0f;
        const mat4 ortho = mat_ortho_lh(aspect, 1.0f, 0.01f, 100.0f);
        *direction = {0.0f, 0.0f, 1.0f};
        *origin = {n.x / ortho.m[0][0], n.y / ortho.m[1][1], 0.0f};
        return;
    }
    if (camera_world == nullptr || projection_matrix == nullptr) {
        *direction = {0.0f, 0.0f, 1.0f};
        *origin = {};
        return;
    }
    const mat4& p = *projection_matrix;
    const mat4& w = *camera_world;
    const float sx = n.x / p.m[0][0];
    const float sy = n.y / p.m[1][1];
    *direction = get_axis_x(w) * sx + get_axis_y(w) * sy + get_axis_z(w);
    *origin = get_translation(w);
}

void app_state::select_if_in_rectangle(frame* f) {
    if (f == nullptr) return;
    const vec4 p = transform(f->world_position(), selection.view_projection);
    if (!(p.z > 0.0f)) return;  // at or behind the eye: no screen position
    const float sx = p.x / p.z;
    const float sy = p.y / p.z;
    if (!(sx > selection.min_x && sx < selection.max_x && sy > selection.min_y && sy < selection.max_y)) {
        return;
    }
    frame* owner = f;
    // The chain is followed to its end; a chain longer than any tree could be is a loop.
    for (int guard = 0; owner->selection_owner != nullptr && guard < 100000; ++guard) {
        owner = owner->selection_owner;
    }
    if (selection.add(owner)) owner->select();
}

void app_state::transform_selection(int x, int y, int last_x, int last_y) {
    const float dx = static_cast<float>(x - last_x);
    const float dy = static_cast<float>(y - last_y);
    for (int i = 0; i < selection.size(); ++i) {
        frame* f = selection.at(i);
        switch (selection.code) {
        case EDIT_MOVE: f->move_by(dx, 0.0f, -dy); break;  // a metre per pixel, screen up = north
        case EDIT_ROTATE_X: f->rotate_in_local_axes(0.0f, 0.01f * dy, 0.0f); break;
        case EDIT_ROTATE_Y: f->rotate_in_local_axes(0.01f * dx, 0.0f, 0.0f); break;
        case EDIT_ROTATE_Z: f->rotate_in_local_axes(0.0f, 0.0f, 0.01f * dx); break;
        case EDIT_SCALE: {
            const float s = std::fmax(0.01f, 1.0f - 0.01f * dy);
            f->scale(s, s, s);
            break;
        }
        default: break;
        }
    }
}

void app_state::pick_at_cursor(int x, int y) {
    frame* root = selection.objects_root;
    if (root == nullptr) return;
    vec3 direction, origin;
    screen_to_ray(&direction, &origin, x, y, true);
    direction = normalize(direction);
    nearest_hit = k_pick_distance;
    frame* hit = nullptr;
    float value = 0.0f;
    root->hit_test_ray(direction, origin, &hit, &value);
    if (!services().key_held(VK_CONTROL)) selection.clear();
    if (hit == nullptr || hit == root) return;
    frame* top = top_ancestor(hit, root);
    if (selection.add(top)) top->select();
}

void app_state::select_in_drag_rectangle() {
    frame* root = selection.objects_root;
    if (view_matrix != nullptr && projection_matrix != nullptr) {
        selection.view_projection = *view_matrix * *projection_matrix;
    }
    selection.clear();
    if (root != nullptr) {
        for (int i = 0; i < root->child_count(); ++i) {
            if (frame* c = root->child(i)) c->add_leaves_to_selection();
        }
    }
    set_message("%d Objects Selected", selection.size());
}
