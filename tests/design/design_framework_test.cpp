// What every design screen shares: the jog slider's rules, the wheel limits, fields that are
// read back only when changed, name checks and failed saves, and leaving a part screen.
#include <cmath>
#include <functional>
#include <string>

#include "design/design_graph.h"
#include "design/design_screen.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/design/design_fixture.h"
#include "ui/screens.h"
#include "ui/graph.h"
#include "ui/message_box.h"

using namespace design;

TEST(DesignJog, RatesAtFullDeflection) {
    // One second at full deflection (255): relative to the value, at least 1 per unit.
    EXPECT_NEAR(jog_step(0.0f, 255.0f, 1.0f, jog_rule::relative), 1.275f, 1e-5f);
    EXPECT_NEAR(jog_step(100.0f, 255.0f, 1.0f, jog_rule::relative) - 100.0f, 127.5f, 1e-3f);
    EXPECT_NEAR(jog_step(-100.0f, 0.0f, 1.0f, jog_rule::relative) + 100.0f, -127.5f, 1e-3f);
    EXPECT_NEAR(jog_step(0.0f, 255.0f, 1.0f, jog_rule::absolute), 12.75f, 1e-5f);
    EXPECT_NEAR(jog_step(5000.0f, 255.0f, 1.0f, jog_rule::absolute) - 5000.0f, 12.75f, 1e-2f);
    EXPECT_NEAR(jog_step(100.0f, 255.0f, 1.0f, jog_rule::root) - 100.0f, 63.75f, 1e-3f);
    // The centre holds the value.
    EXPECT_EQ(jog_step(42.0f, 127.5f, 1.0f, jog_rule::relative), 42.0f);
}

TEST(DesignView, WheelStopsExactlyAtTheLimits) {
    view_state v;
    v.zoom = 0.8f;
    for (int i = 0; i < 100; ++i) view_on_wheel(v, gui_event::wheel_up, 0.1f, 0.5f, 5.0f);
    EXPECT_EQ(v.zoom, 5.0f);
    for (int i = 0; i < 100; ++i) view_on_wheel(v, gui_event::wheel_down, 0.1f, 0.5f, 5.0f);
    EXPECT_EQ(v.zoom, 0.5f);
    v.zoom = 3.0f;
    for (int i = 0; i < 100; ++i) view_on_wheel(v, gui_event::wheel_up, 1.0f, 1.0f, 50.0f);
    EXPECT_EQ(v.zoom, 50.0f);
}

class DesignScreens : public design_fixture {};

namespace {

// A screen of one field on the framework alone: event 16 takes the field into `probe_value`.
float probe_value = 0;
jog_rule probe_rule = jog_rule::relative;
int probe_commits = 0;

int probe_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: {
            const units u = build_common(w, "rocket", true);
            gui_rect* f = add_box(w, u, -0.25f, 0.77f, -0.1f, 0.82f, rect_kind::edit_field);
            remember_rect(w, slot::first_free, f);
            w->send(design_event::show);
            break;
        }
        case gui_event::press: jog_on_press(w); break;
        case gui_event::child_changed: jog_on_changed(w); break;
        case gui_event::tick: jog_on_tick(w, probe_rule, frame_time()); break;
        case gui_event::child_committed:
            if (jog_on_committed(w)) ++probe_commits;
            break;
        case design_event::show: show_number(w, slot::first_free, 0, probe_value); break;
        case design_event::take: take_number(w, slot::first_free, 0, &probe_value); break;
        default: break;
    }
    return 0;
}

}  // namespace

namespace {

// The width of a text in GUI units as the painter measures it (640 pixels across the window).
float measured_width(recording_painter& p, int font, const char* text) {
    int size[2] = {0, 0};
    p.text_extent(font, text, size);
    return static_cast<float>(size[0]) / 320.0f;
}

int fitting_screen(gui_window* w, int event) {
    if (event != gui_event::build) return 0;
    const units u = build_common(w, "rocket", false);
    add_label(w, u, -0.55f, 0.77f, -0.25f, 0.82f, "Mass (kg)");
    add_label(w, u, -0.55f, 0.69f, -0.25f, 0.74f, "Throat Diameter");
    add_label(w, u, -0.55f, 0.61f, -0.25f, 0.66f, "Chamber Diameter (cm)");
    add_button(w, u, 0.45f, 0.5f, 0.8f, 0.55f, "Add Missile System");
    return 0;
}

}  // namespace

