// The scenario design screen on a device-free GUI: the map's conversions, choosing a scenery
// by click and double click, the wheel, adding, selecting, dragging and deleting objects,
// place names, fitting the view, saving, loading and running a scenario.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/sound_system.h"
#include "design/scenario_design_screen.h"
#include "platform/files.h"
#include "shell/scene.h"
#include "tests/design/design_fixture.h"
#include "tests/ui/overlay_fixture.h"
#include "ui/d3d_font.h"
#include "ui/message_box.h"
#include "ui/screens.h"

using namespace design;

TEST(ScenarioMap, ConversionsAndBounds) {
    scenario_map_view v;
    v.lon0 = 34.0f;
    v.lat0 = 32.0f;
    v.hw = 0.8f;
    v.hh = 0.9f;
    v.cx = -0.1f;
    v.cy = 0.0f;
    v.aspect = 1.0f;
    v.zoom = 360.0f;
    map_update_scales(v, 1.6f, 1.8f);
    // At zoom 360 a degree spans the whole box: 1.6 units east, 1.8 north.
    EXPECT_FLOAT_EQ(v.xs, 1.6f);
    EXPECT_FLOAT_EQ(v.ys, 1.8f);
    EXPECT_FLOAT_EQ(scenario_gui_x(v, 34.5f), -0.1f + 0.8f);
    EXPECT_FLOAT_EQ(scenario_gui_y(v, 31.5f), -0.9f);
    float east = 0, north = 0;
    scenario_point_at(v, 0.8f, 0.9f, &east, &north);  // the box's middle is the centre
    EXPECT_FLOAT_EQ(east, 34.0f);
    EXPECT_FLOAT_EQ(north, 32.0f);
    scenario_point_at(v, 0.0f, 1.8f, &east, &north);  // upper left corner
    EXPECT_FLOAT_EQ(east, 33.5f);
    EXPECT_FLOAT_EQ(north, 32.5f);

    scenario_bounds b;
    scenario_bounds_reset(b);
    scenario_bounds_add(b, 1, 10);
    scenario_bounds_add(b, 3, -2);
    EXPECT_EQ(b.count, 2);
    EXPECT_FLOAT_EQ(b.mean_east, 2.0f);
    EXPECT_FLOAT_EQ(b.mean_north, 4.0f);
    EXPECT_EQ(b.min_north, -2.0f);
    EXPECT_EQ(b.max_east, 3.0f);

    // The bar measures east degrees as on the equator, wherever the map is: at 1.6 units a
    // degree, 20 km are 0.288 units and 50 km would pass 0.6.
    // At 12 units a degree a km is 0.108 units: 5 km would be 0.54, so 5; at 15, 0.135 a km:
    // 5 km 0.675, 4 km 0.54.
    v.lat0 = 60.0f;
    for (const auto& [xs, km] : {std::pair{1.6f, 20.0f}, {1e-4f, 5000.0f}, {1e4f, 0.1f}, {12.0f, 5.0f}, {15.0f, 4.0f}}) {
        v.xs = xs;
        EXPECT_FLOAT_EQ(scenario_scale_bar_km(v), km) << xs;
    }
}

namespace {

void add_scenery(scenery_index* index, const char* folder, float left, float lower, float right, float upper) {
    scenery_index_entry& e = index->entries[index->count++];
    std::strcpy(e.folder, folder);
    e.left_map_x = left;
    e.lower_map_y = lower;
    e.right_map_x = right;
    e.upper_map_y = upper;
}

class ScenarioScreen : public design_fixture {
protected:
    void SetUp() override {
        design_fixture::SetUp();
        g_scene = &world;
        scenario_design() = scenario_design_state{};
        add_scenery(&state->sceneries, "Wide", 30, 30, 40, 40);
        add_scenery(&state->sceneries, "Small", 34, 32, 35, 33);
        fs_make_folder("scenarios");
        tmp.write("systems/Sentinel MR.txt", "System Definition File\n\nSentinel MR\t[launcher_name]\n"
                                             "Sentinel Radar\t[radar_name]\n");
        tmp.write("controls/Sentinel Radar.txt", "Control Unit\n\n7.5\t[protected_radius]\n@\n");
        tmp.write("systems/" + std::string(45, 'L') + ".txt", "System Definition File\n");
    }
    void TearDown() override {
        design_fixture::TearDown();
        g_scene = nullptr;
    }

