// The map view: its spans and zoom limits, the scenery choice, the scale bar, the title
// reader's limits and bad lines, and a whole opening over a scenery with a click.
#include <cstring>
#include <string>

#include "gui_fixture.h"
#include "overlay_fixture.h"
#include "platform/clipboard.h"
#include "shell/scene.h"
#include "simulation/rocket_launcher.h"
#include "tests/support/temp_folder.h"
#include "ui/map_view.h"
#include "ui/screens.h"

namespace {

std::string g_clipboard;
bool record_clipboard(const char* text) {
    g_clipboard = text;
    return true;
}

void add_scenery(scenery_index* index, const char* folder, float left, float lower, float right,
                 float upper) {
    scenery_index_entry& e = index->entries[index->count++];
    std::snprintf(e.folder, sizeof e.folder, "%s", folder);
    e.left_map_x = left;
    e.lower_map_y = lower;
    e.right_map_x = right;
    e.upper_map_y = upper;
}

TEST(map_geometry, spans_scale_bar_and_scenery_choice) {
    map_view_state s;
    s.zoom = 2.0f;
    s.aspect = 0.8f;
    map_update_scales(s, 1.6f, 2.0f);
    EXPECT_NEAR(1.6f / s.xs, 225.0f, 1e-3f);
    EXPECT_NEAR(2.0f / s.ys, 180.0f, 1e-3f);

    EXPECT_FLOAT_EQ(map_scale_bar_km(0.3f), 1.0f);        // 2 km would be 0.6 units
    EXPECT_FLOAT_EQ(map_scale_bar_km(0.00019f), 2000.0f);
    EXPECT_FLOAT_EQ(map_scale_bar_km(1.5f), 0.2f);
    EXPECT_FLOAT_EQ(map_scale_bar_km(10.0f), 0.1f);

    scenery_index index;
    add_scenery(&index, "Wide", 0, 0, 10, 10);
    add_scenery(&index, "Narrow", 2, 2, 4, 4);
    add_scenery(&index, "Elsewhere", 50, 50, 51, 51);
    EXPECT_EQ(choose_scenery(index, 3, 3, 0), 2);
    EXPECT_EQ(choose_scenery(index, 3, 3, 1), 1);   // the selected wider one stays
    EXPECT_EQ(choose_scenery(index, 5, 5, 0), 1);
    EXPECT_EQ(choose_scenery(index, 2, 3, 0), 1);   // on Narrow's edge: not inside it
    EXPECT_EQ(choose_scenery(index, 20, 20, 0), 0);
    add_scenery(&index, "World", -180, -90, 180, 90);  // as wide as the best allowed
    EXPECT_EQ(choose_scenery(index, 20, 20, 0), 0);
}

class map_titles : public ::testing::Test {
protected:
    temp_folder tmp;
    map_title titles[map_view_state::k_max_titles];
};

TEST_F(map_titles, a_full_table_stops_at_256_and_names_are_cut_to_39) {
    d3d_app app;
    g_app = &app;
    std::string text = "\r\n";
    for (int i = 0; i < 300; ++i) text += std::to_string(i) + ".5 -" + std::to_string(i) + "   Place " + std::to_string(i) + "\r\n";
    tmp.write("titles.txt", text);
    ASSERT_EQ(read_map_titles("titles.txt", titles, map_view_state::k_max_titles), 256);
    EXPECT_FLOAT_EQ(titles[255].longitude, 255.5f);
    EXPECT_FLOAT_EQ(titles[255].latitude, -255.0f);
    EXPECT_STREQ(titles[255].name, "Place 255");  // leading blanks and the CR dropped

    const std::string forty(40, 'x');
    tmp.write("long.txt", "1 2 " + forty + "\n3 4 " + std::string(400, 'y') + "\n5 6 Last");
    ASSERT_EQ(read_map_titles("long.txt", titles, map_view_state::k_max_titles), 3);
    EXPECT_EQ(std::string(titles[0].name), forty.substr(0, 39));
    EXPECT_EQ(std::string(titles[1].name), std::string(39, 'y'));
    EXPECT_STREQ(titles[2].name, "Last");
    EXPECT_NE(std::string(app.log_text()).find("long.txt: place names cut to 39 characters"),
              std::string::npos);
    EXPECT_EQ(std::string(app.log_text()).find("titles.txt"), std::string::npos);
    EXPECT_EQ(read_map_titles("missing.txt", titles, map_view_state::k_max_titles), 0);
    g_app = nullptr;
}

TEST_F(map_titles, a_malformed_line_ends_the_table_with_a_log_line) {
    d3d_app app;
    g_app = &app;
    tmp.write("bad.txt", "10 20 Harbour\r\nnorth of the hill\r\n30 40 Lighthouse\r\n");
    EXPECT_EQ(read_map_titles("bad.txt", titles, map_view_state::k_max_titles), 1);
    EXPECT_STREQ(titles[0].name, "Harbour");
    EXPECT_NE(std::string(app.log_text()).find("bad.txt line 2"), std::string::npos);
    tmp.write("half.txt", "10 Harbour\n");
    EXPECT_EQ(read_map_titles("half.txt", titles, map_view_state::k_max_titles), 0);
    g_app = nullptr;
}

class map_view_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->init();
        overlay = std::make_unique<overlay_setup>(640, 480, false);
        g_scene = &world;
        set_clipboard_backend(record_clipboard);
        g_map_view = map_view_state{};
        add_scenery(&state->sceneries, "Kestrel Bay", 10, 50, 11, 51);
        add_scenery(&state->sceneries, "Coast", 0, 40, 20, 60);
        tmp.write("scenery/Kestrel Bay/titles.txt", "10.5 50.5 Old Harbour\n");
    }
    void TearDown() override {
        set_clipboard_backend(nullptr);
        g_scene = nullptr;
        overlay.reset();
        gui_fixture::TearDown();
    }
    gui_window* open_view() {
        root->open_dialog(map_view_dialog);
        return root->find_dialog(map_view_dialog);
    }
    temp_folder tmp;
    std::unique_ptr<overlay_setup> overlay;
    scene world;
};

