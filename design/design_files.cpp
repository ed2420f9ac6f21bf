#include "design/design_files.h"

#include "platform/replacing_batch.h"
#include "ui/gui_hooks.h"

namespace design {

bool ask_on_save_or_load(gui_window* w, const part_files& files, const char* name) {
    if (pressed_is(w, slot::save)) {
        ui_play_sound_slot(0, 0);
        w->message_box(w, files.save_title, files.save_prompt, message_box_type::name_input,
                       part_request::save, name);
        return true;
    }
    if (pressed_is(w, slot::load)) {
        ui_play_sound_slot(0, 0);
        w->message_box(w, files.load_title, files.load_prompt, message_box_type::file_choice,
                       part_request::load, files.pattern);
        return true;
    }
    return false;
}

bool save_as_one(const std::function<bool()>& save, std::string* why) {
    replacing_batch files;
    if (save() && files.commit()) return true;
    *why = files.error();
    return false;
}

bool same_design_file(const char* a, const char* b) {
    // Both cut to a name field, as make_design_path cuts them.
    char x[design_name_size];
    char y[design_name_size];
    copy_text(x, a);
    copy_text(y, b);
    return compare_nocase(x, y) == 0;
}

int answered_request(const gui_window* w) {
    if (g_message_box.owner != w || g_message_box.result != 1) return 0;
    const int request = g_message_box.kind;
    return request == part_request::save || request == part_request::load ? request : 0;
}

}  // namespace design
