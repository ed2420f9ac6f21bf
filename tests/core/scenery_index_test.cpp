#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

class SceneryIndexTest : public ::testing::Test {
protected:
    void SetUp() override { g_state = state_.get(); }
    void TearDown() override { g_state = nullptr; }
    // A scenery folder with both kinds of file and the given bounds (west, south, east, north).
    void add(const std::string& name, float w, float s, float e, float n) {
        tmp_.write("scenery/" + name + "/e.bin", "xx");
        tmp_.write("scenery/" + name + "/e.hdr",
                   format_string("has_depth = none\r\ndata_type = int16\r\nunits = m\r\n"
                                 "left_map_x = %g\r\nlower_map_y = %g\r\nright_map_x = %g\r\n"
                                 "upper_map_y = %g\r\nrows = 64\r\n", w, s, e, n));
    }
    temp_folder tmp_;
    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
};

}  // namespace

TEST_F(SceneryIndexTest, IndexesFoldersWithBothFilesAndReadsTheirBounds) {
    add("Alps", 7.0f, 45.0f, 8.5f, 46.25f);
    tmp_.write("scenery/BinOnly/e.bin", "xx");
    tmp_.write("scenery/HdrOnly/e.hdr", "left_map_x = 1\n");
    tmp_.write("scenery/loose.txt", "not a folder");
    add("Coast", -1.0f, 2.0f, 3.0f, 4.0f);
    state_->load_scenery_index();
    ASSERT_EQ(state_->sceneries.count, 2);
    const scenery_index_entry& a = state_->sceneries.entries[0];
    EXPECT_STREQ(a.folder, "Alps");
    EXPECT_FLOAT_EQ(a.left_map_x, 7.0f);
    EXPECT_FLOAT_EQ(a.lower_map_y, 45.0f);
    EXPECT_FLOAT_EQ(a.right_map_x, 8.5f);
    EXPECT_FLOAT_EQ(a.upper_map_y, 46.25f);
    EXPECT_STREQ(state_->sceneries.entries[1].folder, "Coast");
    EXPECT_FLOAT_EQ(state_->sceneries.entries[1].left_map_x, -1.0f);
    // A second indexing starts over.
    state_->load_scenery_index();
    EXPECT_EQ(state_->sceneries.count, 2);
    // A name that does not fit its entry is left out.
    add(std::string(45, 'x'), 0.0f, 0.0f, 1.0f, 1.0f);
    state_->load_scenery_index();
    EXPECT_EQ(state_->sceneries.count, 2);
}

TEST_F(SceneryIndexTest, TheNarrowestSceneryAroundThePointWins) {
    add("A_Large", 0.0f, 0.0f, 4.0f, 4.0f);
    add("B_Small", 1.0f, 1.0f, 2.0f, 2.0f);
    add("C_Twin", 10.0f, 0.0f, 12.0f, 2.0f);
    add("D_Twin", 10.5f, 0.0f, 12.5f, 2.0f);
    state_->load_scenery_index();
    ASSERT_EQ(state_->sceneries.count, 4);
    EXPECT_EQ(state_->find_scenery_tile(1.5f, 1.5f), 2);
    EXPECT_EQ(state_->find_scenery_tile(2.09f, 1.5f), 2);  // within 10 % of its height
    EXPECT_EQ(state_->find_scenery_tile(2.11f, 1.5f), 1);
    EXPECT_EQ(state_->find_scenery_tile(3.5f, 3.5f), 1);
    EXPECT_EQ(state_->find_scenery_tile(11.0f, 1.0f), 3);  // equal widths: the first listed
    EXPECT_EQ(state_->find_scenery_tile(50.0f, 50.0f), 0);
}

