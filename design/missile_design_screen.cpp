// The missile design screen, the hub of the design tools: the design missile and its system
// with their parts' names and masses, a button per part screen, fitting the airframe to the
// parts, saving and loading the system and missile under one name, and a static test flight
// plotted against time while the assembled missile shakes in the preview.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/hierarchy.h"
#include "core/preview_drawing.h"
#include "core/scene_services.h"
#include "design/design_area_clip.h"
#include "design/design_files.h"
#include "design/design_graph.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "design/static_test.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gfx_device.h"
#include "platform/math3d.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/part_view.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/message_box.h"

namespace design {

namespace {

// Private words of the window beyond the common ones.
enum : int {
    k_readout = slot::first_free,  // 12 readouts
    k_show_components = k_readout + 12,
    k_resize,
    k_graph_button,                // 4 buttons
    k_fire = k_graph_button + 4,
    k_explode,
    k_test_flight,
    k_part_button,                 // 7 buttons
    k_save_hint = k_part_button + 7,  // 8 rows, top to bottom
};

// Message-box requests.
enum : int { k_request_save = 1, k_request_load = 2 };

constexpr int k_readouts = 12;
constexpr int k_parts = 7;
constexpr int IDR_TEST_FLIGHT = 422;
constexpr int k_part_pictures[k_parts] = {426, 427, 428, 429, 423, 431, 432};
constexpr const char* k_part_captions[k_parts] = {"Rocket Motor", "Aerodynamics", "Warhead", "Fuse",
                                                  "Guidance",     "Launcher",     "Control Unit"};
// Rows of the Save hint: six over the preview, two beside the hints.
constexpr int k_hint_rows = 8;
constexpr int k_graph_buttons = 4;
constexpr const char* k_graph_captions[k_graph_buttons] = {"Velocity (m/s)", "Range (m)", "Mach (M)",
                                                           "Maneuver (g)"};

// The screen's state, kept while the program runs.
struct hub_state {
    view_state view;
    int channel = 1;
    bool show_components = true;
    static_test test;
    float shake = 0;
    std::uint32_t next_redraw = 0;
    design_graph graph;
};
hub_state s;

void stop_motor() {
    missile* m = design_missile();
    if (m == nullptr || m->motor == nullptr) return;
    m->motor->burn_out();
    m->motor->stop_flight_sound();
}

void set_fire_text(gui_window* w, const char* text) {
    gui_rect* r = rect_at(w, k_fire);
    if (r != nullptr) r->set_text(text);
}

void fill_readouts(gui_window* w, bool designed) {
    const missile* m = design_missile();
    const missile_system* sys = design_system();
    if (m == nullptr) return;
    const auto mass = [](float kg) { return static_cast<double>(kg); };
    std::string lines[k_readouts];
    lines[0] = format_string(designed ? "Missile Design - %s" : "Missile Name - %s", m->name);
    lines[1] = format_string("Configuration - %s", m->aero != nullptr ? m->aero->name : "");
    lines[2] = format_string("Rocket Motor - %s", m->motor != nullptr ? m->motor->name : "");
    lines[3] = format_string("Warhead - %s", m->warhead_part ? m->warhead_part->name : "");
    lines[4] = format_string("Guidance - %s", m->seeker_part ? m->seeker_part->name : "");
    lines[5] = format_string("Launcher - %s", sys != nullptr && sys->launch_unit ? sys->launch_unit->name : "");
    lines[6] = format_string("Control Unit - %s", sys != nullptr && sys->control ? sys->control->name : "");
    const float warhead_mass = m->warhead_part ? m->warhead_part->explosive_mass + m->warhead_part->case_mass : 0;
    lines[7] = format_string("Warhead Mass = %4.2f (kg)", mass(warhead_mass));
    lines[8] = format_string("Propellant Mass = %4.2f (kg)", mass(m->motor != nullptr ? m->motor->propellant_total : 0));
    lines[9] = format_string("Burnout Mass = %4.2f (kg)", mass(m->dry_mass));
    lines[10] = format_string("Total Mass = %4.2f (kg)", mass(m->launch_mass));
    lines[11] = format_string("Total Length = %4.2f (cm)", mass(m->aero != nullptr ? m->aero->body_length : 0));
    for (int i = 0; i < k_readouts; ++i) {
        gui_rect* r = rect_at(w, k_readout + i);
        if (r != nullptr) r->set_text(lines[i].c_str());
    }
}

// Where the Save hint's lines break: between the pieces of its sentences (the opening words, a
// part and the comma, "and" or full stop after it), never inside a part's name. The two lines
// the hint has always had stand while each holds at most k_row_chars, the longest line a row
// beside the hints shows whole at 640 x 480 (narrowed in the small font); a longer hint is
// broken into lines of at most k_line_chars, which read with little narrowing, or one piece
// where that piece is longer (a damaged control unit with a 39-character name takes 54).
constexpr std::size_t k_row_chars = 80;
constexpr std::size_t k_line_chars = 48;

// The opening words, then each item with what follows it: "a,", "b and", "c." when and_last,
// else "a,", "b,", "c.".
std::vector<std::string> sentence(const char* opening, const std::vector<std::string>& items, bool and_last) {
    std::vector<std::string> pieces{opening};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const char* after = i + 1 == items.size() ? "." : (and_last && i + 2 == items.size() ? " and" : ",");
        pieces.push_back(items[i] + after);
    }
    return pieces;
}

// The pieces [from, to) on one line.
std::string joined(const std::vector<std::string>& pieces, std::size_t from, std::size_t to) {
    std::string line;
    for (std::size_t i = from; i < to && i < pieces.size(); ++i) line += (line.empty() ? "" : " ") + pieces[i];
    return line;
}

// The pieces on lines of at most `width` characters, each piece whole.
std::vector<std::string> wrapped(const std::vector<std::string>& pieces, std::size_t width) {
    std::vector<std::string> lines;
    for (const std::string& piece : pieces) {
        if (!lines.empty() && lines.back().size() + 1 + piece.size() <= width) {
            lines.back() += " " + piece;
        } else {
            lines.push_back(piece);
        }
    }
    return lines;
}

// The Save hint's lines for the names of the parts written and the parts left ("motor New
// Motor"). Six parts of names of at most 39 characters take at most k_hint_rows lines: the
// opening of each sentence and one line per part.
std::vector<std::string> save_hint_lines(const std::vector<std::string>& written,
                                         const std::vector<std::string>& damaged) {
    const std::vector<std::string> writes =
        written.empty() ? std::vector<std::string>{"Save writes none of the parts."}
                        : sentence(damaged.empty() ? "Save also writes the parts" : "Save writes", written, true);
    const std::vector<std::string> leaves =
        damaged.empty() ? std::vector<std::string>{} : sentence("It leaves the damaged", damaged, false);
    // With every part written, the first line names two of them; with a damaged part, it names
    // every part written and the second line the parts left.
    const std::size_t first = damaged.empty() ? 3 : writes.size();
    std::vector<std::string> lines = {joined(writes, 0, first), damaged.empty() ? joined(writes, first, writes.size())
                                                                                : joined(leaves, 0, leaves.size())};
    if (lines[0].size() <= k_row_chars && lines[1].size() <= k_row_chars) return lines;
    lines = wrapped(writes, k_line_chars);
    for (std::string& line : wrapped(leaves, k_line_chars)) lines.push_back(std::move(line));
    return lines;
}

// Saving a missile writes its part files under the parts' own names, over any of that name:
// the hint says which, and which parts it leaves. Its n lines take the last n rows.
void show_saved_parts(gui_window* w) {
    const missile* m = design_missile();
    const missile_system* sys = design_system();
    gui_rect* rows[k_hint_rows];
    for (int i = 0; i < k_hint_rows; ++i) {
        rows[i] = rect_at(w, k_save_hint + i);
        if (rows[i] == nullptr) return;
    }
    if (m == nullptr || sys == nullptr || m->aero == nullptr || m->motor == nullptr || !m->warhead_part ||
        !m->seeker_part) {
        return;
    }
    // A part whose file could not be read whole keeps its place in the design but is not
    // written: the hint names it apart.
    std::vector<std::string> written;
    std::vector<std::string> damaged;
    const auto place = [&](const char* kind, const char* name, part_file file) {
        if (file == part_file::taken) written.emplace_back(name);
        else damaged.push_back(std::string(kind) + " " + name);
    };
    place("configuration", m->aero->name, m->aero->file);
    place("motor", m->motor->name, m->motor->file);
    place("warhead", m->warhead_part->name, m->warhead_part->file);
    place("guidance", m->seeker_part->name, m->seeker_part->file);
    place("launcher", sys->launch_unit->name, sys->launch_unit->file);
    place("control unit", sys->control->name, sys->control->file);
    const std::vector<std::string> lines = save_hint_lines(written, damaged);
    const std::size_t unused = k_hint_rows - std::min<std::size_t>(k_hint_rows, lines.size());
    for (std::size_t i = 0; i < k_hint_rows; ++i) {
        rows[i]->set_text(i < unused ? "" : lines[i - unused].c_str());
    }
}

void set_show_components(gui_window* w, bool show) {
    s.show_components = show;
    gui_rect* box = rect_at(w, k_show_components);
    if (box != nullptr) box->ticked = show ? 1 : 0;
}

// The plot is laid out again only when its samples or its channel change, and while a test
// flies at most every 200 ms: not at every draw.
void clear_graph() {
    s.graph.rows.clear();
    s.test = static_test{};
    plot_design_graph(s.graph, s.channel);
}

void build(gui_window* w) {
    const units u = build_common(w, "rocket", false);
    gui_rect* body = rect_at(w, slot::body);
    if (body != nullptr) body->fill = {255, 255, 255, 255};

    add_picture_button(w, u, 0.5f, -0.98f, 0.78f, -0.82f, IDR_TEST_FLIGHT, "Test Flight");
    remember_rect(w, k_test_flight, w->last_rect());
    for (int i = 0; i < k_parts; ++i) {
        const float top = 0.96f - 0.18f * static_cast<float>(i);
        remember_rect(w, k_part_button + i,
                      add_picture_button(w, u, 0.7f, top - 0.16f, 0.98f, top, k_part_pictures[i],
                                         k_part_captions[i]));
    }

    add_panel(w, u, -0.96f, -0.12f, -0.55f, 0.95f);
    for (int i = 0; i < k_readouts; ++i) {
        const float y = 0.85f - 0.07f * static_cast<float>(i);
        gui_rect* r = add_label(w, u, -0.94f, y, -0.57f, y + 0.05f, "");
        if (i == 0) r->framed = 1;
        remember_rect(w, k_readout + i, r);
    }
    gui_rect* check = add_box(w, u, -0.94f, -0.0075f, -0.57f, 0.0425f, rect_kind::check_box);
    check->medium_font = 1;
    check->fit_text = 1;
    check->set_text("Show components inside");
    remember_rect(w, k_show_components, check);
    remember_rect(w, k_resize, add_button(w, u, -0.94f, -0.095f, -0.57f, -0.0275f, "Resize Shape"));

    add_panel(w, u, 0.32f, 0.44f, 0.65f, 0.95f);
    add_label(w, u, 0.35f, 0.84f, 0.62f, 0.92f, "Press To Select Graph");
    for (int i = 0; i < k_graph_buttons; ++i) {
        const float top = 0.845f - 0.1f * static_cast<float>(i);
        remember_rect(w, k_graph_button + i,
                      add_button(w, u, 0.35f, top - 0.08f, 0.62f, top, k_graph_captions[i]));
    }

    add_panel(w, u, 0.08f, 0.64f, 0.3f, 0.95f);
    add_label(w, u, 0.1f, 0.84f, 0.28f, 0.92f, "Static Test");
    remember_rect(w, k_fire, add_button(w, u, 0.1f, 0.76f, 0.28f, 0.84f, "Fire"));
    remember_rect(w, k_explode, add_button(w, u, 0.1f, 0.66f, 0.28f, 0.74f, "Explode"));

    // The Save hint's rows, drawn over the preview: the last two beside the hints (a row above
    // them would run into the graph's labels), where the launcher stands; the six above those
    // right of the graph, over the misfit notice's row and the Test Flight button and left of
    // Save and Load.
    for (int i = 0; i < k_hint_rows; ++i) {
        const bool beside = i >= k_hint_rows - 2;
        const float y = beside ? -0.92f - 0.06f * static_cast<float>(i - (k_hint_rows - 2))
                               : -0.8f + 0.06f * static_cast<float>(k_hint_rows - 3 - i);
        gui_rect* hint = beside ? add_label(w, u, -0.18f, y, 0.48f, y + 0.06f, "")
                                : add_label(w, u, 0.02f, y, 0.78f, y + 0.06f, "");
        hint->bold = 1;
        hint->over_custom = 1;
        remember_rect(w, k_save_hint + i, hint);
    }
    fill_readouts(w, false);
    show_saved_parts(w);
    s.view.yaw = 0.65f;
    s.view.pitch = -0.35f;
    s.view.zoom = 1.0f;
    s.channel = 1;
    const missile* m = design_missile();
    set_show_components(w, m == nullptr || m->fits != 0);
    s.graph.titles = {"Time (sec)", "Velocity (m/s)", "Range (m)", "Mach", "Maneuver (g)", "", "", ""};
    clear_graph();
    w->wants_draw = 1;
    w->wants_tick = 1;
    panels_over_preview(w);
}

void show(gui_window* w) {
    const missile_system* sys = design_system();
    if (sys == nullptr || !sys->control) return;
    fill_readouts(w, true);
    show_saved_parts(w);
    const missile* m = design_missile();
    set_show_components(w, m != nullptr && m->fits != 0);
    clear_graph();
}

// The explosion's bursts hang under the warhead, which updates and removes them; the warhead
// has no other children. Only the newest explosion burns.
void remove_explosion(missile* m) {
    if (m != nullptr && m->warhead_part) m->warhead_part->clear_children();
}

// Preview centimetres per unit of the explosion's bursts, whose speeds and sprite sizes are
// metres. At 100 (true size) the burst, seen from a few metres, throws its smoke across the
// whole window within a second and hides every panel; at 5 it is a twentieth of its size and
// stays about the missile, laid along the warhead's length all the same.
constexpr float k_burst_scale = 5.0f;

void explode(missile* m) {
    ui_play_sound_slot(7, 1);
    remove_explosion(m);
    warhead* h = m->warhead_part.get();
    if (h == nullptr) return;
    const float size = 0.2f * std::sqrt(std::max(0.0f, h->explosive_mass + h->case_mass));
    spawn_missile_explosion(h->LN / k_burst_scale, h->taper, h, size, false);
}

void explode_now(gui_window* w) {
    missile* m = design_missile();
    if (m == nullptr || m->motor == nullptr) return;
    explode(m);
    rocket_motor* motor = m->motor;
    motor->burn_out();
    motor->reset();
    set_fire_text(w, "Fire");
    for (int i = 0; i < motor_max_charges; ++i) motor->build_charge(i);
    motor->stop_flight_sound();
}

void fire(gui_window* w) {
    missile* m = design_missile();
    if (m == nullptr || m->motor == nullptr || m->aero == nullptr) return;
    rocket_motor* motor = m->motor;
    if (motor->running) {
        if (motor->paused) {
            motor->resume();
        } else {
            motor->pause();
        }
    } else {
        clear_graph();
        motor->reset();
        motor->ignite();
        m->aero->compute_coefficients(0.0f);
    }
    motor->stop_flight_sound();
    ui_play_sound_slot(0, 0);
    (void)w;
}

void save_or_load(gui_window* w, bool save) {
    ui_play_sound_slot(0, 0);
    if (save) {
        w->message_box(w, "Save Missile Configuration", "Please input name of missile to save",
                       message_box_type::name_input, k_request_save,
                       design_missile() != nullptr ? design_missile()->name : "");
    } else {
        w->message_box(w, "Load Missile Configuration", "Please select missile to load",
                       message_box_type::file_choice, k_request_load, "missiles\\*.txt");
    }
}

void on_click(gui_window* w) {
    if (pressed_is(w, slot::close)) {
        stop_motor();
        ui_play_sound_slot(0, 0);
        pending_command = 2;
        return;
    }
    if (pressed_is(w, slot::save)) return save_or_load(w, true);
    if (pressed_is(w, slot::load)) return save_or_load(w, false);
    for (int i = 0; i < k_parts; ++i) {
        if (!pressed_is(w, k_part_button + i)) continue;
        stop_motor();
        ui_play_sound_slot(0, 0);
        pending_command = 15 + i;
        return;
    }
    if (pressed_is(w, k_resize)) {
        ui_play_sound_slot(0, 0);
        missile* m = design_missile();
        if (m == nullptr) return;
        m->fit_airframe();
        set_show_components(w, m->fits != 0);
        w->send(design_event::show);
        return;
    }
    if (pressed_is(w, k_explode)) return explode_now(w);
    if (pressed_is(w, k_fire)) return fire(w);
    for (int i = 0; i < k_graph_buttons; ++i) {
        if (!pressed_is(w, k_graph_button + i)) continue;
        ui_play_sound_slot(0, 0);
        s.channel = i + 1;
        plot_design_graph(s.graph, s.channel);
        return;
    }
    if (pressed_is(w, k_test_flight)) {
        stop_motor();
        ui_play_sound_slot(0, 0);
        pending_command = 22;
        return;
    }
    const gui_rect* check = rect_at(w, k_show_components);
    if (check != nullptr) s.show_components = check->ticked != 0;
}

// Saves the system, then the missile, under the typed name: eight files, each written to a
// temporary file first and all put in place only when every one is complete, so a full disk
// or a file-size limit leaves the design that was saved before whole. A failed save keeps the
// old names and says why.
void save_design(gui_window* w, const char* name) {
    missile* m = design_missile();
    missile_system* sys = design_system();
    if (m == nullptr || sys == nullptr || !check_design_name(w, name)) return;
    char old_missile[design_name_size];
    char old_system[design_name_size];
    copy_text(old_missile, m->name);
    copy_text(old_system, sys->name);
    std::string why;
    if (!save_as_one([&] { return sys->save(name) && m->save(name); }, &why)) {
        copy_text(m->name, old_missile);
        copy_text(sys->name, old_system);
        notify_failure(w, "save", name, why.c_str());
    }
    fill_readouts(w, true);
    show_saved_parts(w);
}

// Whether a design file that was read can be loaded; otherwise a notice names the file and
// why not (damage: why a file that was read cannot be taken whole).
bool usable_design_file(gui_window* w, const char* folder, const char* name, bool read, const std::string& damage) {
    if (read && damage.empty()) return true;
    const std::string file = format_string("%s\\%s.txt", folder, name);
    std::string why;
    if (read) why = damage;
    else if (fs_is_file(file.c_str())) why = "it cannot be read";
    notify_failure(w, "load", file.c_str(), why.c_str());
    return false;
}

// Reads the system file and the missile file first and loads their parts only when both were
// read and name their parts: either both change or neither does. A part whose own file cannot
// be read whole stays as it was, named in a notice.
void load_design(gui_window* w, const char* name) {
    missile* m = design_missile();
    missile_system* sys = design_system();
    if (m == nullptr || sys == nullptr || !is_valid_design_name(name)) return;
    system_file system_parts = sys->part_names();
    missile_file missile_parts = m->part_names();
    const bool system_read = system_parts.read(name);
    if (!usable_design_file(w, "systems", name, system_read, system_parts.damage)) return;
    const bool missile_read = missile_parts.read(name);
    if (!usable_design_file(w, "missiles", name, missile_read, missile_parts.damage)) return;
    load_checked(w, [&] {
        sys->load_parts(system_parts, name);
        m->load_parts(missile_parts, name);
    });
    fill_readouts(w, true);
    w->send(design_event::show);
}

void on_answer(gui_window* w) {
    if (g_message_box.owner != w || g_message_box.result != 1) return;
    if (g_message_box.kind == k_request_save) {
        ui_play_sound_slot(0, 0);
        save_design(w, g_message_box.answer);
    } else if (g_message_box.kind == k_request_load) {
        ui_play_sound_slot(0, 0);
        load_design(w, g_message_box.answer);
    }
}

void static_test_tick(gui_window* w, missile* m) {
    if (m->motor == nullptr || m->aero == nullptr) return;
    rocket_motor* motor = m->motor;
    const float dt = frame_time();
    if (motor->paused) {
        set_fire_text(w, "Resume");
    } else if (motor->running) {
        motor->burn_step(std::min(dt, 0.01f));
        set_fire_text(w, "Pause");
        if (motor->burnt_out) {
            motor->reset();
            set_fire_text(w, "Fire");
            motor->start_flight_sound();
        }
    }
    if (!(motor->flight_sound || (motor->running && !motor->paused))) {
        // The samples since the last redraw, once the flight stops or pauses.
        if (s.test.flying) plot_design_graph(s.graph, s.channel);
        s.test.flying = false;
        return;
    }
    flight_inputs in;
    float trim = 0;
    m->aero->get_coefficients(s.test.v / 340.0f, motor->running != 0, in.drag_coefficient, in.cn_alpha, trim);
    in.thrust = motor->thrust;
    in.reference_area = m->aero->reference_area;
    in.dry_mass = m->dry_mass;
    in.propellant = motor->propellant_remaining / 1000.0f;
    const flight_sample p = static_test_step(s.test, in, dt);
    if (s.test.calls % 10 == 1) s.graph.rows.push_back({p.t, p.v, p.x, p.mach, p.g, 0, 0, 0});
    const std::uint32_t now = tick_count();
    if (now > s.next_redraw) {
        plot_design_graph(s.graph, s.channel);
        s.next_redraw = now + 200;
    }
    if (motor->burnt_out && p.g < 4.0f) {
        motor->stop_flight_sound();
        explode(m);
    }
}

// The static test, then the warhead's update, which moves the explosion on and takes it away
// when it has burnt out.
void on_tick(gui_window* w) {
    missile* m = design_missile();
    if (m == nullptr) return;
    static_test_tick(w, m);
    if (m->warhead_part) m->warhead_part->update();
}

// --- The assembled preview ---
// The missile is drawn from its parts' own design views in centimetres, nose toward -z, in
// front of the eye through the parts' 0.5 rad perspective.

// Motor, warhead, guidance section, fuze section and seeker head.
constexpr int k_assembled_parts = 5;

// Where the parts stand: their distances along the axis from the airframe's centre (cm) and
// the side offset of them all, none inside the airframe and a fifth of its length below it
// when they are shown beside it.
struct assembled_parts {
    float side = 0;
    float along[k_assembled_parts] = {};
};

assembled_parts place_parts(const missile& m, bool inside) {
    const float length = m.aero->body_length;
    const float motor = m.motor != nullptr ? m.motor->overall_length : 0.0f;
    const float warhead_length = m.warhead_part ? m.warhead_part->LN : 0.0f;
    const float seeker = m.warhead_part ? m.warhead_part->seeker_diameter : 0.0f;
    assembled_parts at;
    at.side = inside ? 0.0f : -0.2f * length;
    at.along[0] = 0.5f * length - 0.5f * motor;  // the motor's nozzle at the tail
    at.along[1] = at.along[0] - 0.5f * motor - 0.5f * warhead_length;
    at.along[2] = at.along[1] - 0.45f * seeker - 0.5f * warhead_length;
    at.along[3] = at.along[2] - 0.8f * seeker;
    at.along[4] = at.along[3] - 1.2f * seeker;
    return at;
}

constexpr float k_fov = 0.5f;
constexpr float k_near = 1.0f;
constexpr float k_far = 5000.0f;

struct part_label {
    const char* text;
    std::uint32_t colour;
};
constexpr part_label k_labels[k_assembled_parts] = {{"Motor", 0xFFFFFFFFu},
                                                    {"Warhead", 0xFFFFCC00u},
                                                    {"Guidance", 0xFFFFFFFFu},
                                                    {"Fuze", 0xFF00FF00u},
                                                    {"Seeker", 0xFF00FFFFu}};

// The parts drawn where the assembly puts them, in the preview's drawing state (the GUI gets
// its own state back on the way out).
class assembled_view {
public:
    assembled_view() {
        if (g_state != nullptr) g_state->assembled_view = 1;
    }
    ~assembled_view() {
        if (g_state != nullptr) g_state->assembled_view = 0;
    }
    assembled_view(const assembled_view&) = delete;
    assembled_view& operator=(const assembled_view&) = delete;

private:
    const preview_drawing drawing_;
};

mat4 part_world(const mat4& a, float side, float along) { return mat_translation(0.0f, side, along) * a; }

// --- The explosion in the preview ---
// Its bursts hang under the warhead in burst units (see k_burst_scale): they are put on the
// warhead's place with its position in those units and seen through a view that scales them
// back to the preview's centimetres.

// While the bursts draw, the preview's eye (at the origin, looking along z through the parts'
// perspective) stands in for the scene's camera, so that their sprites face it, and every
// burst counts as in view.
class preview_eye {
public:
    preview_eye()
        : camera_world_(g_state->camera_world),
          camera_fov_(g_state->camera_fov),
          camera_aux_(g_state->camera_aux),
          show_all_(g_app->show_all) {
        g_state->camera_world = &eye_world_;
        g_state->camera_fov = &eye_fov_;
        g_state->camera_aux = eye_turns_;
        g_app->show_all = 1;
    }
    ~preview_eye() {
        g_state->camera_world = camera_world_;
        g_state->camera_fov = camera_fov_;
        g_state->camera_aux = camera_aux_;
        g_app->show_all = show_all_;
    }
    preview_eye(const preview_eye&) = delete;
    preview_eye& operator=(const preview_eye&) = delete;

private:
    const mat4* camera_world_;
    const float* camera_fov_;
    const mat4* camera_aux_;
    std::uint8_t show_all_;
    const mat4 eye_world_ = mat_identity();
    const float eye_fov_ = k_fov;
    const mat4 eye_turns_[4] = {mat_identity(), mat_identity(), mat_identity(), mat_identity()};
};

// The states the bursts change or read from the scene's defaults, put back when they are drawn:
// blended over the parts, unlit and without fog.
constexpr std::uint32_t k_burst_states[] = {RS_ALPHABLENDENABLE, RS_SRCBLEND,   RS_DESTBLEND, RS_LIGHTING,
                                            RS_FOGENABLE,        RS_FOGDENSITY, RS_FOGCOLOR,  RS_AMBIENT,
                                            RS_AMBIENTMATERIALSOURCE, RS_ZWRITEENABLE, RS_CULLMODE};
constexpr std::uint32_t k_burst_stage_states[] = {TSS_COLOROP, TSS_COLORARG1, TSS_COLORARG2,
                                                  TSS_ALPHAOP, TSS_ALPHAARG1, TSS_ALPHAARG2};
constexpr int k_burst_state_count = sizeof k_burst_states / sizeof k_burst_states[0];
constexpr int k_burst_stage_state_count = sizeof k_burst_stage_states / sizeof k_burst_stage_states[0];

class burst_states {
public:
    explicit burst_states(gfx_device* d) : d_(d), texture_(d->texture(0)), material_(d->material()) {
        for (int i = 0; i < k_burst_state_count; ++i) render_[i] = d->render_state(k_burst_states[i]);
        for (int i = 0; i < k_burst_stage_state_count; ++i) stage_[i] = d->texture_stage_state(0, k_burst_stage_states[i]);
        d->set_render_state(RS_ALPHABLENDENABLE, 1);
        d->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
        d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        d->set_render_state(RS_FOGENABLE, 0);
        // Texture times vertex colour, in colour and in alpha.
        d->set_texture_stage_state(0, TSS_COLOROP, TOP_MODULATE);
        d->set_texture_stage_state(0, TSS_COLORARG1, TA_TEXTURE);
        d->set_texture_stage_state(0, TSS_COLORARG2, TA_CURRENT);
        d->set_texture_stage_state(0, TSS_ALPHAOP, TOP_MODULATE);
        d->set_texture_stage_state(0, TSS_ALPHAARG1, TA_TEXTURE);
        d->set_texture_stage_state(0, TSS_ALPHAARG2, TA_CURRENT);
    }
    ~burst_states() {
        for (int i = 0; i < k_burst_state_count; ++i) d_->set_render_state(k_burst_states[i], render_[i]);
        for (int i = 0; i < k_burst_stage_state_count; ++i) {
            d_->set_texture_stage_state(0, k_burst_stage_states[i], stage_[i]);
        }
        d_->set_texture(0, texture_);
        d_->set_material(material_);
    }
    burst_states(const burst_states&) = delete;
    burst_states& operator=(const burst_states&) = delete;

private:
    gfx_device* d_;
    gfx_texture* texture_;
    gfx_material material_;
    std::uint32_t render_[k_burst_state_count] = {};
    std::uint32_t stage_[k_burst_stage_state_count] = {};
};

// The warhead's explosion, on the place the warhead was just drawn at.
void draw_explosion(warhead& h) {
    gfx_device* d = current_device();
    if (h.child_count() == 0 || d == nullptr || g_state == nullptr || g_app == nullptr) return;
    const mat4 place = h.world;
    set_row(h.world, 3, get_translation(place) / k_burst_scale);
    for (int i = 0; i < h.child_count(); ++i) {
        if (frame* c = h.child(i)) c->update_matrices();
    }
    {
        const part_view camera(d);
        device_set_view(mat_scaling(k_burst_scale, k_burst_scale, k_burst_scale));
        const burst_states states(d);
        const design_area_clip clip(d);
        const preview_eye eye;
        for (int i = 0; i < h.child_count(); ++i) {
            frame* c = h.child(i);
            if (c == nullptr) continue;
            d->set_render_state(RS_LIGHTING, 0);  // a fire burst turns it back on
            c->render();
        }
    }
    h.world = place;
}

void draw_parts(missile& m, const mat4& a, const assembled_parts& at) {
    if (m.motor != nullptr) {
        // The motor draws its casing as in the scene, in metres and turned half round: its
        // frame gets the inverse of that before the place in the preview.
        m.motor->world = mat_rotation_y(-k_pi) * mat_scaling(100.0f, 100.0f, 100.0f) *
                         part_world(a, at.side, at.along[0]);
        m.motor->draw(s.view.pitch, s.view.yaw, 0.0f, 0.0f, 0.0f, false);
    }
    warhead* h = m.warhead_part.get();
    if (h == nullptr) return;
    h->world = part_world(a, at.side, at.along[1]);
    h->draw(s.view.pitch, s.view.yaw, 0.0f, 0.0f, 0.0f, false);
    draw_explosion(*h);
    h->world = part_world(a, at.side, at.along[2]);
    h->draw_guidance_section(0.5f, 0.5f, 0.5f);
    h->world = part_world(a, at.side, at.along[3]);
    h->draw_guidance_section(0.25f, 0.5f, 0.0f);
    h->world = part_world(a, at.side, at.along[4]);
    h->draw_seeker_head(0.0f, 0.25f, 0.5f);
}

// Each part's name beside its place, where the parts' perspective shows it (divided by the
// transformed depth, as the scene's object labels are).
void draw_labels(const gui_window* w, const mat4& a, const assembled_parts& at) {
    gui_painter* p = current_painter();
    if (p == nullptr) return;
    const gfx_viewport v = device_viewport();
    const float aspect = v.height > 0 ? static_cast<float>(v.width) / static_cast<float>(v.height) : 1.0f;
    const mat4 to_screen = a * mat_perspective_fov_lh(k_fov, aspect, k_near, k_far);
    for (int i = 0; i < k_assembled_parts; ++i) {
        const vec3 point{0.0f, at.side, at.along[i]};
        const float z = transform_point_z(point, to_screen);
        if (z <= 0.0f) continue;
        const float x = transform_point_x(point, to_screen) * gui_scale[0] / z;
        const float y = transform_point_y(point, to_screen) * gui_scale[1] / z;
        p->draw_text(gui_font::regular, x, y, x + 0.2f, y + 0.1f, k_labels[i].text, 0, 0, 0, w->text_scale_x,
                     w->text_scale_y, k_labels[i].colour, false);
    }
}

// The notice under the preview when the parts do not fit the airframe: centred in
// (-0.5, -0.9)-(0.5, -0.8), in the large font when it fits there, else in the bold one, the
// box widened to the text when even that is wider (the font drops letters outside its box).
void draw_misfit_notice(const gui_window* w) {
    gui_painter* p = current_painter();
    if (p == nullptr) return;
    static constexpr char k_text[] = "Components do not fit, resize shape to fit.";
    const units u = layout_units();
    float half = 0.5f * u.m;
    int font = gui_font::large;
    float size[2] = {0, 0};
    if (gui_text_size(p, font, k_text, size) && size[0] > 2.0f * half) {
        font = gui_font::bold;
        if (gui_text_size(p, font, k_text, size)) half = std::max(half, 0.5f * size[0] + 0.02f);
    }
    p->draw_text(font, -half, -0.9f * u.h, half, -0.8f * u.h, k_text, text_flag::centre, 0, 0, w->text_scale_x,
                 w->text_scale_y, 0xFFFFFF00u, false);
}

void draw_missile(const gui_window* w, missile& m) {
    const float length = m.aero->body_length;
    s.shake = 0.9f * s.shake + 0.1f * (s.test.flying ? 1.0f : 0.0f);
    const float r1 = static_cast<float>(program_rand()) / static_cast<float>(program_rand_max);
    const float r2 = static_cast<float>(program_rand()) / static_cast<float>(program_rand_max);
    const mat4 a = mat_rotation_y(s.view.yaw) * mat_rotation_x(s.view.pitch) *
                   mat_translation(r1 * s.shake, r2 * s.shake, 2.0f * s.view.zoom * length);
    const assembled_parts at = place_parts(m, s.show_components);
    {
        const assembled_view view;
        draw_parts(m, a, at);
        m.aero->world = a;
        m.aero->draw(s.view.pitch, s.view.yaw, 0.0f, 0.0f, 0.0f, s.show_components);
    }
    if (m.fits == 0) draw_misfit_notice(w);
    if (!s.show_components) draw_labels(w, a, at);
}

void on_draw(const gui_window* w) {
    draw_design_graph();
    missile* m = design_missile();
    const missile_system* sys = design_system();
    if (m == nullptr || m->aero == nullptr) return;
    if (sys != nullptr && sys->launch_unit && sys->launch_unit->model != nullptr) {
        render_design_preview(sys->launch_unit->model, -0.25f, s.view.yaw, 5.0f, 0.6f, -1.0f);
    }
    if (sys != nullptr && sys->control && sys->control->radar_model != nullptr) {
        render_design_preview(sys->control->radar_model, -0.25f, s.view.yaw, 8.0f, -0.5f, 1.0f);
    }
    // The launcher and the radar stand behind the missile, whatever their depth.
    if (gfx_device* d = current_device()) d->clear(CLEAR_ZBUFFER, 0, 1.0f, 0);
    draw_missile(w, *m);
}

}  // namespace

int missile_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: view_on_press(w, s.view); break;
        case gui_event::click: on_click(w); break;
        case gui_event::drag: view_on_drag(w, s.view, true); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::close:
            stop_motor();
            remove_explosion(design_missile());
            break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::wheel_up:
        case gui_event::wheel_down: view_on_wheel(s.view, event, 0.1f, 0.5f, 5.0f); break;
        case design_event::show: show(w); break;
        default: break;
    }
    return 0;
}

}  // namespace design
