// The one shared message box of the program: questions, notices, a typed name and file
// choices. A screen asks with gui_window::message_box and returns; when the user answers, the
// box hides itself and sends the message-box event (9) to the window that asked, which reads
// the answer here. The box is hidden, not deleted, and found again by the next question.
#pragma once

#include <cstdint>

#include "ui/gui_window.h"

// Layouts of the box.
namespace message_box_type {
enum : int {
    yes_no = 0,
    notice = 1,
    name_input = 2,
    file_choice_with_extensions = 3,
    file_choice = 4,
    object_choice = 5,
    yes_no_check = 6,
};
}

struct message_box_state {
    static constexpr int k_text = 256;
    // A notice may name several files, a line each.
    static constexpr int k_message = 1024;
    char title[k_text] = {};
    char message[k_message] = {};
    // On entry the initial text (a default name, a file pattern, the check box's label); on
    // an accepted answer the typed name or the chosen entry.
    char answer[k_text] = {};
    gui_window* owner = nullptr;
    int kind = 0;        // the caller's tag, never changed by the box
    int result = 0;      // 0 no, cancel or nothing chosen; 1 yes, OK or accepted
    int type = 0;
    std::uint8_t check_state = 0;
};
extern message_box_state g_message_box;

// The callback of the box.
int message_box_dialog(gui_window* w, int event);

// Fills the state and opens the box on the root (see gui_window::message_box).
int open_message_box(gui_window* root, gui_window* owner, const char* caption,
                     const char* message, int type, int kind, const char* initial);

// The scale of the small question boxes (this box, the quit question): they are laid out
// for fonts up to the size they take at 1024 x 768; past it the fonts grow with the window
// (the smaller of the two scales), and a box grows with them. 1 up to that size.
float question_box_growth();

// Whether a typed name can be used as a file name: not empty, no path separators or
// control characters, not "." and holding no "..".
bool valid_file_name(const char* name);

// Pictures of the box: a question and a notice.
constexpr int IDB_QUESTION = 177;
constexpr int IDB_NOTICE = 178;