TEST_F(SceneryIndexTest, KeepsAtMostTheFirst1024Sceneries) {
    for (int i = 0; i < scenery_index::k_max_entries + 3; ++i) {
        const std::string name = format_string("s%04d", i);
        tmp_.write("scenery/" + name + "/e.bin", "x");
        tmp_.write("scenery/" + name + "/e.hdr",
                   format_string("left_map_x = %d\nlower_map_y = 0\nright_map_x = %d\nupper_map_y = 1\n", i % 179,
                                 i % 179 + 1));
    }
    state_->load_scenery_index();
    ASSERT_EQ(state_->sceneries.count, scenery_index::k_max_entries);
    EXPECT_STREQ(state_->sceneries.entries[1023].folder, "s1023");
    EXPECT_FLOAT_EQ(state_->sceneries.entries[1023].left_map_x, 1023.0f - 5 * 179);
}

// A header that gives no map on the globe, or a folder without its header or samples, leaves
// its scenery out with a log line naming the file; the index counts what it left out, so a
// situation that then finds no scenery can say why.
TEST_F(SceneryIndexTest, BrokenHeadersAndMissingFilesAreLeftOutAndNamed) {
    d3d_app app;
    g_app = &app;
    add("Good", 38.5f, 20.0f, 38.75f, 20.25f);
    const std::string bounds = "left_map_x = 38.5\nlower_map_y = 20\nright_map_x = 38.75\nupper_map_y = 20.25\n";
    const std::vector<std::pair<std::string, std::string>> broken = {
        {"Empty", ""},
        {"Truncated", bounds.substr(0, 40)},
        {"Garbage", std::string("\x01\xff\x80 = = =\n\n==\x7f", 13)},
        {"NotANumber", "left_map_x = nan\nlower_map_y = 20\nright_map_x = 38.75\nupper_map_y = 20.25\n"},
        {"Infinite", "left_map_x = 38.5\nlower_map_y = 20\nright_map_x = 1e999\nupper_map_y = 20.25\n"},
        {"OffTheGlobe", "left_map_x = 38.5\nlower_map_y = 20\nright_map_x = 38.75\nupper_map_y = 95\n"},
        {"EastOfItself", "left_map_x = 39\nlower_map_y = 20\nright_map_x = 38.75\nupper_map_y = 20.25\n"},
        {"Huge", bounds + std::string(100000, '#')},
    };
    for (const auto& [folder, header] : broken) {
        tmp_.write("scenery/" + folder + "/kestrel.bin", "xx");
        tmp_.write("scenery/" + folder + "/kestrel.hdr", header);
    }
    tmp_.write("scenery/NoSamples/kestrel.hdr", bounds);
    tmp_.write("scenery/NoHeader/kestrel.bin", "xx");
    state_->load_scenery_index();

    ASSERT_EQ(state_->sceneries.count, 1);
    EXPECT_STREQ(state_->sceneries.entries[0].folder, "Good");
    EXPECT_EQ(state_->sceneries.left_out, static_cast<int>(broken.size()) + 2);
    EXPECT_STREQ(state_->sceneries.first_left_out, "EastOfItself");  // the listing's first
    const std::string log = app.log_text();
    for (const auto& [folder, header] : broken) {
        EXPECT_NE(log.find("scenery\\" + folder + "\\kestrel.hdr"), std::string::npos) << folder;
    }
    EXPECT_NE(log.find("Could not read the scenery header scenery\\Huge\\kestrel.hdr"), std::string::npos);
    EXPECT_NE(log.find("scenery\\Truncated\\kestrel.hdr gives no right_map_x"), std::string::npos);
    EXPECT_NE(log.find("scenery\\NoSamples holds no elevation samples"), std::string::npos);
    EXPECT_NE(log.find("scenery\\NoHeader holds no elevation header"), std::string::npos);
    // Nothing is found where the broken sceneries lie, the good one still is.
    EXPECT_EQ(state_->find_scenery_tile(38.6f, 20.1f), 1);
    state_->load_scenery_index();
    EXPECT_EQ(state_->sceneries.left_out, static_cast<int>(broken.size()) + 2);  // counted afresh
    g_app = nullptr;
}