TEST_F(DesignScreens, TextsTooWideForTheirBoxesTakeSmallerFonts) {
    root->set_screen(fitting_screen);
    // A short text keeps the medium font; a longer one fits in the small font; one too wide
    // even for that is narrowed to its box.
    const struct {
        const char* text;
        int font;
        bool narrowed;
    } cases[] = {
        {"Mass (kg)", gui_font::medium, false},
        {"Throat Diameter", gui_font::small, false},
        {"Chamber Diameter (cm)", gui_font::small, true},
        {"Add Missile System", gui_font::small, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const gui_rect* r = find_text(c.text);
        ASSERT_NE(r, nullptr);
        const gui_rect::text_fit fit = r->fitted_text();
        EXPECT_EQ(fit.font, c.font);
        EXPECT_EQ(fit.narrowing < 1.0f, c.narrowed);
        EXPECT_LE(measured_width(painter, fit.font, c.text) * fit.narrowing, r->x2 - r->x1);
    }
    // The hints are too long for their boxes at this size: drawn small and narrowed.
    const gui_rect* hint = find_text("To totate rocket click and drag mouse, to zoom use mouse wheel");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->fitted_text().font, gui_font::small);
    EXPECT_LE(measured_width(painter, gui_font::small, hint->text.get()) * hint->fitted_text().narrowing,
              hint->x2 - hint->x1);
    // Drawing uses the fitted font, one for a column: the three labels share the edges of the
    // motor panel's rows, so "Mass (kg)" and "Throat Diameter" take the small font, whole and
    // at its full width, while "Chamber Diameter (cm)" alone is drawn in a narrowed face of it;
    // the button keeps its own.
    root->render();
    const gui_rect::text_fit chamber = find_text("Chamber Diameter (cm)")->fitted_text();
    EXPECT_EQ(gui_font::base_of(chamber.face), gui_font::small);
    EXPECT_LT(chamber.narrowing, 1.0f);
    EXPECT_FLOAT_EQ(gui_font::width_of(chamber.face), chamber.narrowing);
    for (const char* text : {"Mass (kg)", "Throat Diameter"}) {
        const gui_rect::text_fit fit = find_text(text)->fitted_text();
        EXPECT_EQ(fit.font, gui_font::small) << text;
        EXPECT_EQ(fit.face, gui_font::small) << text;
        EXPECT_EQ(fit.narrowing, 1.0f) << text;
    }
    const auto drawn_in = [&](int font, const std::string& text) {
        for (const std::string& call : painter.find("text " + std::to_string(font) + " ")) {
            if (call.size() >= text.size() && call.compare(call.size() - text.size(), text.size(), text) == 0) return true;
        }
        return false;
    };
    EXPECT_FALSE(drawn_in(gui_font::medium, "Mass (kg)"));
    EXPECT_TRUE(drawn_in(gui_font::small, "Mass (kg)"));
    EXPECT_TRUE(drawn_in(gui_font::small, "Throat Diameter"));
    EXPECT_TRUE(drawn_in(chamber.face, "Chamber Diameter (cm)"));
    EXPECT_TRUE(drawn_in(gui_font::small, "Add Missile System"));
}

class DesignJogSlider : public design_fixture {
protected:
    // Opens the probe showing a value, presses its field and holds the thumb at s.
    gui_rect* hold(float value, float s, jog_rule rule) {
        probe_value = value;
        probe_rule = rule;
        root->set_screen(probe_screen);
        gui_rect* field = design::rect_at(root.get(), slot::first_free);
        root->pressed = root->index_of(field) + 1;
        root->send(gui_event::press);
        gui_window* jog = root->child(0);
        EXPECT_TRUE(jog->visible);
        jog->set_slider_value(s);
        root->current = 1;
        root->send(gui_event::child_changed);
        return field;
    }
};

TEST_F(DesignJogSlider, ReleaseStopsAndUnreadableTextStays) {
    state->smoothed_step = 0.1f;
    gui_rect* field = hold(10.0f, 0.0f, jog_rule::relative);
    for (int i = 0; i < 5; ++i) root->send(gui_event::tick);
    EXPECT_LT(probe_value, 10.0f);
    root->send(gui_event::child_committed);
    EXPECT_EQ(probe_commits, 1);
    EXPECT_FLOAT_EQ(root->child(0)->slider_value(), 127.5f);
    const float held = probe_value;
    for (int i = 0; i < 5; ++i) root->send(gui_event::tick);
    EXPECT_EQ(probe_value, held);

    field = hold(10.0f, 255.0f, jog_rule::relative);
    field->set_text("abc");
    root->send(gui_event::tick);
    EXPECT_STREQ(field->text.get(), "abc");
    EXPECT_EQ(probe_value, 10.0f);

    // The body keeps the slider; anything else hides it.
    root->pressed = 1;
    root->send(gui_event::press);
    EXPECT_TRUE(root->child(0)->visible);
    root->pressed = root->index_of(design::rect_at(root.get(), slot::close)) + 1;
    root->send(gui_event::press);
    EXPECT_FALSE(root->child(0)->visible);
}

