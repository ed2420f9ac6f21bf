#include "ui/tips_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "platform/text.h"
#include "shell/speech.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/screens.h"

namespace {

constexpr const char* k_manual = "help\\index.htm";
constexpr int k_topics = 7;
constexpr const char* k_topic_names[k_topics] = {
    "main", "missile", "motor", "aero", "warhead", "fuse", "guidance",
};
// A drag that has moved the text this far since the last click sounds another click.
constexpr float k_click_step = 0.08f;
constexpr float k_max_scroll = 2.0f;

// The topic shown, kept between openings.
char g_topic[16] = "main";
// The pointer's y at the last press or drag step, and the offset at the last click sound.
float g_pointer_y = 0.0f;
float g_click_offset = 0.0f;

enum { k_text, k_picture, k_next, k_read_aloud, k_show_on_start, k_open_manual };

void stop_speaking() {
    if (g_speech != nullptr) g_speech->stop_speaking();
}

gui_rect* add_button(gui_window* w, float x1, float y1, float x2, float y2, const char* text) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::button);
    r->set_text(text);
    r->medium_font = 1;
    r->fit_text = 1;  // narrow in a small window: a smaller font rather than a cut caption
    return r;
}

// The next tip of the topic; with none the current one stays.
void show_next_tip(gui_window* w) {
    char pattern[160];
    format_text(pattern, "help\\%s\\*.txt", g_topic);
    if (!pick_file_in_rotation(pattern, sizeof pattern)) return;
    char path[320];
    format_text(path, "help\\%s\\%s", g_topic, pattern);
    auto& p = w->private_rects;
    p[k_text]->load_text_file(path, false);
    if (char* dot = std::strchr(pattern, '.')) *dot = '\0';
    w->set_title(pattern);
    char picture[320];
    format_text(picture, "help\\%s\\%s.jpg", g_topic, pattern);
    reload_texture_file(picture, &p[k_picture]->image_texture);
}

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    const float h = gui_scale[1];
    const float m = std::min(gui_scale[0], gui_scale[1]);
    w->create(-0.75f * m, -0.65f * h, 0.75f * m, 0.65f * h + 0.08f, window_kind::resizable_window);
    auto& p = w->private_rects;
    p[k_text] = w->add_rect(-0.7f * m, -0.6f * h, 0.0f, 0.6f * h, rect_kind::text_area);
    p[k_text]->text_colour = {255, 255, 255, 255};
    p[k_text]->pressed_text = {255, 255, 255};
    p[k_text]->bold = 1;
    p[k_text]->wrapped = 1;
    p[k_text]->filled = 0;
    p[k_text]->framed = 0;
    p[k_picture] = w->add_rect(0.05f * m, -0.1f * h, 0.7f * m, 0.6f * h, rect_kind::image);
    p[k_picture]->point_sampled = 1;
    show_next_tip(w);
    p[k_next] = add_button(w, 0.5f * m, -0.6f * h, 0.7f * m, -0.52f * h, "Next Tip >>");
    p[k_read_aloud] = w->add_rect(0.4f * m, -0.6f * h, 0.48f * m, -0.52f * h, rect_kind::button);
    ui_load_resource_texture(IDB_READ_ALOUD, &p[k_read_aloud]->image_texture, true);
    p[k_show_on_start] = w->add_rect(0.05f * m, -0.6f * h, 0.35f * m, 0.1f - 0.6f * h,
                                     rect_kind::check_box);
    p[k_show_on_start]->set_text("Show Tips On Start");
    p[k_show_on_start]->ticked = g_app->use_tips;
    w->add_rect(0.05f * m, -0.2f * h, 0.7f * m, -0.1f * h, rect_kind::label)
        ->set_text("To scroll the text drag it with your mouse");
    gui_rect* advice = w->add_rect(0.05f * m, -0.45f * h, 0.7f * m, -0.25f * h, rect_kind::label);
    advice->large_font = 1;
    advice->wrapped = 1;
    advice->set_text(
        "It is very important that you read the user manual, press below to open the manual");
    p[k_open_manual] = add_button(w, 0.5f * m, -0.48f * h, 0.7f * m, -0.4f * h, "Open Manual");
    for (int i = 0; i < k_topics; ++i) {
        const float x = 0.2f * m * static_cast<float>(i);
        w->add_rect(-0.7f * m + x, -0.71f * h, -0.52f * m + x, -0.65f * h, rect_kind::tab_button)
            ->set_text(k_topic_names[i]);
    }
}

void on_click(gui_window* w) {
    gui_rect* pressed = w->pressed_rect();
    if (pressed == nullptr) return;
    auto& p = w->private_rects;
    if (pressed == p[k_show_on_start]) {
        g_app->use_tips = p[k_show_on_start]->ticked;
        return;
    }
    if (pressed == p[k_read_aloud]) {
        stop_speaking();
        if (g_speech != nullptr) g_speech->speak(p[k_text]->text.get());
    } else if (pressed == p[k_open_manual]) {
        stop_speaking();
        ui_open_document(k_manual);
    } else if (pressed == p[k_next]) {
        stop_speaking();
        ui_play_sound_slot(0, 0);
        w->send(k_tips_next_event);
    } else if (pressed->kind == rect_kind::tab_button && pressed->text) {
        stop_speaking();
        ui_play_sound_slot(0, 0);
        copy_text(g_topic, pressed->text.get());
        w->send(k_tips_next_event);
    }
}

void on_press(gui_window* w) {
    if (w->pressed_rect() == w->private_rects[k_text]) g_pointer_y = gui_pointer.y;
}

void on_drag(gui_window* w) {
    gui_rect* text = w->private_rects[k_text];
    if (w->pressed_rect() != text) return;
    if (std::fabs(text->offset_y - g_click_offset) > k_click_step) {
        ui_play_sound_slot(0, 0);
        g_click_offset = text->offset_y;
    }
    text->offset_y = tips_scroll_offset(text->offset_y, gui_pointer.y - g_pointer_y, gui_scale[1]);
    g_pointer_y = gui_pointer.y;
}

}  // namespace

float tips_scroll_offset(float offset, float dy, float h) {
    return std::clamp(offset + dy * h, 0.0f, k_max_scroll);
}

int tips_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: on_press(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::drag: on_drag(w); break;
        case gui_event::close: stop_speaking(); break;
        case k_tips_next_event: show_next_tip(w); break;
        default: break;
    }
    return 0;
}
