// The object labels of a run: each simulated object named beside its projected position.
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/scene_services.h"

namespace {

constexpr int k_label_font = 5;       // the 10-point font
constexpr int k_max_labels = 8 + 24 + 8 * 24;  // systems, rockets, their missiles
constexpr float k_label_offset = 0.1f;  // GUI units down and left of the point
// Night vision turns the whole picture bright green, where the green labels vanish: each
// label then gets a black shadow one pixel right and down (GUI units: 320 pixels across per
// unit, 240 up).
constexpr std::uint32_t k_shadow_colour = 0xFF000000u;
constexpr float k_shadow_dx = 1.0f / 320.0f, k_shadow_dy = 1.0f / 240.0f;

}  // namespace

void app_state::draw_selection_and_labels() {
    if (g_app == nullptr || !g_app->use_labels) return;
    if (view_matrix == nullptr || projection_matrix == nullptr) return;
    const mat4 vp = *view_matrix * *projection_matrix;
    gui_services& gui = gui_link();
    const vec2 scale = gui.gui_scale();
    object_label labels[k_max_labels];
    const int count = services().collect_labels(labels, k_max_labels);
    const bool shadowed = g_app->night_vision != 0;
    gui.begin_label_text(k_label_font);
    for (int i = 0; i < count; ++i) {
        const vec3& p = labels[i].position;
        // Divided by the transformed z, not w: at or within about the near distance, and
        // behind the camera, there is no label.
        const float z = transform_point_z(p, vp);
        if (!(z > 1.0f)) continue;
        const float x = transform_point_x(p, vp) * scale.x / z;
        const float y = transform_point_y(p, vp) * scale.y / z;
        if (shadowed) {
            gui.draw_label_text(x - k_label_offset + k_shadow_dx, y - k_label_offset - k_shadow_dy, labels[i].text,
                                k_shadow_colour, k_label_font);
        }
        gui.draw_label_text(x - k_label_offset, y - k_label_offset, labels[i].text, labels[i].colour, k_label_font);
    }
    gui.end_label_text(k_label_font);
}
