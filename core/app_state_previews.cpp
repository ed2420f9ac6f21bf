// The model pictures of the menus: a thumbnail of a model file for the file picker, and the
// preview of a design's model drawn over the design windows.
#include <algorithm>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/mesh.h"
#include "core/preview_drawing.h"
#include "platform/render_to_surface.h"

namespace {

constexpr const char k_hr_source[] = "app_state";

constexpr int k_thumbnail_size = 256;

// A white directional light of the given ambient and specular grey.
gfx_light directional_light(float dx, float dy, float dz, float ambient, float specular, float range) {
    gfx_light l;
    l.type = LIGHT_DIRECTIONAL;
    l.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    l.ambient = {ambient, ambient, ambient, 1.0f};
    l.specular = {specular, specular, specular, 1.0f};
    l.direction[0] = dx;
    l.direction[1] = dy;
    l.direction[2] = dz;
    l.range = range;
    return l;
}

// Draws with culling off: the flag lets every frame count as in view.
struct show_everything {
    std::uint8_t before;
    show_everything() : before(g_app->show_all) { g_app->show_all = 1; }
    ~show_everything() { g_app->show_all = before; }
};

}  // namespace

bool app_state::render_model_thumbnail(const char* file, std::unique_ptr<gfx_texture>* out) const {
    out->reset();
    gfx_device* d = current_device();
    if (d == nullptr || g_app == nullptr) return false;
    mesh* model = nullptr;
    if (create_detached_mesh(&model) != S_OK) return false;
    std::unique_ptr<mesh> owned(model);
    if (!model->load_x(file)) return false;
    texture_ptr picture;
    std::unique_ptr<render_to_surface> target;
    if (!CHECK_HR(d->create_texture(k_thumbnail_size, k_thumbnail_size, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8,
                                    POOL_DEFAULT, &picture)) ||
        !CHECK_HR(render_to_surface::create(d, k_thumbnail_size, k_thumbnail_size, FMT_A8R8G8B8, FMT_D16, &target)) ||
        !CHECK_HR(target->begin_scene(picture->surface_level(0)))) {
        return false;
    }
    const bool lighting = d->render_state(RS_LIGHTING) != 0;
    d->set_light(0, directional_light(0.0f, 0.0f, 1.0f, 0.35f, 0.0f, 1000.0f));
    d->light_enable(0, true);
    d->set_render_state(RS_LIGHTING, 1);
    d->set_transform(TS_WORLD, mat_identity());
    d->set_transform(TS_VIEW, mat_identity());
    d->set_transform(TS_PROJECTION, mat_ortho_lh(1.0f, 1.0f, 1.0f, 100.0f));
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1.0f, 0);
    // Fitted into the unit square: the largest extent becomes half of it, turned to show
    // three sides, 2 m in front of the eye.
    const box6& b = model->base_box;
    const vec3 size = b.max - b.min;
    const float e = std::max({size.x, size.y, size.z, 1.0f});
    const vec3 shift = (b.min + b.max) * (-0.25f / e);
    model->local = mat_scaling(0.5f / e, 0.5f / e, 0.5f / e) * mat_rotation_y(0.75f) * mat_rotation_x(-0.5f) *
                   mat_translation(shift.x, shift.y, shift.z + 2.0f);
    model->update_matrices();
    {
        show_everything all;
        model->draw_subsets();
    }
    d->set_render_state(RS_LIGHTING, lighting ? 1 : 0);
    if (!CHECK_HR(target->end_scene())) return false;
    *out = std::move(picture);
    return true;
}

void render_design_preview(frame* model, float pitch, float yaw, float z, float x, float y) {
    gfx_device* d = current_device();
    if (d == nullptr || model == nullptr || g_app == nullptr || g_state == nullptr) return;
    const preview_drawing drawing(d);
    const gfx_viewport& v = d->viewport();
    const float aspect = v.height > 0 ? static_cast<float>(v.width) / static_cast<float>(v.height) : 1.0f;
    d->set_transform(TS_VIEW, mat_identity());
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.5f, aspect, 1.0f, 5000.0f));
    const float r = model->radius;
    model->local = mat_rotation_y(yaw) * mat_rotation_x(pitch) * mat_translation(x * r, y * r, z * r);
    model->update_matrices();
    d->set_light(0, directional_light(0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 5000.0f));
    d->light_enable(0, true);
    d->set_render_state(RS_LIGHTING, 1);
    d->set_render_state(RS_ZENABLE, 1);
    {
        // Opaque parts first, then the translucent ones over them.
        show_everything all;
        for (int pass : {1, 2}) {
            g_state->render_pass = pass;
            model->render();
        }
        g_state->render_pass = 0;
    }
}
