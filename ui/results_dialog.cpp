// The end of a scenario: the run counters, the score, a mark sound and the score spoken.
// Closing it leaves the run, once per showing however many close events arrive (the Close
// button and the window's destruction each send one).
#include <cmath>
#include <string>

#include "core/app_state.h"
#include "platform/text.h"
#include "shell/speech.h"
#include "ui/gui_hooks.h"
#include "ui/run_screens.h"
#include "ui/screens.h"

namespace {

enum : int { k_close };
// private_state word: whether this showing has already left the run.
enum : int { k_left };

int counter(int app_state::*field) { return g_state != nullptr ? g_state->*field : 0; }

void add_label(gui_window* w, float y1, const std::string& text) {
    gui_rect* r = w->add_rect(-0.55f, y1, 0.55f, y1 + 0.2f, rect_kind::label);
    r->set_text(text.c_str());
    r->large_font = 1;
}

void build(gui_window* w) {
    w->create(-0.6f, -0.8f, 0.6f, 0.88f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Scenario Results");
    const int fired = counter(&app_state::rockets_fired);
    const int hits = counter(&app_state::hits);
    const int debris = counter(&app_state::debris_hits);
    const int score = results_score_percent(fired, hits, debris);
    add_label(w, 0.55f, format_string("Rockets Fired - %d", fired));
    add_label(w, 0.37f, format_string("Missiles Fired - %d", counter(&app_state::missiles_fired)));
    add_label(w, 0.19f, format_string("Rockets Intercepted - %d", counter(&app_state::intercepts)));
    add_label(w, 0.01f, format_string("Rockets Hit Your Area - %d", hits));
    add_label(w, -0.17f, format_string("Debris Hit Your Area - %d", debris));
    add_label(w, -0.35f, format_string("Your Score is - %d %%", score));
    gui_rect* close = w->add_rect(-0.35f, -0.71f, 0.35f, -0.51f, rect_kind::button);
    close->set_text("Close");
    close->medium_font = 1;
    w->private_rects[k_close] = close;
    w->private_state[k_left].i = 0;
    ui_play_sound_slot(2, 0);
    if (g_speech != nullptr) {
        g_speech->speak(format_string("Scenario has ended, your score is %d %%", score).c_str());
    }
}

void leave_once(gui_window* w) {
    if (w->private_state[k_left].i != 0) return;
    w->private_state[k_left].i = 1;
    ui_leave_scene();
}

}  // namespace

int results_score_percent(int fired, int hits, int debris) {
    if (fired <= 0) return 0;
    const float f = static_cast<float>(fired);
    const float score = 1.0f - 0.75f * static_cast<float>(hits) / f - 0.25f * static_cast<float>(debris) / f;
    return static_cast<int>(std::trunc(score * 100.0f));
}

int results_dialog(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click:
            if (w->pressed_rect() != nullptr && w->pressed_rect() == w->private_rects[k_close]) {
                ui_play_sound_slot(0, 0);
                w->close();
            }
            break;
        case gui_event::reactivate: w->private_state[k_left].i = 0; break;
        case gui_event::close: leave_once(w); break;
        default: break;
    }
    return 0;
}