    scenario_design_state& s() { return scenario_design(); }
    gui_rect* pad() const { return root->find_rect_by_kind(rect_kind::position_pad); }
    gui_window* scenery_list() const { return root->child(0); }
    gui_window* system_list() const { return root->child(1); }
    // The map's marker on a point, as a press or a drag step would put it.
    void marker_at(float east, float north) {
        const scenario_map_view& v = s().view;
        pad()->offset_x = (east - v.lon0) * v.xs + v.hw;
        pad()->offset_y = (north - v.lat0) * v.ys + v.hh;
    }
    void press_at(float east, float north, bool double_click = false) {
        world.pointer.double_click = double_click ? 1 : 0;
        marker_at(east, north);
        root->pressed = root->index_of(pad()) + 1;
        root->send(gui_event::press);
    }
    void drag_to(float east, float north) {
        marker_at(east, north);
        root->send(gui_event::drag);
    }
    void choose_listed_scenery(int k) {
        scenery_list()->list_select(k);
        commit(scenery_list());
    }
    // Edit fields in building order: radius, rockets, reload.
    gui_rect* field(int n) const {
        for (int i = 0; i < root->rect_count; ++i) {
            gui_rect* r = root->rect(i);
            if (r->kind == rect_kind::edit_field && n-- == 0) return r;
        }
        return nullptr;
    }
    std::string properties() { return root->find_rect_by_kind(rect_kind::drop_down_field)->text.get(); }

    reading_scene world;
};

}  // namespace

TEST_F(ScenarioScreen, ChoosingSceneriesAndTheirPlaceNames) {
    tmp.write("scenery/Wide/titles.txt", "34.5 32.5 Harbour\r\nno position here\n12 x\n\n"
                                         "35.5 35.5 " + std::string(60, 'N') + "\n");
    open(23);
    ASSERT_EQ(root->callback, ::scenario_design_screen);
    EXPECT_EQ(system_list()->list_item_count(), 1) << "a name over 39 characters is not listed";
    EXPECT_TRUE(logged("a name longer than 39 characters is not listed"));
    EXPECT_STREQ(system_list()->list_selected_text(), "Sentinel MR");
    choose_listed_scenery(0);
    EXPECT_EQ(s().view.selected, 1);
    EXPECT_FLOAT_EQ(s().view.lon0, 35.0f);
    EXPECT_FLOAT_EQ(s().view.zoom, 36.0f);  // its 10 degrees fill the box
    ASSERT_EQ(s().view.title_count, 2);
    EXPECT_STREQ(s().view.titles[0].name, "Harbour");
    EXPECT_EQ(std::strlen(s().view.titles[1].name), 39u);
    EXPECT_TRUE(logged("titles.txt: lines without a position were skipped"));

    // A single click inside the smaller scenery keeps the selected one; a double click takes it.
    press_at(34.5f, 32.5f);
    EXPECT_EQ(s().view.selected, 1);
    press_at(34.5f, 32.5f, true);
    EXPECT_EQ(s().view.selected, 2);
    EXPECT_EQ(s().view.title_count, 0);
    EXPECT_EQ(scenery_list()->list_selected_index(), 1);

    // Outside every scenery: nothing selected, no names.
    press_at(20.0f, 20.0f);
    EXPECT_EQ(s().view.selected, 0);
    EXPECT_LT(scenery_list()->list_selected_index(), 0);

    // The wheel zooms about the marker and stops at 1.
    marker_at(21.0f, 22.0f);
    const float zoom = s().view.zoom;
    root->send(gui_event::wheel_up);
    EXPECT_NEAR(s().view.lon0, 21.0f, 1e-3f);
    EXPECT_NEAR(s().view.lat0, 22.0f, 1e-3f);
    EXPECT_FLOAT_EQ(s().view.zoom, zoom * 1.25f);
    EXPECT_FLOAT_EQ(pad()->offset_x, s().view.hw);
    for (int i = 0; i < 40; ++i) root->send(gui_event::wheel_down);
    EXPECT_EQ(s().view.zoom, 1.0f);
}