// The slider takes a field away from the printed value and back to it: the part follows both
// ways, so it never keeps a value the field no longer shows.
TEST_F(DesignJogSlider, AFieldBroughtBackToThePrintedValueIsTaken) {
    state->smoothed_step = 0.25f / 12.75f;  // a full push moves an absolute field by 0.25
    gui_rect* field = hold(30.0f, 255.0f, jog_rule::absolute);
    EXPECT_STREQ(field->text.get(), "30.00");
    root->send(gui_event::tick);
    EXPECT_STREQ(field->text.get(), "30.25");
    EXPECT_FLOAT_EQ(probe_value, 30.25f);
    root->child(0)->set_slider_value(0.0f);
    root->send(gui_event::tick);
    EXPECT_STREQ(field->text.get(), "30.00");
    EXPECT_NEAR(probe_value, 30.0f, 1e-4f);
    // Typed back by hand as well.
    root->child(0)->set_slider_value(255.0f);
    root->send(gui_event::tick);
    field->set_text("30.00");
    root->send(design_event::take);
    EXPECT_NEAR(probe_value, 30.0f, 1e-4f);
}

TEST_F(DesignScreens, ApplyKeepsValuesTheFieldsCannotShow) {
    open(16);
    aero_config& a = *m->aero;
    ASSERT_GE(a.NW, 1);
    a.TC[0] = 0.036f;
    a.CG = 70.126f;
    root->child(1)->list_select(0);  // the first wing set, whatever an earlier visit chose
    root->current = 2;
    root->send(gui_event::child_committed);
    root->send(design_event::show);
    ASSERT_NE(find_text("0.04"), nullptr);
    press_and_click("Apply Changes");
    EXPECT_EQ(a.TC[0], 0.036f);
    EXPECT_EQ(a.CG, 70.126f);
    // A field the user changed is taken.
    gui_rect* cg = find_text("70.13");
    ASSERT_NE(cg, nullptr);
    cg->set_text("71.5");
    press_and_click("Apply Changes");
    EXPECT_EQ(a.CG, 71.5f);
}

TEST_F(DesignScreens, RefusedNamesWriteNothing) {
    open(16);
    const std::string forty(40, 'N');
    for (const char* name : {"", forty.c_str(), "a.b", "A@1", "."}) {
        press_and_click("Save");
        answer(name);
        EXPECT_EQ(g_message_box.type, message_box_type::notice) << name;
        EXPECT_STREQ(m->aero->name, "New Config") << name;
    }
    EXPECT_FALSE(tmp.exists("configs/a.b.txt") || tmp.exists("configs/a.b.csv") ||
                 tmp.exists("configs/A@1.txt"));
    // 39 characters is a name.
    press_and_click("Save");
    answer(forty.substr(0, 39).c_str());
    EXPECT_TRUE(tmp.exists("configs/" + forty.substr(0, 39) + ".txt"));
}

TEST_F(DesignScreens, FailedSaveKeepsTheNameAndSaysSo) {
    open(16);
    block_folder("configs");
    press_and_click("Save");
    answer("Lost");
    EXPECT_STREQ(m->aero->name, "New Config");
    EXPECT_EQ(g_message_box.type, message_box_type::notice);
    EXPECT_STREQ(g_message_box.message, "Could not save Lost: Not a directory");
    EXPECT_TRUE(logged("Could not save Lost: Not a directory"));
    EXPECT_NE(find_text("Aero Config - New Config"), nullptr);
}

