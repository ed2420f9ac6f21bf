#include "ui/message_box.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"

message_box_state g_message_box;

namespace {

// Private pointers of the box's window.
enum { k_edit = 0, k_image = 1, k_caption = 2, k_check = 3 };
enum { k_list = 0 };

constexpr const char* k_invalid_name = "Please input a valid name";
constexpr float k_laid_out_scale = 1.6f;  // the GUI scale of a 1024 x 768 window

gui_rect* add_button(gui_window* w, float x1, float y1, float x2, float y2, const char* text) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::button);
    r->set_text(text);
    return r;
}

gui_rect* add_picture(gui_window* w, float x1, float y1, float x2, float y2, int id) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::image);
    r->framed = 0;
    ui_load_resource_texture(id, &r->image_texture, true);
    return r;
}

void add_label(gui_window* w, float x1, float y1, float x2, float y2) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::label);
    r->wrapped = 1;
    r->set_text(g_message_box.message);
}

// A notice of several lines shows each line as a caption of its own, one under the other in one
// column (one font), so that no line is cut to a caption's text: the box grows to hold them.
constexpr float k_notice_line = 0.065f;
// The label area of a notice of one line (0.22 high) holds its wrapped text.
constexpr float k_notice_text_height = 0.22f;

// A line longer than a caption holds goes on at the next, broken after its last space that fits.
void add_message_line(std::vector<std::string>& lines, std::string line) {
    constexpr std::size_t k_caption_chars = k_rect_text_size - 1;
    while (line.size() > k_caption_chars) {
        const std::size_t space = line.rfind(' ', k_caption_chars - 1);
        const std::size_t cut = space == std::string::npos || space == 0 ? k_caption_chars : space + 1;
        lines.push_back(line.substr(0, cut));
        line.erase(0, cut);
    }
    lines.push_back(line);
}

std::vector<std::string> message_lines(const char* message) {
    std::vector<std::string> lines;
    std::string line;
    for (const char* p = message; *p != '\0'; ++p) {
        if (*p != '\n') {
            line += *p;
            continue;
        }
        add_message_line(lines, line);
        line.clear();
    }
    add_message_line(lines, line);
    return lines;
}

// Whether the box is a notice of several lines (or of one longer than a caption holds).
bool lined_notice(const message_box_state& s) {
    return s.type == message_box_type::notice && message_lines(s.message).size() > 1;
}

// How much taller than its single-line layout a box grows for its message's lines.
float notice_growth(const message_box_state& s) {
    if (!lined_notice(s)) return 0.0f;
    const std::size_t n = message_lines(s.message).size();
    return std::max(0.0f, static_cast<float>(n) * k_notice_line - k_notice_text_height);
}

// The lines of a notice from the top of its text area (left, top) to the right edge, the
// picture beside the first lines.
void add_notice_lines(gui_window* w, float left, float top, float right) {
    const std::vector<std::string> lines = message_lines(g_message_box.message);
    float y = top;
    for (const std::string& line : lines) {
        gui_rect* r = w->add_rect(left, y - k_notice_line, right, y, rect_kind::label);
        r->left_text = 1;
        r->centred = 0;
        r->fit_text = 1;
        r->set_text(line.c_str());
        y -= k_notice_line;
    }
}

gui_window* add_file_list(gui_window* w, float x1, float y1, float x2, float y2,
                          bool keep_extension) {
    gui_window* list = w->add_window();
    list->create(x1, y1, x2, y2, window_kind::list_box);
    list->list_fill_from_files(g_message_box.answer, keep_extension);
    list->list_sort();
    return list;
}