TEST_F(ScenarioScreen, PlacingSelectingAndDeletingObjects) {
    open(23);
    choose_listed_scenery(1);  // Small: 34..35 E, 32..33 N
    press_at(34.2f, 32.2f);
    press_and_click("Add Rocket Launcher");
    ASSERT_EQ(s().table.count, 1);
    const scenario_object& first = s().table.objects[0];
    EXPECT_NEAR(first.east, 34.2f, 1e-4f);
    EXPECT_NEAR(first.aim_north, 32.25f, 1e-4f);
    EXPECT_EQ(properties(), "Rocket Launcher\n12 Rockets Total\n30 Seconds to reload");

    // Choosing the system type fills the radius from its control unit (7.5 km).
    system_list()->list_select(0);
    commit(system_list());
    EXPECT_STREQ(field(0)->text.get(), "7500");
    press_at(34.6f, 32.6f);
    press_and_click("Add Missile System");
    press_at(34.8f, 32.4f);
    press_and_click("Add Rocket Launcher");
    ASSERT_EQ(s().table.count, 3);
    EXPECT_EQ(s().table.objects[1].radius, 7500);
    EXPECT_EQ(world.scenario_design.system_count, 1);
    EXPECT_STREQ(world.scenario_design.system_names[0], "Sentinel MR");
    EXPECT_EQ(world.scenario_design.launcher_count, 2);

    // Without a chosen system type, Add Missile System does nothing.
    system_list()->pressed = system_list()->selected = 0;
    press_and_click("Add Missile System");
    EXPECT_EQ(s().table.count, 3);

    // Select the system and delete it: nothing stays selected, so Enter and a second Delete
    // leave the others alone.
    press_at(34.6f, 32.6f);
    EXPECT_EQ(s().selected_object, 2);
    press_and_click("Delete Selected");
    ASSERT_EQ(s().table.count, 2);
    EXPECT_EQ(s().selected_object, 0);
    EXPECT_EQ(properties(), "");
    field(1)->set_text("99");  // rockets
    root->send(gui_event::enter);
    press_and_click("Delete Selected");
    ASSERT_EQ(s().table.count, 2);
    EXPECT_EQ(s().table.objects[0].rockets, 12);
    EXPECT_EQ(s().table.objects[1].rockets, 12);
    EXPECT_NEAR(s().table.objects[1].east, 34.8f, 1e-4f);
    EXPECT_EQ(world.scenario_design.system_count, 0);

    // An aim point over its own launcher is taken first: the drag moves the aim, not the launcher.
    scenario_object& last = s().table.objects[1];
    last.aim_east = last.east;
    last.aim_north = last.north;
    press_at(last.east, last.north);
    EXPECT_EQ(s().selected_aim, 2);
    drag_to(last.east + 0.1f, last.north);
    EXPECT_NEAR(last.aim_east, 34.9f, 1e-4f);
    EXPECT_NEAR(last.east, 34.8f, 1e-4f);
    EXPECT_EQ(properties().substr(0, 14), "Bearing 90 deg");

    press_and_click("Delete All");
    EXPECT_EQ(s().table.count, 0);
    root->send(gui_event::enter);
    EXPECT_EQ(s().selected_aim, 0);
}