// Each part screen's Load refuses a file cut short in its values: one notice and the log name
// the file and why, and the part keeps the values and the name it showed.
TEST_F(DesignScreens, EveryPartScreenRefusesAFileCutShort) {
    aero_config& wing = *m->aero;
    rocket_motor& motor = *m->motor;
    warhead& head = *m->warhead_part;
    seeker& eye = *m->seeker_part;
    launcher& pad = *system->launch_unit;
    control_unit& unit = *system->control;
    // Each part saved, then changed in the first value its file holds.
    const struct {
        int command;
        const char* folder;
        std::function<bool(const char*)> save;
        std::function<void()> change;
        std::function<std::string()> name;
    } screens[] = {
        {15, "motors", [&](const char* n) { return motor.save(n); }, [&] { motor.chamber_diameter = 15.0f; },
         [&] { return std::string(motor.name); }},
        {16, "configs", [&](const char* n) { return wing.save(n); }, [&] { wing.DS = 9.0f; },
         [&] { return std::string(wing.name); }},
        {17, "warheads", [&](const char* n) { return head.save(n); }, [&] { head.DS = 13.0f; },
         [&] { return std::string(head.name); }},
        {19, "seekers", [&](const char* n) { return eye.save(n); }, [&] { eye.boost_phase = 0; },
         [&] { return std::string(eye.name); }},
        {20, "launchers", [&](const char* n) { return pad.save(n); }, [&] { copy_text(pad.model_name, "rail"); },
         [&] { return std::string(pad.name); }},
        {21, "controls", [&](const char* n) { return unit.save(n); }, [&] { copy_text(unit.radar_name, "Dish"); },
         [&] { return std::string(unit.name); }},
    };
    const std::string why = "it stops in the middle of a line before its \"@\" line";
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.folder);
        open(screen.command);
        const std::string folder = screen.folder;
        ASSERT_TRUE(screen.save("Cut"));
        const std::string whole = tmp.read(folder + "/Cut.txt");
        std::size_t cut = whole.find("\n@") / 2;
        while (whole[cut - 1] == '\n') ++cut;
        tmp.write(folder + "/Cut.txt", whole.substr(0, cut));
        screen.change();
        ASSERT_TRUE(screen.save("Shown"));
        const std::string shown = tmp.read(folder + "/Shown.txt");

        press_and_click("Load");
        answer("Cut");
        const std::string line = "Could not load " + folder + "\\Cut.txt: " + why;
        EXPECT_EQ(g_message_box.type, message_box_type::notice);
        EXPECT_EQ(std::string(g_message_box.message), line);
        EXPECT_TRUE(logged(line));
        EXPECT_TRUE(logged(folder + "\\Cut.txt cannot be read whole: " + why));
        EXPECT_EQ(screen.name(), "Shown");
        ASSERT_TRUE(screen.save("Shown"));
        EXPECT_EQ(tmp.read(folder + "/Shown.txt"), shown);
        root->close_dialogs();
    }
}

TEST_F(DesignScreens, EveryWayOutOfAPartScreenRelaysTheMissile) {
    aero_config& a = *m->aero;
    const float before = m->launch_mass;
    open(16);
    a.LC += 100.0f;
    press_and_click("Close");
    EXPECT_EQ(pending_command, 14);
    EXPECT_GT(m->launch_mass, before);

    open(16);
    a.LC += 100.0f;
    const float closed = m->launch_mass;
    root->set_screen(main_menu_screen);  // another screen replaces it
    EXPECT_GT(m->launch_mass, closed);

    open(16);
    a.LC += 100.0f;
    const float replaced = m->launch_mass;
    open(14);  // the hub
    EXPECT_GT(m->launch_mass, replaced);
}

namespace {

int lines_screen(gui_window* w, int event) {
    if (event != gui_event::build) return 0;
    const units u = build_common(w, nullptr, false);
    gui_rect* r = add_box(w, u, 0.72f, -0.19f, 0.96f, -0.07f, rect_kind::drop_down_field);
    r->small_font = 1;
    r->fit_text = 1;
    r->set_text("Sentinel MR\nMissile System\nRadius 2000 (m)");
    gui_rect* check = add_box(w, u, 0.5f, 0.13f, 0.8f, 0.18f, rect_kind::check_box);
    check->medium_font = 1;
    check->fit_text = 1;
    check->set_text("Show Fragments");
    gui_window* list = w->add_window();
    list->create(0.6f * u.m, 0.53f * u.h, 0.9f * u.m, 0.836f * u.h, window_kind::list_box);
    list->list_add_item("1) SLOTTED CYLINDER");
    return 0;
}

}  // namespace

