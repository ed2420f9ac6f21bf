#include "tests/design/design_fixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/scene_services.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/message_box.h"
#include "ui/screens.h"

void design_fixture::SetUp() {
    gui_fixture::SetUp();
    for (const char* folder : {"configs", "motors", "warheads", "seekers", "controls", "launchers",
                               "missiles", "systems"}) {
        fs_make_folder(folder);
    }
    install_scene_services(&services);
    system = std::make_unique<missile_system>();
    m = system->add_missile();
    design::use_design_objects(system.get(), m);
    design::install_design_screens();
    state->smoothed_step = 0.02f;
}

void design_fixture::TearDown() {
    root->close_dialogs();
    root->set_screen(main_menu_screen);
    flush_closed_windows();
    design::use_design_objects(nullptr, nullptr);
    system.reset();
    install_scene_services(nullptr);
    gui_fixture::TearDown();
}

void design_fixture::open(int command) {
    pending_command = command;
    root->run_pending_command();
}

void design_fixture::answer(const char* name) {
    gui_window* owner = g_message_box.owner;
    ASSERT_NE(owner, nullptr);
    copy_text(g_message_box.answer, name);
    g_message_box.result = 1;
    if (gui_window* box = root->find_dialog(message_box_dialog)) box->visible = 0;
    owner->send(gui_event::message_box_result);
}

gui_rect* design_fixture::find_text(const char* text) const {
    for (int i = 0; i < root->rect_count; ++i) {
        gui_rect* r = root->rect(i);
        if (r != nullptr && r->has_text() && std::strcmp(r->text.get(), text) == 0) return r;
    }
    return nullptr;
}

void design_fixture::press_and_click(const char* text) {
    gui_rect* r = find_text(text);
    ASSERT_NE(r, nullptr) << text;
    root->pressed = root->index_of(r) + 1;
    root->send(gui_event::press);
    root->send(gui_event::click);
}

gui_rect* design_fixture::field(const char* label) const {
    gui_rect* l = find_text(label);
    return l != nullptr ? root->rect(root->index_of(l) + 1) : nullptr;
}

void design_fixture::press(gui_rect* r) {
    ASSERT_NE(r, nullptr);
    root->pressed = root->index_of(r) + 1;
    root->send(gui_event::press);
}

gui_window* design_fixture::jog_up(gui_rect* field) {
    press(field);
    gui_window* jog = design::child_at(root.get(), design::slot::jog_window);
    if (jog == nullptr || !jog->visible) return nullptr;
    jog->set_slider_value(255.0f);
    root->current = root->index_of(jog) + 1;
    root->send(gui_event::child_changed);
    return jog;
}

void design_fixture::commit(gui_window* child) {
    root->current = root->index_of(child) + 1;
    root->send(gui_event::child_committed);
}

void design_fixture::save_as(const char* name) {
    press_and_click("Save");
    answer(name);
}

void design_fixture::load(const char* name) {
    press_and_click("Load");
    answer(name);
}

void design_fixture::block_folder(const char* folder) {
    std::filesystem::remove_all(tmp.path() + "/" + folder);
    tmp.write(folder, "not a folder");
    ASSERT_FALSE(fs_is_folder(folder));
}

bool design_fixture::logged(const std::string& text) const {
    return std::string(app->log_text()).find(text) != std::string::npos;
}

int design_fixture::line_count(const std::string& relative) const {
    if (!tmp.exists(relative)) return 0;
    const std::string text = tmp.read(relative);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}