TEST_F(ScenarioScreen, SavingLoadingFittingAndRunning) {
    open(23);
    choose_listed_scenery(1);
    press_at(34.5f, 32.5f);
    press_and_click("Add Missile System");
    // Not runnable without a launcher: a notice, and no run file.
    press_and_click("Run Scenario");
    EXPECT_NE(std::string(g_message_box.title).find("Scenario cannot run"), std::string::npos);
    EXPECT_FALSE(tmp.exists("scenarios/scenario.cfg"));
    root->close_dialogs();
    press_and_click("Add Rocket Launcher");

    // The launcher's aim coincides with the system and both stand on one point: the fit
    // still divides by at least 0.01 degree.
    scenario_object& o = s().table.objects[0];
    o.aim_east = o.east;
    o.aim_north = o.north;
    s().table.objects[1] = o;
    s().table.objects[1].type = scenario_type::launcher;
    save_as("a.b");
    EXPECT_FALSE(tmp.exists("scenarios/a.b.txt"));
    root->close_dialogs();
    save_as("S1");
    EXPECT_STREQ(s().name, "S1");

    press_and_click("Delete All");
    load("S1");
    ASSERT_EQ(s().table.count, 2);
    EXPECT_EQ(s().view.selected, 2);
    EXPECT_NEAR(s().view.lon0, 34.5f, 1e-4f);
    EXPECT_FLOAT_EQ(s().view.zoom, 18000.0f);

    // A run file that cannot be written starts no run.
    app->menu_mode = 1;
    pending_command = 0;
    block_folder("scenarios");
    press_and_click("Run Scenario");
    EXPECT_TRUE(world.read.empty());
    EXPECT_EQ(pending_command, 0);
    EXPECT_STREQ(g_message_box.message, "Could not write scenarios\\scenario.cfg");
    root->close_dialogs();

    std::filesystem::remove(tmp.path() + "/scenarios");
    fs_make_folder("scenarios");
    // The menu music plays; the run stops it and closes its channel.
    sound_system sound;
    sound.init_with(open_loopback_audio_device(22050));
    g_sound = &sound;
    const char* run_dir = std::getenv("VENTRASK_RUN_DIR");
    const bool tune = run_dir != nullptr && std::filesystem::exists(std::string(run_dir) + "/music/intro.mp3");
    if (tune) {
        fs_make_folder("music");
        std::filesystem::copy_file(std::string(run_dir) + "/music/intro.mp3", tmp.path() + "/music/intro.mp3");
        ASSERT_EQ(send_media_command("open \"music\\intro.mp3\" alias MediaFile"), MEDIA_OK);
        ASSERT_EQ(send_media_command("play MediaFile"), MEDIA_OK);
        ASSERT_TRUE(sound.music().is_playing());
    }
    press_and_click("Run Scenario");
    g_sound = nullptr;
    if (tune) {
        EXPECT_FALSE(sound.music().is_open());
    }
    EXPECT_EQ(world.read.size(), 1u);
    EXPECT_EQ(pending_command, 1);

    // The map draws inside its clip planes and leaves them off.
    overlay_setup overlay(640, 480, false);
    root->send(gui_event::draw);
    EXPECT_GT(overlay.device->draws().size(), 10u);
    EXPECT_EQ(overlay.device->render_state(RS_CLIPPLANEENABLE), 0u);
    g_overlay = nullptr;
}

