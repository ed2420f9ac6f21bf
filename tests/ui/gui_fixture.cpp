#include "gui_fixture.h"

#include <cmath>

#include "platform/resources.h"
#include "platform/text.h"
#include "ui/message_box.h"

hook_log* g_hook_log = nullptr;

namespace {

void record_sound(int slot, int) { g_hook_log->sounds.push_back(slot); }
void record_document(const char* target) { g_hook_log->documents.emplace_back(target); }
void record_leave() {
    ++g_hook_log->leave_scene;
    pending_command = 2;
}
void fixed_viewport(int* w, int* h) {
    *w = g_hook_log->viewport_w;
    *h = g_hook_log->viewport_h;
}

}  // namespace

int px(float x) { return static_cast<int>(std::lround(320.0 * x + 320.0)); }
int py(float y) { return static_cast<int>(std::lround(240.0 - 240.0 * y)); }

void gui_fixture::SetUp() {
    register_embedded_resources();
    app = std::make_unique<d3d_app>();
    g_app = app.get();
    copy_text(app->title, "Ventrask");
    copy_text(app->version, "Version 1.5.0");
    app->color_scheme = 0;
    app->use_tips = 0;
    state = std::make_unique<app_state>();
    g_state = state.get();
    g_hook_log = &log;
    ui_hooks() = gui_hooks{};
    ui_hooks().play_sound_slot = record_sound;
    ui_hooks().open_document = record_document;
    ui_hooks().leave_scene = record_leave;
    ui_hooks().viewport_size = fixed_viewport;
    set_painter(&painter);
    pending_command = 0;
    gui_scale[0] = gui_scale[1] = 1.0f;
    gui_view = mat_identity();
    gui_pointer = pointer_position{};
    gui_opacity = 255;
    g_focus = gui_focus{};
    g_message_box = message_box_state{};
    root = std::make_unique<gui>();
    g_gui = root.get();
}

void gui_fixture::TearDown() {
    root.reset();
    flush_closed_windows();
    set_painter(nullptr);
    ui_hooks() = gui_hooks{};
    g_hook_log = nullptr;
    state.reset();
    app.reset();
    g_state = nullptr;
    g_app = nullptr;
}

void gui_fixture::click_rect(const gui_window* w, const gui_rect* r) {
    float x1, y1, x2, y2;
    r->shifted_box(&x1, &y1, &x2, &y2);
    mat4 world = mat_identity();
    for (const gui_window* u = w; u != nullptr; u = u->parent) world = world * u->local;
    const vec3 p = transform_coord(vec3{(x1 + x2) / 2, (y1 + y2) / 2, 0}, world * gui_view);
    // Normalised device coordinates to pixels of the viewport.
    const int x = static_cast<int>(std::lround((p.x + 1) / 2 * log.viewport_w));
    const int y = static_cast<int>(std::lround((1 - p.y) / 2 * log.viewport_h));
    click(x, y);
}