TEST_F(DesignScreens, SeveralLinesFitTheirBoxAndCheckBoxTextsStayBesideTheirSquares) {
    root->set_screen(lines_screen);
    const gui_rect* props = find_text("Sentinel MR\nMissile System\nRadius 2000 (m)");
    ASSERT_NE(props, nullptr);
    const gui_rect::text_fit fit = props->fitted_text();
    int size[2] = {0, 0};
    painter.text_extent(fit.font, props->text.get(), size);
    // Every line is drawn: the three lines' height, lowered, within the box.
    EXPECT_LE(static_cast<float>(size[1]) / 240.0f * fit.lowering, props->y2 - props->y1 + 1e-5f);
    EXPECT_LT(fit.lowering, 1.0f);

    // A single line never gets lowered, however low its row.
    const gui_rect* check = find_text("Show Fragments");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->fitted_text().lowering, 1.0f);
    // The check box's caption is laid out left of its square (0.07 at the right end): drawn
    // whole, or glyph by glyph when squeezed (each glyph's box a hundredth beyond it).
    root->render();
    std::string drawn;
    for (const auto& t : painter.text_boxes) {
        const bool in_row = t.y1 >= check->y1 - 1e-5f && t.y2 <= check->y2 + 1e-5f && t.x1 >= check->x1 - 1e-5f &&
                            t.x1 < check->x2;
        if (!in_row || (t.text != "Show Fragments" && t.text.size() != 1)) continue;
        drawn += t.text;
        EXPECT_LE(t.x2, check->x2 - 0.07f + 0.011f);
    }
    EXPECT_EQ(drawn, "Show Fragments");

    // A list item too long for its list takes a smaller font, clear of the chosen item's tick.
    const gui_window* list = root->last_child();
    ASSERT_NE(list, nullptr);
    const gui_rect* item = list->find_rect_by_kind(rect_kind::list_item);
    ASSERT_NE(item, nullptr);
    const gui_rect::text_fit item_fit = item->fitted_text();
    EXPECT_NE(item_fit.font, gui_font::medium);
    int item_size[2] = {0, 0};
    painter.text_extent(item_fit.font, item->text.get(), item_size);
    EXPECT_LE(static_cast<float>(item_size[0]) / 320.0f * item_fit.narrowing, item->x2 - item->x1 - 0.07f);
}

TEST_F(DesignScreens, TheGraphBoxGrowsWithTheWindowAndStaysInTheScreen) {
    design_graph g;
    g.titles = {"Time (sec)", "Th (kgf)", "", "", "", "", "", ""};
    g.rows.push_back({0, 0, 0, 0, 0, 0, 0, 0});
    g.rows.push_back({2, 5, 0, 0, 0, 0, 0, 0});
    float width_640 = 0;
    for (const auto& [w, h] : {std::pair{640, 480}, {1024, 768}, {1920, 1080}, {800, 600}}) {
        SCOPED_TRACE(w);
        gui_scale[0] = static_cast<float>(w) / 640.0f;
        gui_scale[1] = static_cast<float>(h) / 480.0f;
        const float m = std::min(gui_scale[0], gui_scale[1]), hh = gui_scale[1];
        plot_design_graph(g, 1);
        const float* b = g_graph.box;
        // Inside the lower left quarter of the screen's 4:3 area, below the middle.
        EXPECT_GE(b[0], -m);
        EXPECT_LE(b[2], 0.0f);
        EXPECT_GE(b[1], -hh);
        EXPECT_LE(b[3], 0.0f);
        EXPECT_LT(b[0], b[2]);
        EXPECT_LT(b[1], b[3]);
        // The same share of the screen at every size: 0.85 of the half width across.
        if (w == 640) width_640 = b[2] - b[0];
        EXPECT_NEAR((b[2] - b[0]) / width_640, m, 1e-5f);
        EXPECT_NEAR((b[3] - b[1]) / (0.45f * hh), 1.0f, 1e-5f);
    }
    gui_scale[0] = gui_scale[1] = 1.0f;
}

TEST_F(DesignScreens, TheExplosionsViewportIsTheCentredFourByThreeArea) {
    struct size_case {
        std::uint32_t w, h, x, width;
    };
    // Wider than 4:3: the middle 4:3 pixels; 4:3 or narrower: the whole window.
    for (const size_case c : {size_case{1920, 1080, 240, 1440}, {1280, 720, 160, 960}, {640, 480, 0, 640},
                              {1024, 1280, 0, 1024}}) {
        SCOPED_TRACE(c.w);
        gui_scale[0] = static_cast<float>(c.w) / 640.0f;
        gui_scale[1] = static_cast<float>(c.h) / 480.0f;
        gfx_viewport whole;
        whole.width = c.w;
        whole.height = c.h;
        const gfx_viewport area = design_area_viewport(whole);
        EXPECT_EQ(area.x, c.x);
        EXPECT_EQ(area.width, c.width);
        EXPECT_EQ(area.y, 0u);
        EXPECT_EQ(area.height, c.h);
    }
    gui_scale[0] = gui_scale[1] = 1.0f;
}
