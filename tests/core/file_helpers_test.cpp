#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/app_state.h"
#include "core/file_helpers.h"
#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

class FileHelpersTest : public ::testing::Test {
protected:
    void SetUp() override { g_state = &state_; }
    void TearDown() override { g_state = nullptr; }
    temp_folder tmp_;
    app_state state_;
};

}  // namespace

TEST_F(FileHelpersTest, SearchPathPrefersTheSceneryThenCommonThenGraphics) {
    tmp_.write("scenery/Coast/tree.x", "s");
    tmp_.write("common/tree.x", "c");
    tmp_.write("common/Rock.X", "c");
    tmp_.write("graphics/sun.dds", "g");
    copy_text(state_.scenery_name, "Coast");
    char out[260];
    ASSERT_TRUE(find_data_file(out, "tree.x"));
    EXPECT_STREQ(out, "scenery\\Coast\\tree.x");
    ASSERT_TRUE(find_data_file(out, "rock.x"));
    EXPECT_STREQ(out, "common\\Rock.X");  // spelt as the file system has it
    ASSERT_TRUE(find_data_file(out, "sun.dds"));
    EXPECT_STREQ(out, "graphics\\sun.dds");
    ASSERT_TRUE(find_data_file(out, "*.dds"));  // a wildcard resolves to its first match
    EXPECT_STREQ(out, "graphics\\sun.dds");
    EXPECT_FALSE(find_data_file(out, "none.x"));
    EXPECT_STREQ(out, "none.x");
    char tiny[8];
    EXPECT_FALSE(find_data_file(tiny, sizeof tiny, "tree.x"));  // does not fit: not found
    EXPECT_STREQ(tiny, "tree.x");
}

TEST_F(FileHelpersTest, ExtensionFallbacks) {
    tmp_.write("common/target.xx", "scrambled");
    tmp_.write("graphics/water.jpg", "j");
    char name[64] = "common\\target.x";
    EXPECT_TRUE(resolve_file_extension(name, ".xx", nullptr));
    EXPECT_STREQ(name, "common\\target.xx");
    char tex[64] = "graphics\\water.dds";
    EXPECT_TRUE(resolve_file_extension(tex, ".jpg", ".dds"));
    EXPECT_STREQ(tex, "graphics\\water.jpg");
    char none[64] = "graphics\\x.bmp";
    EXPECT_FALSE(resolve_file_extension(none, ".jpg", ".dds"));
    EXPECT_STREQ(none, "graphics\\x.dds");  // keeps the last replacement tried
    char nodot[64] = "graphics\\x";
    EXPECT_FALSE(resolve_file_extension(nodot, ".jpg", nullptr));
}

TEST_F(FileHelpersTest, FirstMatchAndNVariant) {
    tmp_.write("graphics/waves001.jpg", "1");
    tmp_.write("graphics/waves000.jpg", "1");
    tmp_.write("common/tree_n.dds", "n");
    char pattern[64] = "graphics\\waves*.jpg";
    EXPECT_TRUE(resolve_first_match(pattern, sizeof pattern));
    EXPECT_STREQ(pattern, "graphics\\waves000.jpg");
    char bare[64] = "nothing*.jpg";
    EXPECT_FALSE(resolve_first_match(bare, sizeof bare));

    char name[64] = "Common\\Tree.DDS";
    EXPECT_TRUE(find_n_variant_file(name, sizeof name));
    EXPECT_STREQ(name, "common\\tree_n.dds");
    char already[64] = "common\\Tree_N.dds";
    EXPECT_TRUE(find_n_variant_file(already, sizeof already));
    char missing[64] = "common\\Rock.dds";
    EXPECT_FALSE(find_n_variant_file(missing, sizeof missing));
    EXPECT_STREQ(missing, "common\\rock.dds");
}

TEST_F(FileHelpersTest, RotationWalksEveryFile) {
    tmp_.write("help/tips/one.txt", "1");
    tmp_.write("help/tips/two.txt", "2");
    tmp_.write("help/tips/six.txt", "3");
    tmp_.write("help/tips/ab", "short names are passed over");
    std::set<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        char pattern[64] = "help\\tips\\*.*";
        ASSERT_TRUE(pick_file_in_rotation(pattern, sizeof pattern));
        seen.insert(pattern);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"one.txt", "six.txt", "two.txt"}));
    char empty[64] = "help\\none\\*.*";
    EXPECT_FALSE(pick_file_in_rotation(empty, sizeof empty));
    EXPECT_STREQ(empty, "help\\none\\*.*");
}

