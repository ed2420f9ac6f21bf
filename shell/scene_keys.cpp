// The scene's input handler: every window message reaches the GUI and the mouse; in a run the
// camera steers from the keyboard, window activation takes and gives back the controllers,
// and single keys open the views, toggle options, change the simulation rate and move the
// camera between the systems, missiles and targets.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/scene_services.h"
#include "core/sound_system.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"

namespace {

// Event sounds of the keys.
constexpr int k_click_slot = 0;
constexpr int k_beep_slot = 1;
constexpr int k_mark_slot = 2;
// Without Shift the rate steps by one up to 10, by a tenth above it, and stays in 1..1024.
constexpr float k_whole_steps_up_to = 10.0f;
constexpr float k_max_rate = 1024.0f;
constexpr float k_rate_factor = 1.1f;
constexpr float k_rate_divisor = 0.9f;
// F5 looks at a system from 50 m above its launcher, F8 from 250 m.
constexpr float k_near_system_view = 50.0f;
constexpr float k_far_system_view = 250.0f;

}  // namespace

void scene::on_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    gui_link().on_key(window, message, wparam, lparam);
    pointer.handle_message(window, message, wparam, lparam);
    if (g_app->menu_mode) return;
    // While a GUI text field takes the typing, letters and camera keys are its own.
    const bool typing = g_state->gui_focus[0] != 0 || g_state->gui_focus[1] != 0;
    if (!typing) viewer.handle_input(message, wparam, lparam);
    // Losing the focus only stops reading the controllers: they stay open with their
    // assignments (the settings file keeps them at exit), and reading resumes on return.
    if (message == WM_ACTIVATE) {
        if (g_joystick != nullptr) g_joystick->acquire(wparam != 0);
        return;
    }
    if (message != WM_KEYDOWN) return;
    const int key = static_cast<int>(wparam);
    if (key >= VK_F1 && key <= VK_F1 + 11) {
        on_function_key(key - VK_F1 + 1);
    } else if (!typing) {
        on_letter_key(key);
    }
}

void scene::on_letter_key(int key) {
    gui_services& gui = gui_link();
    const bool shift = services().key_held(VK_SHIFT);
    switch (key) {
    case 'F':
        proxie.play_sound_slot(k_click_slot, 0);
        g_state->status_mode = (g_state->status_mode + 1) % 3;
        break;
    case 'G':
        if (!g_state->test_mode) break;
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::flight_graph);
        gui.close_dialog(gui_dialog::radar_view);
        gui.close_dialog(gui_dialog::telescope_view);
        gui.close_dialog(gui_dialog::map_view);
        break;
    case 'K':
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::keys);
        gui.close_dialog(gui_dialog::about);
        break;
    case 'M':
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::map_view);
        gui.close_dialog(gui_dialog::flight_graph);
        gui.close_dialog(gui_dialog::radar_view);
        gui.close_dialog(gui_dialog::telescope_view);
        break;
    case 'O':
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::weather);
        break;
    case 'R':
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::radar_view);
        gui.close_dialog(gui_dialog::telescope_view);
        gui.close_dialog(gui_dialog::flight_graph);
        gui.close_dialog(gui_dialog::map_view);
        break;
    case 'S': toggle_sound(); break;
    case 'T':
        proxie.play_sound_slot(k_click_slot, 0);
        gui.toggle_dialog(gui_dialog::telescope_view);
        gui.close_dialog(gui_dialog::radar_view);
        gui.close_dialog(gui_dialog::flight_graph);
        gui.close_dialog(gui_dialog::map_view);
        break;
    case 'W':
        if (shift) {
            g_app->wireframe = g_app->wireframe ? 0 : 1;
            proxie.play_sound_slot(k_click_slot, 0);
        } else {
            proxie.play_sound_slot(k_click_slot, 0);
            gui.toggle_dialog(gui_dialog::weather);
        }
        break;
    default: break;
    }
}

void scene::toggle_sound() {
    proxie.play_sound_slot(k_click_slot, 0);
    if (g_sound == nullptr) return;
    g_sound->sound_on = (!g_sound->sound_on && g_sound->available) ? 1 : 0;
    if (!g_sound->sound_on) {
        g_state->set_message("Sound Disabled");
        stop_sounds();
        proxie.play_siren(2);
    } else {
        g_state->set_message("Sound Enabled");
        proxie.play_siren(1);
    }
    proxie.speak(g_state->message);
}

void scene::on_function_key(int number) {
    gui_services& gui = gui_link();
    const bool shift = services().key_held(VK_SHIFT);
    switch (number) {
    case 1:
        if (viewer.target != nullptr) {
            gui.close_dialog(gui_dialog::telescope_view);
            gui.close_dialog(gui_dialog::radar_view);
            // Chasing rides behind the target; tracking looks at it from where the camera is.
            viewer.free_look = viewer.free_look ? 0 : 1;
            g_state->set_message(viewer.free_look ? "Tracking Mode" : "Chasing Mode");
        }
        viewer.fov = viewer.normal_fov;
        proxie.play_sound_slot(k_beep_slot, 0);
        break;
    case 2:
        free_camera();
        proxie.play_sound_slot(k_beep_slot, 0);
        break;
    case 3:
    case 4: change_sim_rate(number == 4, shift); break;
    case 5: select_next_system(k_near_system_view); break;
    case 6: track_next_missile(); break;
    case 7: track_next_target(); break;
    case 8: select_next_system(k_far_system_view); break;
    case 9:
        proxie.play_sound_slot(k_click_slot, 0);
        g_app->auto_track = g_app->auto_track ? 0 : 1;
        viewer.auto_track = g_app->auto_track;
        g_state->set_message(g_app->auto_track ? "Auto Track ON" : "Auto Track OFF");
        proxie.speak(g_state->message);
        break;
    case 11:
        proxie.play_sound_slot(k_mark_slot, 0);
        drop_animal();
        break;
    default: break;
    }
}

void scene::change_sim_rate(bool faster, bool shift) {
    float& rate = g_state->sim_rate;
    if (shift) {
        // Fine steps, without bounds: the rate of a slowed-down look at an intercept.
        rate = faster ? rate * k_rate_factor : rate * k_rate_divisor;
        g_state->set_message("Sim rate x %4.2f", static_cast<double>(rate));
    } else {
        if (faster) {
            rate = rate <= k_whole_steps_up_to ? std::trunc(rate) + 1.0f : rate * k_rate_factor;
            rate = std::min(rate, k_max_rate);
        } else {
            rate = rate <= k_whole_steps_up_to ? std::max(1.0f, std::trunc(rate) - 1.0f)
                                               : std::max(1.0f, rate * k_rate_divisor);
        }
        g_state->set_message("Sim rate x %d", static_cast<int>(rate));
    }
    proxie.play_sound_slot(k_beep_slot, 0);
}