TEST_F(map_view_test, opening_over_a_scenery_chooses_it_and_reads_its_titles) {
    state->camera_longitude = 10.4f;
    state->camera_latitude = 50.6f;
    gui_window* w = open_view();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(app->map_shown, 1);
    EXPECT_EQ(g_map_view.selected, 1);
    EXPECT_STREQ(w->find_rect_by_kind(rect_kind::title_bar)->text.get(), "Map of the Kestrel Bay scenery");
    ASSERT_EQ(g_map_view.title_count, 1);
    EXPECT_STREQ(g_map_view.titles[0].name, "Old Harbour");
    EXPECT_FLOAT_EQ(g_map_view.zoom, map_view_state::k_scenery_zoom);
    // A press at the pad's centre copies the camera's point.
    click(px(0.0f), py(0.0f));
    EXPECT_EQ(g_clipboard.substr(0, 9), "10.400000");
    // Drawing stays inside the pad and releases its clip planes.
    overlay->device->clear_records();
    root->render();
    EXPECT_EQ(overlay->device->render_state(RS_CLIPPLANEENABLE), 0u);
    root->close_dialog(map_view_dialog);
    root->update();
    EXPECT_EQ(app->map_shown, 0);
}

// A clipboard that refuses the text: the press still chooses the scenery under it, and the
// message line says the position was not copied.
TEST_F(map_view_test, a_copy_that_fails_is_told_on_the_message_line) {
    state->camera_longitude = 10.4f;
    state->camera_latitude = 50.6f;
    set_clipboard_backend([](const char*) { return false; });
    ASSERT_NE(open_view(), nullptr);
    g_map_view.selected = 0;
    state->message[0] = '\0';
    click(px(0.0f), py(0.0f));
    EXPECT_STREQ(state->message, "Could not copy the position to the clipboard");
    EXPECT_EQ(g_map_view.selected, 1);
    // With no clipboard at all, the same.
    set_clipboard_backend(nullptr);
    state->message[0] = '\0';
    click(px(0.0f), py(0.0f));
    EXPECT_STREQ(state->message, "Could not copy the position to the clipboard");
}

TEST_F(map_view_test, the_wheel_zooms_within_its_limits) {
    state->camera_longitude = 100.0f;  // over no scenery: the world map
    gui_window* w = open_view();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(g_map_view.selected, 0);
    EXPECT_FLOAT_EQ(g_map_view.zoom, 2.0f);
    wheel(120);
    EXPECT_GT(g_map_view.zoom, 2.0f);
    for (int i = 0; i < 200; ++i) wheel(120);
    EXPECT_FLOAT_EQ(g_map_view.zoom, 1e6f);
    for (int i = 0; i < 200; ++i) wheel(-120);
    EXPECT_FLOAT_EQ(g_map_view.zoom, 1.0f);
    // Closing and reopening keeps the zoom.
    root->close_dialog(map_view_dialog);
    root->update();
    open_view();
    EXPECT_FLOAT_EQ(g_map_view.zoom, 1.0f);
}

TEST_F(map_view_test, a_launcher_is_drawn_with_its_range_and_aim_line) {
    state->camera_longitude = 100.0f;
    state->camera_latitude = 0.2f;
    gui_window* w = open_view();
    ASSERT_NE(w, nullptr);
    // A launcher at (100.1 E, 0.2 N) aiming 5 km north; without an elevation grid a degree is
    // 111,120 m both ways.
    rocket_launcher launcher;
    launcher.east = 100.1f;
    launcher.north = 0.2f;
    launcher.azimuth = 0.0f;
    launcher.range = 5000.0f;
    world.tables.launchers[0] = &launcher;
    world.tables.launcher_count = 1;
    w->send(15);
    world.tables.launchers[0] = nullptr;
    world.tables.launcher_count = 0;
    ASSERT_EQ(g_map_view.object_count, 1);
    const map_object& o = g_map_view.objects[0];
    EXPECT_EQ(o.kind, 2);
    EXPECT_EQ(o.radius_m, 1000);
    EXPECT_NEAR(o.aim_longitude, 100.1f, 1e-4f);
    EXPECT_NEAR(o.aim_latitude, 0.2f + 5000.0f / 111120.0f, 1e-4f);

    overlay->device->clear_records();
    root->render();
    // The black aim line runs straight up the map from the launcher.
    const float x = (100.1f - g_map_view.lon0) * g_map_view.xs + g_map_view.cx;
    bool found = false;
    for (const draw_record& d : overlay->device->draws()) {
        if (d.type != PT_LINELIST || d.vertices.size() != 2 * sizeof(overlay_vertex)) continue;
        overlay_vertex a, b;
        std::memcpy(&a, d.vertices.data(), sizeof a);
        std::memcpy(&b, d.vertices.data() + sizeof a, sizeof b);
        if (a.color != 0xFF000000u) continue;
        found = true;
        EXPECT_NEAR(a.x, x, 1e-4f);
        EXPECT_NEAR(b.x, x, 1e-4f);
        EXPECT_NEAR(b.y - a.y, 5000.0f / 111120.0f * g_map_view.ys, 1e-4f);
        EXPECT_EQ(d.state.render[RS_CLIPPLANEENABLE], 15u);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(overlay->device->render_state(RS_CLIPPLANEENABLE), 0u);
}

}  // namespace