void build(gui_window* w) {
    message_box_state& s = g_message_box;
    w->clear();
    w->visible = 1;
    const float e = std::max(0.0f, 0.01f * static_cast<float>(longest_line_length(
                                               s.message, message_box_state::k_message)) -
                                       0.35f);
    // Half the height a notice of several lines adds above and below.
    const float g = notice_growth(s) / 2.0f;
    switch (s.type) {
        case message_box_type::yes_no:
            w->create(-0.52f - e, -0.23f, 0.52f + e, 0.31f, window_kind::titled_window);
            break;
        case message_box_type::notice:
            w->create(-0.52f - e, -0.23f - g, 0.52f + e, 0.31f + g, window_kind::titled_window);
            break;
        case message_box_type::name_input:
            w->create(-0.52f, -0.23f, 0.52f, 0.31f, window_kind::titled_window);
            break;
        case message_box_type::file_choice_with_extensions:
        case message_box_type::object_choice:
            w->create(-0.52f, -0.75f, 0.52f, 0.83f, window_kind::titled_window);
            break;
        case message_box_type::file_choice:
            w->create(-0.62f, -0.75f, 0.62f, 0.83f, window_kind::titled_window);
            break;
        case message_box_type::yes_no_check:
            w->create(-0.52f - e, -0.3f, 0.52f + e, 0.31f, window_kind::titled_window);
            break;
        default:
            w->create(-0.62f - e, -0.23f, 0.62f + e, 0.31f, window_kind::titled_window);
            break;
    }
    const float grown = question_box_growth();
    w->set_scale(grown, grown);
    if (gui_rect* body = w->find_rect_by_kind(rect_kind::body)) body->fill.a = 255;
    w->set_title(s.title);
    switch (s.type) {
        case message_box_type::yes_no:
            add_label(w, -0.49f - e, -0.04f, 0.49f + e, 0.18f);
            add_button(w, 0.07f + e, -0.18f, 0.49f + e, -0.08f, "No");
            add_button(w, -0.49f - e, -0.18f, -0.07f - e, -0.08f, "Yes");
            add_picture(w, 0.3f + e, -0.04f, 0.49f + e, 0.18f, IDB_QUESTION);
            break;
        case message_box_type::notice:
            if (lined_notice(s)) {
                add_notice_lines(w, -0.49f - e, 0.18f + g, 0.49f + e);
            } else {
                add_label(w, -0.49f - e, -0.04f, 0.49f + e, 0.18f);
            }
            add_button(w, -0.2f, -0.18f - g, 0.2f, -0.08f - g, "OK");
            add_picture(w, 0.3f + e, -0.04f + g, 0.49f + e, 0.18f + g, IDB_NOTICE);
            break;
        case message_box_type::name_input: {
            add_label(w, -0.49f, -0.04f, 0.49f, 0.18f);
            add_button(w, 0.07f, -0.18f, 0.49f, -0.08f, "Cancel");
            add_button(w, -0.49f, -0.18f, -0.07f, -0.08f, "Accept");
            gui_rect* edit = w->add_rect(-0.49f, -0.03f, 0.49f, 0.07f, rect_kind::edit_field);
            edit->wrapped = 1;
            edit->set_text(s.answer);
            w->private_rects[k_edit] = edit;
            break;
        }
        case message_box_type::file_choice_with_extensions:
        case message_box_type::object_choice: {
            add_label(w, -0.49f, 0.6f, 0.49f, 0.7f);
            add_button(w, 0.07f, -0.7f, 0.49f, -0.58f, "Cancel");
            add_button(w, -0.49f, -0.7f, -0.07f, -0.58f, "Accept");
            if (s.type == message_box_type::object_choice) {
                w->private_windows[k_list] = add_file_list(w, -0.49f, -0.52f, -0.07f, 0.55f, true);
                w->private_rects[k_image] = w->add_rect(0, 0, 0.45f, 0.55f, rect_kind::image);
                gui_rect* caption = w->add_rect(0, 0.47f, 0.45f, 0.55f, rect_kind::caption);
                caption->set_text("Object Name");
                caption->fill.a = 127;
                w->private_rects[k_caption] = caption;
                // The folder part of the pattern stays for the caption and the preview.
                if (char* star = std::strchr(s.answer, '*')) *star = '\0';
            } else {
                w->private_windows[k_list] = add_file_list(w, -0.49f, -0.52f, 0.49f, 0.55f, true);
            }
            break;
        }
        case message_box_type::file_choice:
            add_label(w, -0.59f, 0.6f, 0.59f, 0.7f);
            add_button(w, 0.07f, -0.7f, 0.59f, -0.58f, "Cancel");
            add_button(w, -0.59f, -0.7f, -0.07f, -0.58f, "Accept");
            w->private_windows[k_list] = add_file_list(w, -0.59f, -0.52f, 0.59f, 0.55f, false);
            break;
        case message_box_type::yes_no_check: {
            add_label(w, -0.49f - e, -0.04f, 0.49f + e, 0.18f);
            add_button(w, 0.07f + e, -0.25f, 0.49f + e, -0.15f, "No");
            add_button(w, -0.49f - e, -0.25f, -0.07f - e, -0.15f, "Yes");
            add_picture(w, 0.3f + e, -0.04f, 0.49f + e, 0.18f, IDB_QUESTION);
            gui_rect* check = w->add_rect(-0.49f, -0.06f, -0.1f, 0.04f, rect_kind::check_box);
            check->centred = 0;
            check->set_text(s.answer);
            check->ticked = s.check_state;
            w->private_rects[k_check] = check;
            break;
        }
        default:
            w->add_rect(-0.59f - e, -0.2f, 0.59f + e, 0.1f, rect_kind::label)->set_text(s.message);
            w->last_rect()->wrapped = 1;
            add_picture(w, 0.3f + e, -0.04f, 0.59f + e, 0.18f, IDB_NOTICE);
            break;
    }
}

void store_check(gui_window* w) {
    if (const gui_rect* check = w->private_rects[k_check]) g_message_box.check_state = check->ticked;
}

