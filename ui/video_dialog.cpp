// The video page. Changes reach the device through the pending commands: 4 fits the window,
// 3 applies the window mode and resets the device (the depth buffer's format with it), 13
// rebuilds the screen in a new colour scheme and reopens this page.
#include "ui/video_dialog.h"

#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/screens.h"
#include "ui/settings_tabs.h"

const char* const k_colour_scheme_names[k_colour_schemes] = {
    "Air Force", "Navy Blue", "Army Green", "Army Brown", "Dark Blue", "Dark Green", "Dark Grey",
};

namespace {

enum { k_depth_box, k_window_box, k_cancel, k_accept };
enum { k_mode_list, k_scheme_list };

// What the page was built with: the mode list and which of its modes is the display's,
// and the window and depth choices as they were.
struct video_page_state {
    std::vector<display_mode> modes;
    int current = -1;
    bool windowed = false;
    bool depth = false;
};
video_page_state g_page;

int bits_of(std::uint32_t format) {
    return format == FMT_R8G8B8 || format == FMT_A8R8G8B8 || format == FMT_X8R8G8B8 ? 32 : 16;
}

display_mode display_now() {
    return g_app->d3d ? g_app->d3d->adapter_display_mode() : g_app->mode;
}

gui_rect* add_check_box(gui_window* w, float y1, const char* text, bool ticked) {
    gui_rect* r = w->add_rect(-0.5f, y1, 0.5f, y1 + 0.1f, rect_kind::check_box);
    r->set_text(text);
    r->ticked = ticked ? 1 : 0;
    return r;
}

void fill_modes(gui_window* list) {
    g_page.modes = video_mode_list(ui_display_modes());
    g_page.current = video_mode_index(g_page.modes, display_now());
    for (const display_mode& m : g_page.modes) {
        char item[64];
        format_text(item, "%d x %d x %d x %d hz", static_cast<int>(m.width),
                    static_cast<int>(m.height), bits_of(m.format), static_cast<int>(m.refresh_rate));
        list->list_add_item(item);
    }
    list->list_select(g_page.current);
}

void build(gui_window* w) {
    w->create(-0.8f, -1.0f, 0.8f, 1.08f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Video properties");
    w->add_rect(-0.5f, 0.8f, 0.5f, 0.88f, rect_kind::caption)->set_text("Full Screen Modes");
    gui_window* modes = w->add_window();
    modes->create(-0.5f, 0.25f, 0.5f, 0.8f, window_kind::list_box);
    auto& r = w->private_rects;
    r[k_depth_box] = add_check_box(w, -0.45f, "Use 24 bit depth buffer", g_app->stencil_wanted);
    r[k_window_box] = add_check_box(w, -0.6f, "Render Inside window", g_app->windowed);
    r[k_cancel] = w->add_rect(0.1f, -0.82f, 0.6f, -0.7f, rect_kind::button);
    r[k_cancel]->set_text("Cancel");
    r[k_accept] = w->add_rect(-0.5f, -0.82f, 0.0f, -0.7f, rect_kind::button);
    r[k_accept]->set_text("Accept");
    w->add_rect(-0.5f, 0.1f, 0.5f, 0.18f, rect_kind::caption)->set_text("Color Scheme");
    gui_window* schemes = w->add_window();
    schemes->create(-0.5f, -0.3f, 0.5f, 0.1f, window_kind::list_box);
    for (const char* name : k_colour_scheme_names) schemes->list_add_item(name);
    schemes->list_select(current_colour_scheme());
    add_settings_tabs(w, -1.1f, -1.0f);
    fill_modes(modes);
    g_page.windowed = g_app->windowed != 0;
    g_page.depth = g_app->stencil_wanted != 0;
}

void accept(gui_window* w) {
    w->visible = 0;
    const bool depth = w->private_rects[k_depth_box]->ticked != 0;
    const bool windowed = w->private_rects[k_window_box]->ticked != 0;
    g_app->stencil_wanted = depth ? 1 : 0;
    g_app->windowed = windowed ? 1 : 0;
    const int k = w->child(k_mode_list)->list_selected_index();
    // The choice comes from the list as built; with none the stored mode stays.
    if (k >= 0 && k < static_cast<int>(g_page.modes.size())) {
        g_app->mode = g_page.modes[static_cast<std::size_t>(k)];
    }
    const bool same_depth = depth == g_page.depth;
    if (windowed && g_page.windowed && same_depth) {
        pending_command = 4;
    } else if (windowed == g_page.windowed && same_depth && (k < 0 || k == g_page.current)) {
        // Nothing changed.
    } else {
        pending_command = 3;
    }
}

void on_click(gui_window* w) {
    if (settings_tab_clicked(w)) return;
    const gui_rect* pressed = w->pressed_rect();
    auto& r = w->private_rects;
    if (pressed == nullptr || (pressed != r[k_cancel] && pressed != r[k_accept])) return;
    ui_play_sound_slot(0, 0);
    if (pressed == r[k_cancel]) {
        w->visible = 0;
    } else {
        accept(w);
    }
}

void on_scheme_chosen(gui_window* w) {
    const gui_window* list = w->current_child();
    if (list == nullptr || list != w->child(k_scheme_list)) return;
    const int k = list->list_selected_index();
    if (k < 0 || k >= k_colour_schemes || k == g_app->color_scheme) return;
    ui_play_sound_slot(0, 0);
    g_app->color_scheme = k;
    pending_command = 13;
}

}  // namespace

std::vector<display_mode> video_mode_list(const std::vector<display_mode>& modes) {
    std::vector<display_mode> list;
    for (std::uint32_t format : {FMT_R5G6B5, FMT_X8R8G8B8}) {
        for (const display_mode& m : modes) {
            if (m.format == format) list.push_back(m);
        }
    }
    return list;
}

int video_mode_index(const std::vector<display_mode>& list, const display_mode& current) {
    int found = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const display_mode& m = list[i];
        if (m.width == current.width && m.height == current.height &&
            m.format == current.format && m.refresh_rate == current.refresh_rate) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

int video_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::child_committed: on_scheme_chosen(w); break;
        default: break;
    }
    return 0;
}
