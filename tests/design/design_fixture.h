// The design screens on a GUI without a device: a private run folder with the definition
// folders, scene services that record, and a design system and missile of the defaults that
// the screens edit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/recording_services.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/gui_fixture.h"

// A scene that keeps the situations it was asked to read, and whether it read them as a test.
class reading_scene : public scene {
public:
    std::vector<std::string> read;
    int test_mode_when_read = -1;
    void read_situation(const char* path) override {
        read.emplace_back(path);
        test_mode_when_read = g_state->test_mode;
    }
};

class design_fixture : public gui_fixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs a screen as the GUI does for a pending command.
    void open(int command);
    // Answers the message box that is open with OK and a name.
    void answer(const char* name);
    // The element of the screen with this text, none when there is none.
    gui_rect* find_text(const char* text) const;
    void press_and_click(const char* text);
    // The field that follows its label, none when the label is not shown.
    gui_rect* field(const char* label) const;
    // Presses an element without a click, as a field is taken for typing.
    void press(gui_rect* r);
    // Presses a field and pushes its jog slider to the top; none when no slider shows.
    gui_window* jog_up(gui_rect* field);
    // Tells the screen that a child window's choice was committed.
    void commit(gui_window* child);
    // Save or Load, answered with a name.
    void save_as(const char* name);
    void load(const char* name);
    // Puts a file where a definition folder was, so that nothing can be written into it.
    void block_folder(const char* folder);
    bool logged(const std::string& text) const;
    // Lines of a file of the run folder ('/' separated), 0 when it does not exist.
    int line_count(const std::string& relative) const;

    temp_folder tmp;
    recording_scene_services services;
    std::unique_ptr<missile_system> system;
    missile* m = nullptr;
};