// Takes the typed name; false (and the box stays) when it cannot name a file.
bool take_typed_name(gui_window* w) {
    const gui_rect* edit = w->private_rects[k_edit];
    const char* typed = edit != nullptr && edit->text ? edit->text.get() : "";
    if (!valid_file_name(typed)) {
        if (gui_rect* label = w->find_rect_by_kind(rect_kind::label)) label->set_text(k_invalid_name);
        return false;
    }
    copy_text(g_message_box.answer, typed);
    g_message_box.result = 1;
    return true;
}

void take_choice(gui_window* w) {
    const gui_window* list = w->private_windows[k_list];
    if (list == nullptr || list->list_selected_index() < 0) {
        g_message_box.result = 0;
        return;
    }
    copy_text(g_message_box.answer, list->list_selected_text());
    g_message_box.result = 1;
}

void answer(gui_window* w) {
    w->visible = 0;
    clear_focus();
    if (gui_window* owner = g_message_box.owner) owner->send(gui_event::message_box_result);
}

// The answer of "Accept" or Enter; false while the box must stay.
bool accept(gui_window* w) {
    switch (g_message_box.type) {
        case message_box_type::file_choice_with_extensions:
        case message_box_type::file_choice:
        case message_box_type::object_choice:
            take_choice(w);
            return true;
        case message_box_type::name_input: return take_typed_name(w);
        case message_box_type::yes_no_check:
            store_check(w);
            g_message_box.result = 1;
            return true;
        default:
            g_message_box.result = 1;
            return true;
    }
}

void on_click(gui_window* w) {
    if (w->rect_text_equals("No") || w->rect_text_equals("Cancel")) {
        g_message_box.result = 0;
    } else if (w->rect_text_equals("Yes") || w->rect_text_equals("Ok")) {
        if (g_message_box.type == message_box_type::yes_no_check) store_check(w);
        g_message_box.result = 1;
    } else if (w->rect_text_equals("Accept")) {
        if (!accept(w)) return;
    } else {
        return;
    }
    answer(w);
}

void preview_choice(gui_window* w) {
    gui_window* list = w->private_windows[k_list];
    gui_rect* image = w->private_rects[k_image];
    gui_rect* caption = w->private_rects[k_caption];
    if (list == nullptr || w->current_child() != list || image == nullptr) return;
    const char* name = list->list_selected_text();
    char path[message_box_state::k_text * 2];
    format_text(path, "%s%s", g_message_box.answer, name);
    if (caption != nullptr) caption->set_text(path);
    image->image_texture.reset();
    if (image->cached_texture != nullptr && g_app != nullptr) g_app->release_texture(&image->cached_texture);
    image->cached_texture = nullptr;
    ui_play_preview_sound("");
    if (std::strstr(name, ".x") != nullptr) {
        if (ui_hooks().render_model_thumbnail) {
            image->image_texture.reset(ui_hooks().render_model_thumbnail(path));
        }
    } else if (std::strstr(name, ".wav") != nullptr && std::strstr(name, ".dds") == nullptr) {
        ui_play_preview_sound(path);
    } else if (g_app != nullptr) {
        g_app->load_texture(path, &image->cached_texture, 0, true);
    }
}

// A name box takes the keyboard as it opens, whatever the window's size or the pointer's
// place: typing goes into its field at once, as after a click into it.
void focus_name_field(gui_window* root) {
    gui_window* w = root->find_dialog(message_box_dialog);
    if (w == nullptr || !w->visible) return;
    gui_rect* edit = w->private_rects[k_edit];
    const int i = edit != nullptr ? w->index_of(edit) : -1;
    if (i < 0) return;
    w->selected = i + 1;
    w->take_edit_focus(edit);
}

}  // namespace

bool valid_file_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strstr(name, "..") != nullptr) return false;
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c == 127 || c == '\\' || c == '/') return false;
    }
    return true;
}

int open_message_box(gui_window* root, gui_window* owner, const char* caption,
                     const char* message, int type, int kind, const char* initial) {
    message_box_state& s = g_message_box;
    format_text(s.title, "%s - %s", g_app != nullptr ? g_app->title : "", caption ? caption : "");
    copy_text(s.message, message);
    copy_text(s.answer, initial);
    s.owner = owner;
    s.type = type;
    s.kind = kind;
    s.result = 0;
    ui_play_sound_slot(0, 0);
    const int result = root->open_dialog(message_box_dialog, dialog_placement::own_box);
    if (type == message_box_type::name_input) focus_name_field(root);
    return result;
}

float question_box_growth() {
    return std::max(1.0f, std::min(gui_scale[0], gui_scale[1]) / k_laid_out_scale);
}

int message_box_dialog(gui_window* w, int event) {
    switch (event) {
        case gui_event::build:
        case gui_event::reactivate: build(w); break;
        case gui_event::click:
            if (g_message_box.owner != nullptr) on_click(w);
            break;
        case gui_event::enter:
            if (g_message_box.owner != nullptr && accept(w)) answer(w);
            break;
        case gui_event::child_committed:
            if (g_message_box.type == message_box_type::object_choice) preview_choice(w);
            break;
        default: break;
    }
    return 0;
}
