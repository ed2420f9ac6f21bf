// Saving the running scene as a situation: the run pauses, a snapshot of the view, a free
// name and a description are proposed, and Save writes the picture and the situation file.
// A name that is no plain file name, or a write that fails, is told and the dialog stays
// open (and the run paused) so that nothing is lost.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/texture_loading.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile_system.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/run_screens.h"
#include "ui/screens.h"

namespace {

enum : int { k_picture, k_save, k_cancel, k_name, k_description };
constexpr int k_max_name = 100;
constexpr int k_numbers = 256;

// The snapshot of the current showing, written as the situation's picture.
image g_snapshot;

gui_rect* add_rect(gui_window* w, float x1, float y1, float x2, float y2, int kind, const char* text) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, kind);
    r->set_text(text);
    return r;
}

void build(gui_window* w) {
    w->create(-0.6f, -1.0f, 0.6f, 1.0f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Save situation");
    gui_rect** p = w->private_rects;
    p[k_picture] = add_rect(w, -0.55f, -0.2f, 0.55f, 0.86f, rect_kind::image, "");
    p[k_save] = add_rect(w, -0.55f, -0.96f, -0.1f, -0.84f, rect_kind::button, "Save");
    p[k_cancel] = add_rect(w, 0.1f, -0.96f, 0.55f, -0.84f, rect_kind::button, "Cancel");
    p[k_name] = add_rect(w, -0.25f, -0.35f, 0.55f, -0.25f, rect_kind::edit_field, "");
    gui_rect* name_label = add_rect(w, -0.55f, -0.35f, -0.3f, -0.25f, rect_kind::label, "Situation name");
    name_label->centred = 0;
    name_label->fit_text = 1;  // a smaller font rather than a cut caption in a small window
    p[k_description] = add_rect(w, -0.55f, -0.78f, 0.55f, -0.4f, rect_kind::edit_field, "");
    p[k_description]->centred = 0;
    p[k_description]->wrapped = 1;
    w->send(gui_event::reactivate);
}

std::string description() {
    std::string out;
    const app_state* s = g_state;
    if (s != nullptr) {
        out += format_string("Saved in the %s scenery\n", s->scenery_name);
        if (s->test_mode) out += "Saved in test mode\n";
        if (s->scenario_mode) out += "Saved in scenario mode\n";
    }
    if (g_scene != nullptr) {
        const weapon_tables& t = g_scene->tables;
        for (int i = 0; i < t.system_count && i < scene::k_max_systems; ++i) {
            if (t.systems[i] != nullptr) out += format_string("Using the %s Missile System\n", t.systems[i]->name);
        }
        if (t.launcher_count != 0) out += format_string("Using %d Rocket Launchers\n", t.launcher_count);
    }
    return out;
}

void take_snapshot(gui_rect* picture) {
    g_snapshot = image{};
    picture->image_texture.reset();
    if (g_scene == nullptr || !g_scene->render_snapshot(&g_snapshot)) return;
    gfx_device* device = g_app != nullptr ? g_app->device.get() : nullptr;
    if (device == nullptr) return;
    texture_image levels;
    levels.surfaces.push_back(g_snapshot);
    levels.format = image_format::a8r8g8b8;
    create_texture_from_image(device, levels, 0, &picture->image_texture);
}

void show(gui_window* w) {
    gui_rect** p = w->private_rects;
    if (p[k_name] == nullptr) return;
    take_snapshot(p[k_picture]);
    p[k_name]->set_text(format_string("Situation %03d", free_situation_number()).c_str());
    p[k_description]->set_text(description().c_str());
    if (g_app != nullptr) g_app->paused = 1;
}

void resume(gui_window* w) {
    w->visible = 0;
    if (g_app != nullptr) g_app->paused = 0;
}

void refuse(gui_window* w, const char* message) {
    gui_window* top = g_gui != nullptr ? static_cast<gui_window*>(g_gui) : w->parent;
    if (top != nullptr) top->message_box(w, "Save Error", message, 1, 0, "");
}

void save(gui_window* w) {
    gui_rect** p = w->private_rects;
    const char* name = p[k_name]->text ? p[k_name]->text.get() : "";
    if (!valid_situation_name(name)) {
        log_line("A situation name was refused: \"%.100s\"", name);
        refuse(w, "Please type a name without / \\ and control characters, of at most 100 characters");
        return;
    }
    const std::string jpg = format_string("situations\\%s.jpg", name);
    if (g_snapshot.width > 0 && image_save_file(jpg.c_str(), g_snapshot) != S_OK) {
        log_line("Could not write %s", jpg.c_str());
        refuse(w, format_string("The picture %s could not be written", jpg.c_str()).c_str());
        return;
    }
    const char* comment = p[k_description]->text ? p[k_description]->text.get() : "";
    if (g_scene == nullptr || !g_scene->write_situation(name, comment, false)) {
        refuse(w, format_string("The situation %s could not be written", name).c_str());
        return;
    }
    resume(w);
}

void clicked(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    if (r == nullptr) return;
    if (r == w->private_rects[k_save]) {
        ui_play_sound_slot(0, 0);
        save(w);
    } else if (r == w->private_rects[k_cancel]) {
        ui_play_sound_slot(0, 0);
        resume(w);
    }
}

}  // namespace

int free_situation_number() {
    for (int n = 0; n < k_numbers; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "situations\\Situation %03d.txt", n);
        if (!fs_exists(name)) return n;
    }
    return k_numbers;
}

bool valid_situation_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    int n = 0;
    for (const char* c = name; *c != '\0'; ++c, ++n) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u < 0x20 || u == 0x7F || u == '/' || u == '\\') return false;
    }
    return n <= k_max_name;
}

int save_situation_dialog(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::reactivate: show(w); break;
        case gui_event::click: clicked(w); break;
        case gui_event::close:
            if (g_app != nullptr) g_app->paused = 0;
            break;
        default: break;
    }
    return 0;
}