TEST_F(ScenarioScreen, AnAimPointBesideTheSceneryIsGrabbedAndTheRunButtonDrawsOverTheMap) {
    open(23);
    choose_listed_scenery(0);  // Wide: 30..40 E, 30..40 N
    // A launcher near the scenery's north-east corner: its aim point, 0.05 degrees on, lies
    // beside the scenery.
    press_at(39.98f, 39.98f);
    press_and_click("Add Rocket Launcher");
    ASSERT_EQ(s().table.count, 1);
    const scenario_object& o = s().table.objects[0];
    ASSERT_GT(o.aim_east, 40.0f);
    press_at(o.aim_east, o.aim_north);
    EXPECT_EQ(s().view.selected, 0) << "no scenery there";
    EXPECT_EQ(s().selected_aim, 1);
    drag_to(39.9f, 39.9f);
    EXPECT_NEAR(o.aim_east, 39.9f, 1e-3f);
    EXPECT_NEAR(o.aim_north, 39.9f, 1e-3f);
    EXPECT_EQ(properties().substr(0, 8), "Bearing ");
    // Pressing empty ground beside every scenery lets go of it.
    press_at(20.0f, 20.0f);
    EXPECT_EQ(s().selected_aim, 0);
    EXPECT_EQ(s().selected_object, 0);

    // The map is drawn in the draw event, after the elements: Run Scenario is drawn after it.
    const gui_rect* run = find_text("Run Scenario");
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(run->over_custom);
}

namespace {

// A glyph the map drew: its box and colour.
struct glyph {
    float x1, y1, x2, y2;
    std::uint32_t colour;
};

// The glyphs of the font draws made while the map's clip planes were on.
std::vector<glyph> map_glyphs(const recording_device& d) {
    std::vector<glyph> out;
    for (const draw_record& r : d.draws()) {
        if (r.type != PT_TRIANGLELIST || r.textures[0] == nullptr || r.state.render[RS_CLIPPLANEENABLE] == 0) continue;
        for (int g = 0; g < r.primitive_count / 2; ++g) {
            glyph q{1e9f, 1e9f, -1e9f, -1e9f, 0};
            for (int i = 6 * g; i < 6 * g + 6; ++i) {
                font_vertex v;
                std::memcpy(&v, r.vertices.data() + i * sizeof v, sizeof v);
                q = {std::min(q.x1, v.x), std::min(q.y1, v.y), std::max(q.x2, v.x), std::max(q.y2, v.y), v.color};
            }
            out.push_back(q);
        }
    }
    return out;
}

// More than a sliver in common (glyphs side by side in a line touch at an edge).
bool cover(const glyph& a, const glyph& b) {
    return std::min(a.x2, b.x2) - std::max(a.x1, b.x1) > 0.002f && std::min(a.y2, b.y2) - std::max(a.y1, b.y1) > 0.002f;
}

}  // namespace

