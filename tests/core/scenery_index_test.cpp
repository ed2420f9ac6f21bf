#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/app_state.h"
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
        tmp_.write("scenery/" + name + "/e.hdr", format_string("left_map_x = %d\n", i));
    }
    state_->load_scenery_index();
    ASSERT_EQ(state_->sceneries.count, scenery_index::k_max_entries);
    EXPECT_STREQ(state_->sceneries.entries[1023].folder, "s1023");
    EXPECT_FLOAT_EQ(state_->sceneries.entries[1023].left_map_x, 1023.0f);
}