TEST_F(FileHelpersTest, RandomPickHonoursExclusion) {
    tmp_.write("music/intro.mp3", "1");
    tmp_.write("music/track2.mp3", "2");
    char pattern[64] = "music\\*.*";
    ASSERT_TRUE(pick_random_file_except(pattern, sizeof pattern, "intro"));
    EXPECT_STREQ(pattern, "track2.mp3");
    char all[64] = "music\\*.*";
    EXPECT_FALSE(pick_random_file_except(all, sizeof all, ".mp3"));
}

TEST_F(FileHelpersTest, ScrambleRoundTripOver300Bytes) {
    std::string data;
    for (int i = 0; i < 300; ++i) data.push_back(static_cast<char>((i * 7) & 0xFF));
    tmp_.write("common/plain.x", data);
    ASSERT_TRUE(scramble_copy("common\\plain.x", "common\\model.xx"));
    const std::string scrambled = tmp_.read("common/model.xx");
    ASSERT_EQ(scrambled.size(), 300u);
    EXPECT_EQ(static_cast<unsigned char>(scrambled[257]), static_cast<unsigned char>(data[257] + 1));
    ASSERT_TRUE(unscramble_copy("common\\model.xx", "common\\back.x"));
    EXPECT_EQ(tmp_.read("common/back.x"), data);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(read_model_file("common\\model.xx", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), data);
    EXPECT_FALSE(unscramble_copy("common\\missing.xx", "common\\out.x"));
    EXPECT_FALSE(tmp_.exists("common/out.x"));
}

TEST_F(FileHelpersTest, LongestLine) {
    EXPECT_EQ(longest_line_length("ab\nabcd\nx", 20), 4);
    EXPECT_EQ(longest_line_length("ab\nabcdef", 6), 2);  // the cut-off line does not count
    EXPECT_EQ(longest_line_length("abc", 0), 0);
    EXPECT_EQ(longest_line_length(nullptr, 5), 0);
    EXPECT_EQ(longest_line_length("abcdef", 10), 6);  // ends at the terminator: counts
}

TEST_F(FileHelpersTest, ReadTextExpandsTabsToSixteenAndBounds) {
    tmp_.write("help/a.txt", "ab\tc\n\tx");
    char buf[64];
    ASSERT_TRUE(read_text_file("help\\a.txt", buf, sizeof buf));
    EXPECT_EQ(std::string(buf), std::string("ab") + std::string(14, ' ') + "c\nx");
    char small[6];
    ASSERT_TRUE(read_text_file("help\\a.txt", small, sizeof small));
    EXPECT_STREQ(small, "ab  ");  // at most size - 2 characters
    EXPECT_FALSE(read_text_file("help\\none.txt", buf, sizeof buf));
}

TEST_F(FileHelpersTest, FoldersDeletionAndTwoFolders) {
    tmp_.write("motors/New Motor.txt", "m");
    tmp_.write("common/New Motor.txt", "c");
    EXPECT_TRUE(is_folder("motors"));
    EXPECT_FALSE(is_folder("motors\\New Motor.txt"));
    char name[64] = "New Motor.txt";
    EXPECT_TRUE(find_in_two_folders(name, sizeof name, "configs", "motors"));
    EXPECT_STREQ(name, "motors\\New Motor.txt");
    EXPECT_TRUE(delete_file("motors\\New Motor.txt"));
    EXPECT_FALSE(tmp_.exists("motors/New Motor.txt"));
}

TEST_F(FileHelpersTest, ClipboardWithoutBackendFails) {
    EXPECT_FALSE(copy_to_clipboard("x"));
    static std::string got;
    set_clipboard_backend([](const char* t) {
        got = t;
        return true;
    });
    EXPECT_TRUE(copy_to_clipboard("hello"));
    EXPECT_EQ(got, "hello");
    set_clipboard_backend(nullptr);
}