// Place names from the same spot, one at the map's right edge; the marker at the map's lower
// left corner, where the longitude would lie on the scale bar; a launcher zoomed in on. The
// names stay inside the map and clear of each other, the black coordinates stand on a light
// ground, and the launcher's name starts beside its disc.
TEST_F(ScenarioScreen, MapTextsStayInsideApartAndReadable) {
    tmp.write("scenery/Wide/titles.txt", "35 35 Kestrel Bay\n35 35 Test Range\n35.01 35.02 Gull Island\n"
                                         "39.99 34 Far East Point\n");
    open(23);
    choose_listed_scenery(0);  // Wide, 30..40 E and N, its height filling the map
    ASSERT_EQ(s().view.title_count, 4);
    const gui_rect* map = pad();
    marker_at(s().view.lon0 - s().view.hw / s().view.xs + 0.2f, s().view.lat0 - s().view.hh / s().view.ys + 0.1f);
    overlay_setup o(640, 480);
    root->send(gui_event::draw);
    std::vector<glyph> glyphs = map_glyphs(*o.device);
    ASSERT_GT(glyphs.size(), 40u);
    int black = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const glyph& g = glyphs[i];
        EXPECT_TRUE(g.x1 >= map->x1 - 1e-4f && g.x2 <= map->x2 + 1e-4f && g.y1 >= map->y1 - 1e-4f && g.y2 <= map->y2 + 1e-4f)
            << "glyph " << i << " at " << g.x1 << " " << g.y1;
        for (std::size_t k = i + 1; k < glyphs.size(); ++k) EXPECT_FALSE(cover(g, glyphs[k])) << i << " and " << k;
        if (g.colour != 0xFF000000u) continue;
        ++black;
        // A light, mostly opaque ground drawn under the glyph.
        bool grounded = false;
        for (const draw_record& r : o.device->draws()) {
            if (r.textures[0] != nullptr || r.type != PT_TRIANGLELIST || r.vertices.size() < 4 * sizeof(overlay_vertex)) continue;
            float x1 = 1e9f, y1 = 1e9f, x2 = -1e9f, y2 = -1e9f;
            overlay_vertex v{};
            for (std::size_t n = 0; n < r.vertices.size() / sizeof v; ++n) {
                std::memcpy(&v, r.vertices.data() + n * sizeof v, sizeof v);
                x1 = std::min(x1, v.x), y1 = std::min(y1, v.y), x2 = std::max(x2, v.x), y2 = std::max(y2, v.y);
            }
            const bool light = (v.color >> 24) >= 0x80u && ((v.color >> 16) & 0xFFu) >= 0xC0u &&
                               ((v.color >> 8) & 0xFFu) >= 0xC0u && (v.color & 0xFFu) >= 0xC0u;
            grounded = grounded || (light && x1 <= g.x1 && x2 >= g.x2 && y1 <= g.y1 && y2 >= g.y2);
        }
        EXPECT_TRUE(grounded) << "black glyph " << i;
    }
    EXPECT_GE(black, 18);  // the two coordinates, "00:00:00N" long
    // Neither lies on the scale bar at the map's lower left corner, under the marker.
    const scenario_map_view& view = s().view;
    const glyph bar{-0.95f, -0.94f, -0.95f + view.xs * 1000.0f / 111120.0f * scenario_scale_bar_km(view), -0.9f, 0};
    ASSERT_GT(bar.x2, map->x1 + 0.2f * view.xs);  // the marker stands over the bar
    for (const glyph& g : glyphs) {
        if (g.colour != 0xFF000000u) continue;
        EXPECT_FALSE(cover(g, bar)) << g.x1 << " " << g.y1;
    }

    // Zoomed in on a launcher: its name starts right of its disc, not inside it.
    press_at(36.0f, 36.0f);
    press_and_click("Add Rocket Launcher");
    for (int i = 0; i < 16; ++i) root->send(gui_event::wheel_up);
    const scenario_map_view& v = s().view;
    const float disc_right = scenario_gui_x(v, 36.0f) + 0.75f * 1000.0f / 111120.0f * v.ys;
    ASSERT_GT(disc_right - scenario_gui_x(v, 36.0f), 0.02f);
    o.device->clear_records();
    root->send(gui_event::draw);
    float name_left = 1e9f;
    for (const glyph& g : map_glyphs(*o.device)) {
        if (g.colour == 0xFFFFC000u) name_left = std::min(name_left, g.x1);
    }
    EXPECT_GE(name_left, disc_right);
    EXPECT_LT(name_left, disc_right + 0.05f);
    g_overlay = nullptr;
}

TEST_F(ScenarioScreen, TheSidePanelTextsKeepTheirShapeInA640By480Window) {
    open(23);
    // The labels beside their fields: at most a little narrowed (half as wide looks faint).
    for (const char* label : {"Radius (m)", "Rockets count", "Reload time (sec)"}) {
        SCOPED_TRACE(label);
        const gui_rect* r = find_text(label);
        ASSERT_NE(r, nullptr);
        EXPECT_GE(r->fitted_text().narrowing, 0.9f);
    }
    // A system's name in its list, clear of the chosen item's tick, is not squeezed either.
    const gui_rect* item = system_list()->find_rect_by_kind(rect_kind::list_item);
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->text.get(), "Sentinel MR");
    EXPECT_EQ(item->fitted_text().narrowing, 1.0f);
}
