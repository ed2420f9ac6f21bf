// Saving and loading a part from its screen. Save asks for a name in the name box (holding the
// part's own name), Load offers the part's files; the answer comes back to the screen as
// gui_event::message_box_result, where answer_part saves or loads the part under the name the
// user gave. A name that cannot name a design is refused with a notice before anything is
// written; a failed save keeps the part's old name, and a failed save or load says so (a file
// that cannot be read whole is named with why, and the part stays as it was).
#pragma once

#include <functional>
#include <string>

#include "design/design_screen.h"
#include "platform/text.h"
#include "simulation/design_name.h"
#include "ui/gui_window.h"
#include "ui/message_box.h"

namespace design {

// The tags of the two questions a part screen asks.
namespace part_request {
enum : int { save = 1, load = 2 };
}

// The captions of a part's two questions and where its files lie.
struct part_files {
    const char* save_title;    // "Save Warhead Configuration"
    const char* save_prompt;   // "Please input name of warhead to save"
    const char* load_title;
    const char* load_prompt;
    const char* pattern;       // "warheads\\*.txt"
};

// On a press of Save or Load: the click sound and the question (the name box holds `name`).
// True when it was one of the two.
bool ask_on_save_or_load(gui_window* w, const part_files& files, const char* name);

// The question the user answered with OK in this window's box: part_request::save or ::load;
// 0 for another window's box, a cancel or another question.
int answered_request(const gui_window* w);

// Runs a save of one or more files as a single replacement (replacing_batch): every file is
// put in place, or none when any failed. False, with the system's reason in *why when there
// is one, when the save failed.
bool save_as_one(const std::function<bool()>& save, std::string* why);

// Whether a typed name names the same file as the part's name (file names match without
// regard to case).
bool same_design_file(const char* a, const char* b);

// The first hint line of a part's screen: the usual one, or, while the part keeps the place of
// a file the design could not read whole, that the file is damaged and kept: the values shown
// are not the file's.
template <class Part>
std::string part_hint(const Part& part, const char* usual = k_save_hint) {
    if (part.file == part_file::taken) return usual;
    return format_string("Damaged %s\\%s.txt kept: the values shown are not its own.", Part::k_folder, part.name);
}

// Puts part_hint on the screen's first hint line, when it has one.
template <class Part>
void show_part_hint(gui_window* w, const Part* part) {
    gui_rect* hint = rect_at(w, slot::hint);
    if (hint != nullptr && part != nullptr) hint->set_text(part_hint(*part).c_str());
}

// Saves under a name already checked; a failed save keeps the old name and says why. The file
// the design refused (part_file) is never written by the first Save over it: that Save says so
// instead and writes nothing, and the next one writes it. What goes beside the part's file
// (before_save, when given) is written with it as one, so a save that writes no part file
// writes nothing beside it either.
template <class Part>
void save_part(gui_window* w, Part& part, const char* name, void (*before_save)(const char* name) = nullptr) {
    if (part.file == part_file::refused && same_design_file(part.name, name)) {
        notify_refused_save(w, Part::k_folder, part.name);
        part.file = part_file::refused_told;
        return;
    }
    char old_name[design_name_size];
    copy_text(old_name, part.name);
    std::string why;
    const auto save = [&] {
        if (before_save != nullptr) before_save(name);
        return part.save(name);
    };
    if (save_as_one(save, &why)) {
        part.file = part_file::taken;  // the file it names now is whole
        return;
    }
    copy_text(part.name, old_name);
    notify_failure(w, "save", name, why.c_str());
}

// The box's answer for the part: OK to Save saves it under the typed name (save_part, with
// before_save), OK to Load loads it; either way the hint line shows the part's file as it
// stands now. The request done comes back, 0 when there was none (no part, not this window's
// answer, a refused name).
template <class Part>
int answer_part(gui_window* w, Part* part, void (*before_save)(const char* name) = nullptr) {
    const int request = answered_request(w);
    if (part == nullptr || request == 0) return 0;
    const char* name = g_message_box.answer;
    if (request == part_request::save) {
        if (!check_design_name(w, name)) return 0;
        save_part(w, *part, name, before_save);
    } else {
        // A damaged file is named with why; a name with no file to read, plainly.
        bool loaded = false;
        if (load_checked(w, [&] { loaded = part->load(name); }) && !loaded) notify_failure(w, "load", name);
        if (loaded) part->file = part_file::taken;
    }
    show_part_hint(w, part);
    return request;
}

}  // namespace design
