#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/loading_display.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_folder.h"
#include "tests/world/scenery_maker.h"
#include "world/scenery_bitmaps.h"
#include "world/terrain.h"

namespace {

class TerrainLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = state_.get();
        g_app = app_.get();
    }
    void TearDown() override {
        ground_.reset();
        g_state = nullptr;
        g_app = nullptr;
    }
    bool load(const std::string& name) {
        ground_->unload();
        return ground_->load_scenery(name.c_str());
    }
    bool log_has(const char* text) const { return contains(app_->log_text(), text); }

    temp_folder tmp_;
    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
    std::unique_ptr<d3d_app> app_ = std::make_unique<d3d_app>();
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
};

// The loading picture as the tests see it: the captions it was given, in order. Installed
// while it lives.
class caption_log : public loading_display {
public:
    caption_log() { set_loading_display(this); }
    ~caption_log() override { set_loading_display(nullptr); }
    std::vector<std::string> captions;
    void begin_loading_screen() override {}
    void show_loading_status(const char* text) override { captions.emplace_back(text); }
    void end_loading_screen() override {}
};

// Classes by height: 0 below 20 m, 1 from 20 to 60 m, 2 above; every slope, always.
const char* k_three_classes =
    "3 1024\n"
    "0 20 0 100 1 sand.dds\n"
    "20 60 0 100 1 grass.dds\n"
    "60 9000 0 100 1 rock.dds\n"
    "0\n";

}  // namespace

TEST_F(TerrainLoadTest, LoadsElevationsAndAnswersHeightsAtAndBetweenSamples) {
    test_scenery s;  // 64 x 64, 30 m cells, height 10 + 2 x row
    write_scenery(tmp_, "Flat", s);
    ASSERT_TRUE(load("Flat"));
    EXPECT_STREQ(state_->scenery_name, "Flat");
    EXPECT_EQ(ground_->rows, 64);
    EXPECT_EQ(ground_->columns, 64);
    EXPECT_NEAR(ground_->cell_size, 30.0f, 1e-3f);
    // Interior samples are the file's (the edge columns are stretched out to fill, and the
    // three in-place smoothing passes of the shore reach three columns in).
    for (int r = 4; r < 60; ++r)
        for (int c = 4; c < 60; ++c) ASSERT_EQ(ground_->elevation(r, c), 10 + 2 * r) << r << "," << c;
    const float cell = ground_->cell_size;
    float h = 0.0f;
    ground_->ground_height(20 * cell, 10 * cell, &h);
    EXPECT_NEAR(h, 30.0f, 1e-3f);
    ground_->ground_height(20.4f * cell, 10.7f * cell, &h);
    EXPECT_NEAR(h, 31.4f, 1e-3f);
    state_->origin_offset = vec3{600.0f, 5.0f, 300.0f};  // scene positions move with the origin
    ground_->ground_height(20.4f * cell - 600.0f, 10.7f * cell - 300.0f, &h);
    EXPECT_NEAR(h, 26.4f, 1e-3f);
    ground_->ground_height(-1000.0f, 0.0f, &h);
    EXPECT_FLOAT_EQ(h, state_->fill_height - 5.0f);
    // The class map was built and written once.
    EXPECT_TRUE(tmp_.exists("scenery/Flat/txt.bmp"));
}

TEST_F(TerrainLoadTest, RowsAreStretchedByLatitudeAndNoDataBecomesShore) {
    test_scenery s;
    s.south = 59.99f;
    s.north = 60.01f;
    s.sample = [](int r, int c) { return (r == 40 && c == 32) ? -9999 : 100; };
    write_scenery(tmp_, "North", s);
    copy_text(state_->scenery_name, "North");
    ASSERT_TRUE(ground_->load_elevations());
    const int deep = static_cast<int>(state_->fill_height);
    const int shallow = static_cast<int>(state_->fill_height * 0.1f);
    // At 60 degrees a row is twice as wide: its outer quarters are fill.
    EXPECT_EQ(ground_->elevation(32, 15), deep);
    EXPECT_EQ(ground_->elevation(32, 17), 100);
    EXPECT_EQ(ground_->elevation(32, 46), 100);
    EXPECT_EQ(ground_->elevation(32, 48), deep);
    EXPECT_EQ(ground_->elevation(40, 32), 0);

    ASSERT_TRUE(load("North"));
    EXPECT_EQ(ground_->elevation(32, 32), 100);
    // The no-data sample reads 0 and, next to land, becomes shallow water.
    EXPECT_EQ(ground_->elevation(40, 32), shallow);
}

TEST_F(TerrainLoadTest, CorruptHeadersAndShortSamplesFailCleanly) {
    struct bad_case {
        const char* name;
        std::function<void(test_scenery*)> change;
        const char* log;
    };
    const std::vector<bad_case> cases = {
        {"ZeroRows", [](test_scenery* s) { s->rows = 0; }, "Bad elevation grid size"},
        {"ZeroColumns", [](test_scenery* s) { s->columns = 0; }, "Bad elevation grid size"},
        {"NegativeRows", [](test_scenery* s) { s->rows = -64; }, "Bad elevation grid size"},
        {"ZeroCell", [](test_scenery* s) { s->north = s->south; }, "Bad elevation bounds"},
        {"TinyCell", [](test_scenery* s) { s->north = s->south + 1e-7f; }, "Bad elevation bounds"},
        {"SouthOfSouth", [](test_scenery* s) { s->north = s->south - 0.1f; }, "Bad elevation bounds"},
        {"NoWidth", [](test_scenery* s) { s->east = s->west; }, "Bad elevation bounds"},
        {"PastThePole", [](test_scenery* s) { s->south = 94.99f; s->north = 95.01f; }, "Bad elevation bounds"},
        {"Float", [](test_scenery* s) { s->type = "float32"; }, "is not int16"},
    };
    for (const bad_case& c : cases) {
        test_scenery s;
        const std::string samples = scenery_samples(s);
        c.change(&s);
        tmp_.write(std::string("scenery/") + c.name + "/e.hdr", scenery_header(s));
        tmp_.write(std::string("scenery/") + c.name + "/e.bin", samples);
        app_->clear_log();
        EXPECT_FALSE(load(c.name)) << c.name;
        EXPECT_TRUE(log_has(c.log)) << c.name << ": " << app_->log_text();
        EXPECT_FALSE(ground_->has_elevations()) << c.name;
        EXPECT_EQ(ground_->columns, 0) << c.name;
        EXPECT_FALSE(tmp_.exists(std::string("scenery/") + c.name + "/txt.bmp")) << c.name;
        float h = 0.0f;
        ground_->ground_height(100.0f, 100.0f, &h);
        EXPECT_FLOAT_EQ(h, state_->fill_height) << c.name;
    }

    test_scenery s;
    // A size whose sample count overflows 32 bits.
    std::string huge = scenery_header(s);
    const std::size_t at = huge.find("rows = 64");
    huge.replace(at, 9, "rows = 2000000000");
    const std::size_t at2 = huge.find("columns = 64");
    huge.replace(at2, 12, "columns = 2000000000");
    tmp_.write("scenery/Huge/e.hdr", huge);
    tmp_.write("scenery/Huge/e.bin", scenery_samples(s));
    app_->clear_log();
    EXPECT_FALSE(load("Huge"));
    EXPECT_TRUE(log_has("Bad elevation grid size"));

    // One sample short.
    std::string short_samples = scenery_samples(s);
    short_samples.resize(short_samples.size() - 2);
    tmp_.write("scenery/Short/e.hdr", scenery_header(s));
    tmp_.write("scenery/Short/e.bin", short_samples);
    app_->clear_log();
    EXPECT_FALSE(load("Short"));
    EXPECT_TRUE(log_has("Elevation samples too short"));

    // A header cut after five lines, and a folder without samples or without a header.
    tmp_.write("scenery/Cut/e.hdr", "has_depth = none\ndata_type = int16\nunits = m\nleft_map_x = 1\nlower_map_y = 2\n");
    tmp_.write("scenery/Cut/e.bin", scenery_samples(s));
    app_->clear_log();
    EXPECT_FALSE(load("Cut"));
    EXPECT_TRUE(log_has("Elevation header too short"));
    tmp_.write("scenery/NoBin/e.hdr", scenery_header(s));
    EXPECT_FALSE(load("NoBin"));
    EXPECT_TRUE(log_has("No elevation samples"));
    tmp_.write("scenery/NoHdr/e.bin", scenery_samples(s));
    EXPECT_FALSE(load("NoHdr"));
    EXPECT_TRUE(log_has("No elevation header"));

    // After all that a good scenery still loads; an elevation scale of 0 (the topographic
    // map divides by it) is taken as 1 m.
    write_scenery(tmp_, "Good", s);
    std::string unscaled = scenery_header(s);
    unscaled.replace(unscaled.find("scale = 1.0"), 11, "scale = 0");
    tmp_.write("scenery/Good/Good.hdr", unscaled);
    app_->clear_log();
    EXPECT_TRUE(load("Good"));
    EXPECT_FLOAT_EQ(ground_->elevation_scale, 1.0f);
    EXPECT_TRUE(log_has("scenery\\Good\\Good.hdr: elevation scale 0 out of range, using 1"))
        << app_->log_text();
}

TEST_F(TerrainLoadTest, ExtraEntriesOfTheDescriptionAreReadAndDropped) {
    std::string text = "18 4096\n";
    for (int k = 0; k < 18; ++k) text += format_string("%d %d 0 1 0.5 t%d.dds\n", k, k + 1, k);
    text += "2\n";
    text += "1.5 3 100 40 6 fixed_tree.dds\n";
    text += "0.5 1 50 10 0x1 bush.dds\n";
    tmp_.write("common/scenery.txt", text);
    ASSERT_TRUE(ground_->read_scenery_file());
    EXPECT_EQ(ground_->land_class_count, 16);
    EXPECT_STREQ(ground_->land_texture_names[15], "t15.dds");
    EXPECT_FLOAT_EQ(ground_->land_classes[15].min_height, 15.0f);
    EXPECT_EQ(ground_->land_texture_size, terrain::k_max_volume_extent);
    ASSERT_EQ(ground_->scatter_array_count, 2);
    EXPECT_FLOAT_EQ(ground_->scatter_arrays[0].radius, 100.0f);
    EXPECT_EQ(ground_->scatter_masks[0], 0x6u);
    EXPECT_STREQ(ground_->scatter_texture_names[0], "fixed_tree.dds");
    EXPECT_EQ(ground_->scatter_masks[1], 0x1u);
    EXPECT_STREQ(ground_->scatter_texture_names[1], "bush.dds");
    EXPECT_TRUE(log_has("common\\scenery.txt: 18 land classes, 16 used"));

    // Sizes and counts are bounded to what the textures and scatter arrays can take.
    tmp_.write("common/scenery.txt", "0 -7\n1\n1e30 -2 50 1e12 3 a_texture_name_of_forty_characters_x.dds\n");
    ASSERT_TRUE(ground_->read_scenery_file());
    EXPECT_EQ(ground_->land_class_count, 0);
    EXPECT_EQ(ground_->land_texture_size, 1);
    EXPECT_FLOAT_EQ(ground_->scatter_arrays[0].item_width, 100000.0f);
    EXPECT_FLOAT_EQ(ground_->scatter_arrays[0].item_height, 0.0f);
    EXPECT_FLOAT_EQ(ground_->scatter_arrays[0].item_count, 65536.0f);
    EXPECT_TRUE(log_has("common\\scenery.txt: land texture size -7, using 1"));
    EXPECT_TRUE(log_has("common\\scenery.txt: item count 1e+12 out of range, using 65536"));
    EXPECT_STREQ(ground_->scatter_texture_names[0], "a_texture_name_of_forty_characters_x.dd");
    EXPECT_TRUE(log_has("longer than 39 characters, cut"));
}

// A description that stops early or holds a damaged line keeps the whole entries before the
// fault, and one log line names the file, where it stopped and what is used.
TEST_F(TerrainLoadTest, ACutOrDamagedDescriptionIsNamedInTheLog) {
    const std::string whole =
        "5 256\n"
        "-1000 8 0 2 1 sand.dds\n"
        "8 300 0 0.2 0.9 grass.dds\n"
        "8 450 0 0.6 0.8 forest.dds\n"
        "520 9000 0 0.6 1 snow.dds\n"
        "-1000 9000 0 100 1 rock.dds\n"
        "1\n"
        "3 4.5 400 300 6 bush.dds\n";
    const auto read = [&](const std::string& text) {
        tmp_.write("common/scenery.txt", text);
        app_->clear_log();
        EXPECT_TRUE(ground_->read_scenery_file());
        return std::string(app_->log_text());
    };
    EXPECT_EQ(read(whole), "");
    EXPECT_EQ(ground_->land_class_count, 5);
    EXPECT_EQ(ground_->scatter_array_count, 1);

    // Cut in half, inside the fifth class: four classes, no half class with an empty name.
    std::string log = read(whole.substr(0, whole.find("9000 0 100")));
    EXPECT_EQ(log, "common\\scenery.txt is cut short at land class 5 of 5: 4 land classes and 0 scatter arrays "
                   "are used\r\n");
    EXPECT_EQ(ground_->land_class_count, 4);
    EXPECT_STREQ(ground_->land_texture_names[3], "snow.dds");
    EXPECT_STREQ(ground_->land_texture_names[4], "");
    EXPECT_EQ(ground_->scatter_array_count, 0);
    // Cut before the scatter arrays, and inside the one scatter array.
    log = read(whole.substr(0, whole.find("1\n3 4.5")));
    EXPECT_EQ(log, "common\\scenery.txt is cut short at the scatter array count: 5 land classes and 0 scatter "
                   "arrays are used\r\n");
    log = read(whole.substr(0, whole.find(" 6 bush")));
    EXPECT_EQ(log, "common\\scenery.txt is cut short at scatter array 1 of 1: 5 land classes and 0 scatter "
                   "arrays are used\r\n");
    EXPECT_STREQ(ground_->scatter_texture_names[0], "");

    // A line of 300,000 characters where the first class begins: reading stops there, and the
    // log shows the word cut.
    std::string damaged = whole;
    damaged.insert(damaged.find("-1000 8"), std::string(300000, 'x') + "\n");
    log = read(damaged);
    EXPECT_EQ(log, "common\\scenery.txt: land class 1 of 5 has \"xxxxxxxxxxxxxxxxxxxxxxxx...\" (300000 "
                   "characters) where a number belongs; reading stops there: 0 land classes and 0 scatter arrays "
                   "are used\r\n");
    EXPECT_EQ(ground_->land_class_count, 0);
    // A mask that is no hexadecimal number stops the reading too.
    damaged = whole;
    damaged.replace(damaged.find(" 6 bush"), 2, " z");
    log = read(damaged);
    EXPECT_NE(log.find("scatter array 1 of 1 has \"z\" where a number belongs"), std::string::npos) << log;

    // A line of 300,000 characters of numbers reads as entries (their names are "1"), and the
    // words it leaves after the last entry are named; a long texture name is cut and shown cut.
    damaged = whole;
    std::string ones;
    for (int i = 0; i < 150000; ++i) ones += "1 ";
    damaged.insert(damaged.find("-1000 8"), ones + "\n");
    log = read(damaged);
    EXPECT_EQ(log, "common\\scenery.txt: 150000 words after the last scatter array are not used\r\n");
    damaged = whole;
    damaged.insert(damaged.find("sand.dds"), std::string(300000, 'y'));
    log = read(damaged);
    EXPECT_NE(log.find("common\\scenery.txt: texture name \"yyyyyyyyyyyyyyyyyyyyyyyy...\" (300008 characters) "
                       "longer than 39 characters, cut"),
              std::string::npos)
        << log.substr(0, 400);
    EXPECT_LT(log.size(), 300u);
    EXPECT_EQ(ground_->land_class_count, 5);
}

TEST_F(TerrainLoadTest, SlopeThresholdsUseTheLoadedSceneryCellSize) {
    tmp_.write("common/scenery.txt", "1 1024\n0 100 0.1 0.5 1 a.dds\n0\n");
    test_scenery fine;
    write_scenery(tmp_, "Fine", fine);
    test_scenery coarse;
    coarse.north = 64 * 60.0f / 111120.0f;  // 60 m cells
    write_scenery(tmp_, "Coarse", coarse);
    ASSERT_TRUE(load("Fine"));
    ASSERT_TRUE(load("Coarse"));
    EXPECT_NEAR(ground_->cell_size, 60.0f, 1e-3f);
    EXPECT_NEAR(ground_->land_classes[0].min_slope, 6.0f * 6.0f, 1e-3f);
    EXPECT_NEAR(ground_->land_classes[0].max_slope, 30.0f * 30.0f, 1e-2f);
}

TEST_F(TerrainLoadTest, ClassMapIsBuiltByHeightWrittenOnceAndReadBack) {
    tmp_.write("common/scenery.txt", k_three_classes);
    test_scenery s;
    s.columns = 66;  // not a multiple of 4: rows are padded
    write_scenery(tmp_, "Classes", s);
    ASSERT_TRUE(load("Classes"));
    // Cell height is the mean of its south-west and north-east samples.
    EXPECT_EQ(ground_->class_map[3 * 66 + 30], 0);   // (16 + 18) / 2 = 17
    EXPECT_EQ(ground_->class_map[10 * 66 + 30], 1);  // 31
    EXPECT_EQ(ground_->class_map[30 * 66 + 30], 2);  // 71
    EXPECT_EQ(ground_->class_map[63 * 66 + 30], 0);  // the last row keeps class 0
    const std::vector<std::uint8_t> built = ground_->class_map;

    const std::string file = tmp_.read("scenery/Classes/txt.bmp");
    const int stride = 68;
    ASSERT_EQ(file.size(), 1078u + 64u * stride + 1u);
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 2])) << 16;
    };
    EXPECT_EQ(u32(2), 64u * stride + 1078u);
    EXPECT_EQ(u32(10), 1078u);
    EXPECT_EQ(u32(18), 66u);
    EXPECT_EQ(file[1078], 0);
    EXPECT_EQ(file[1078 + 1 + 30 * stride + 30], 2);  // one byte after the usual place
    EXPECT_EQ(static_cast<unsigned char>(file[54 + 0]), 165);  // palette 0 blue

    // A second load reads the file and writes nothing.
    std::filesystem::last_write_time(tmp_.path() + "/scenery/Classes/txt.bmp",
                                     std::filesystem::file_time_type{});
    ASSERT_TRUE(load("Classes"));
    EXPECT_EQ(ground_->class_map, built);
    EXPECT_EQ(std::filesystem::last_write_time(tmp_.path() + "/scenery/Classes/txt.bmp"),
              std::filesystem::file_time_type{});
}

// A derived picture is input: one cut short, of another size, of another format or holding
// a class this program never writes is rebuilt and written again, with one line naming it.
TEST_F(TerrainLoadTest, ALyingOrCutClassPictureIsRebuilt) {
    tmp_.write("common/scenery.txt", k_three_classes);
    test_scenery s;
    write_scenery(tmp_, "Good", s);
    ASSERT_TRUE(load("Good"));
    const std::vector<std::uint8_t> built = ground_->class_map;
    const std::string good = tmp_.read("scenery/Good/txt.bmp");

    std::vector<std::uint8_t> other(80 * 70, 1);
    ASSERT_TRUE(write_class_bitmap("other.bmp", other.data(), 70, 80));
    std::string deep = good;
    deep[28] = 24;  // bit count
    std::string foreign = good;
    foreign[1078 + 1 + 30 * 64 + 5] = static_cast<char>(200);
    const struct {
        const char* name;
        std::string file;
        const char* fault;
    } cases[] = {
        {"Cut", good.substr(0, 1078 + 20 * 64), "cut short"},
        {"Other", tmp_.read("other.bmp"), "70 x 80 pixels for a 64 x 64 grid"},
        {"Deep", deep, "not an uncompressed 8-bit bitmap"},
        {"Foreign", foreign, "land class 200 at row 30, column 5"},
        {"Junk", "BMjunk", "not an uncompressed 8-bit bitmap"},
    };
    for (const auto& c : cases) {
        write_scenery(tmp_, c.name, s);
        const std::string picture = std::string("scenery/") + c.name + "/txt.bmp";
        tmp_.write(picture, c.file);
        app_->clear_log();
        ASSERT_TRUE(load(c.name));
        EXPECT_EQ(ground_->class_map, built) << c.name;
        EXPECT_TRUE(log_has(format_string("Rebuilding scenery\\%s\\txt.bmp: %s", c.name, c.fault).c_str()))
            << app_->log_text();
        EXPECT_EQ(tmp_.read(picture), good) << c.name;
    }
}

// A picture that cannot be written whole (here: a file size limit, as on a full disk) leaves
// no half picture for the next load; the map built stays in memory.
TEST_F(TerrainLoadTest, ADerivedPictureThatCannotBeWrittenLeavesNoHalfFile) {
    tmp_.write("common/scenery.txt", k_three_classes);
    test_scenery s;
    write_scenery(tmp_, "Full", s);
    // The picture needs 5,175 bytes.
    EXPECT_TRUE(in_child_with_file_size_limit(2000, [&] {
        return load("Full") && log_has("Could not write scenery\\Full\\txt.bmp") &&
               ground_->class_map[30 * 64 + 30] == 2;
    }));
    // Neither the picture nor a half-written temporary one is left in the folder.
    for (const auto& entry : std::filesystem::directory_iterator(tmp_.path() + "/scenery/Full"))
        EXPECT_EQ(entry.path().filename().string().find("txt.bmp"), std::string::npos);
}

// Neighbouring samples 64,768 m apart (fill at a 32,001 m cell size beside the highest
// sample): the squared differences pass 2^32 and still rank the cell as steep.
TEST_F(TerrainLoadTest, SlopesBetweenTheInt16ExtremesAreSteep) {
    tmp_.write("common/scenery.txt",
               "2 1024\n-40000 40000 0 0.5 1 flat.dds\n-40000 40000 1.5 3 1 cliff.dds\n0\n");
    test_scenery s;
    s.rows = 2;
    s.columns = 8;
    s.north = 2 * 32001.0f / 111120.0f;
    s.sample = [](int, int) { return 32767; };
    write_scenery(tmp_, "Cliff", s);
    ASSERT_TRUE(load("Cliff"));
    // The edge columns are fill (minus the cell size); the rest of row 0 is the highest sample.
    ASSERT_LE(ground_->elevation(0, 0), -32000);
    ASSERT_GE(ground_->elevation(0, 1), 32766);
    EXPECT_EQ(ground_->class_map[0], 1);  // gradient 64,768 / 32,001 = 2.02 per metre
    EXPECT_EQ(ground_->class_map[6], 1);
    EXPECT_EQ(ground_->class_map[3], 0);
}

// Land classes left to chance draw from one table of 1,024 values of the program's rand,
// taken in order by every class test of every cell, row by row, the first test using the
// second value; computed here from the generator's own formula.
TEST_F(TerrainLoadTest, ChanceClassesTakeTheRandomTableInOrder) {
    tmp_.write("common/scenery.txt",
               "3 1024\n"
               "-40000 40000 0 1000 0.3 a.dds\n"
               "-40000 40000 0 1000 0.5 b.dds\n"
               "-40000 40000 0 1000 0.7 c.dds\n"
               "0\n");
    test_scenery s;
    s.columns = 40;
    write_scenery(tmp_, "Chance", s);
    program_srand(777);
    ASSERT_TRUE(load("Chance"));

    std::uint32_t state = 777;
    float table[1024];
    for (float& v : table) {
        state = state * 214013u + 2531011u;
        v = static_cast<float>((state >> 16) & 0x7FFF) / 32767.0f;
    }
    const float probability[3] = {0.3f, 0.5f, 0.7f};
    std::vector<std::uint8_t> expected(64u * 40u, 0);
    int j = 0;
    for (int r = 0; r < 63; ++r) {
        for (int c = 0; c < 39; ++c) {
            for (int k = 0; k < 3; ++k) {
                j = (j + 1) % 1024;
                if (probability[k] >= table[j]) {
                    expected[r * 40 + c] = static_cast<std::uint8_t>(k);
                    break;
                }
            }
        }
    }
    EXPECT_EQ(ground_->class_map, expected);
}

TEST_F(TerrainLoadTest, WaterPictureReadsBackWhatWasWritten) {
    std::string fault;
    for (const int width : {5, 8, 12}) {
        const int height = 3;
        std::vector<std::uint8_t> map(static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint8_t>(i * 7 + 1);
        ASSERT_TRUE(write_water_bitmap("w.bmp", map.data(), width, height));
        std::vector<std::uint8_t> back(map.size(), 0);
        ASSERT_TRUE(read_water_bitmap("w.bmp", back.data(), width, height, &fault));
        EXPECT_EQ(back, map) << width;
    }
    // The file's layout: width = the padded row length, row r holds 8 map bytes from the
    // start of map row r (its padding repeats the next row's start; past the end is 0).
    std::vector<std::uint8_t> map(15);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint8_t>(100 + i);
    ASSERT_TRUE(write_water_bitmap("w.bmp", map.data(), 5, 3));
    const std::string file = tmp_.read("w.bmp");
    ASSERT_EQ(file.size(), 1078u + 3 * 8);
    EXPECT_EQ(static_cast<unsigned char>(file[18]), 8);
    EXPECT_EQ(static_cast<unsigned char>(file[1078 + 8 + 0]), 105);
    EXPECT_EQ(static_cast<unsigned char>(file[1078 + 8 + 6]), 111);  // row 2's second byte
    EXPECT_EQ(static_cast<unsigned char>(file[1078 + 16 + 5]), 0);    // past the map
    EXPECT_EQ(static_cast<unsigned char>(file[54 + 4 * 200]), 200);   // grey palette

    std::vector<std::uint8_t> one(1, 9);
    EXPECT_FALSE(read_water_bitmap("missing.bmp", one.data(), 1, 1, &fault));
    EXPECT_EQ(fault, "");
    tmp_.write("junk.bmp", "BMnot really");
    EXPECT_FALSE(read_water_bitmap("junk.bmp", one.data(), 1, 1, &fault));
    EXPECT_NE(fault, "");
    EXPECT_EQ(one[0], 9);
}

TEST_F(TerrainLoadTest, DepthSceneryBuildsItsWaterMapAndReadsItBack) {
    test_scenery s;
    s.rows = 384;
    s.columns = 384;
    s.north = 384 * 30.0f / 111120.0f;
    s.depth_word = "has_depth";
    s.sample = [](int r, int c) { return (r > 150 && r < 230 && c > 150 && c < 230) ? 40 : -200; };
    write_scenery(tmp_, "Sea", s);
    ASSERT_TRUE(load("Sea"));
    EXPECT_TRUE(ground_->has_depth);
    ASSERT_EQ(ground_->water_map.size(), 144u);
    // Level -200 m is byte 78; the outer five blocks have no water.
    EXPECT_EQ(ground_->water_map[5 * 12 + 5], 78);
    EXPECT_EQ(ground_->water_map[6 * 12 + 6], 78);
    EXPECT_EQ(ground_->water_map[0], 0);
    EXPECT_EQ(ground_->water_map[11 * 12 + 6], 0);
    EXPECT_EQ(ground_->water_byte_at(6 * 32 + 3, 5 * 32 + 31), 78);
    ASSERT_TRUE(tmp_.exists("scenery/Sea/water.bmp"));
    const std::vector<std::uint8_t> built = ground_->water_map;
    ASSERT_TRUE(load("Sea"));
    EXPECT_EQ(ground_->water_map, built);
    // A picture cut short or of another size is rebuilt and written again.
    const std::string good = tmp_.read("scenery/Sea/water.bmp");
    std::vector<std::uint8_t> other(13u * 12u, 200);
    ASSERT_TRUE(write_water_bitmap("other.bmp", other.data(), 12, 13));
    for (const std::string& bad : {good.substr(0, good.size() - 20), tmp_.read("other.bmp")}) {
        tmp_.write("scenery/Sea/water.bmp", bad);
        app_->clear_log();
        ASSERT_TRUE(load("Sea"));
        EXPECT_EQ(ground_->water_map, built);
        EXPECT_TRUE(log_has("Rebuilding scenery\\Sea\\water.bmp: ")) << app_->log_text();
        EXPECT_EQ(tmp_.read("scenery/Sea/water.bmp"), good);
    }

    // A line-11 value above 2 also makes a depth scenery; 2.0 does not.
    test_scenery t;
    t.depth_value = 2.5f;
    write_scenery(tmp_, "Deep", t);
    ASSERT_TRUE(load("Deep"));
    EXPECT_TRUE(ground_->has_depth);
    t.depth_value = 2.0f;
    write_scenery(tmp_, "NotDeep", t);
    ASSERT_TRUE(load("NotDeep"));
    EXPECT_FALSE(ground_->has_depth);
}

TEST_F(TerrainLoadTest, SizesNotMultiplesOf32StayInsideTheWaterMap) {
    test_scenery s;
    s.rows = 48;
    s.columns = 40;
    s.north = 48 * 30.0f / 111120.0f;
    s.depth_word = "has_depth";
    s.sample = [](int r, int c) { return (r + c) % 7 == 0 ? -30 : 5; };
    write_scenery(tmp_, "Odd", s);
    ASSERT_TRUE(load("Odd"));
    ASSERT_EQ(ground_->water_map.size(), 1u);
    EXPECT_EQ(ground_->water_byte_at(47, 39), ground_->water_byte_at(0, 0));
    EXPECT_EQ(ground_->water_byte_at(-5, 100000), ground_->water_byte_at(0, 0));
    // Too small for a single block: no map, no water.
    test_scenery tiny;
    tiny.rows = 16;
    tiny.columns = 16;
    tiny.north = 16 * 30.0f / 111120.0f;
    tiny.depth_word = "has_depth";
    write_scenery(tmp_, "Tiny", tiny);
    ASSERT_TRUE(load("Tiny"));
    EXPECT_TRUE(ground_->water_map.empty());
    EXPECT_EQ(ground_->water_byte_at(3, 3), 0);
}

TEST_F(TerrainLoadTest, UnloadEmptiesTheGridButKeepsTheCellSize) {
    test_scenery s;
    s.north = 64 * 45.0f / 111120.0f;
    write_scenery(tmp_, "Hills", s);
    ASSERT_TRUE(load("Hills"));
    ground_->mark_cell(20 * 45.0f, 20 * 45.0f, 1);
    ground_->unload();
    EXPECT_EQ(ground_->columns, 0);
    EXPECT_EQ(ground_->rows, 0);
    EXPECT_FALSE(ground_->has_elevations());
    EXPECT_TRUE(ground_->class_map.empty());
    EXPECT_TRUE(ground_->mark_map.empty());
    EXPECT_STREQ(state_->scenery_name, "");
    EXPECT_NEAR(ground_->cell_size, 45.0f, 1e-3f);
    float h = 0.0f;
    ground_->ground_height(20 * 45.0f, 20 * 45.0f, &h);
    EXPECT_EQ(h, state_->fill_height);
    // The tiles are refilled flat.
    const terrain_tile& t = ground_->near_tiles[8 * 16 + 8];
    EXPECT_EQ(t.vertices[0].y, state_->fill_height);
}

namespace {

// Shore shaping written out sample by sample, reading the water level of every sample through
// water_byte_at: what the loader's row-wise shaping must reproduce exactly.
std::vector<std::int16_t> shaped_shore_by_sample(const terrain& ground, bool with_water, float fill) {
    std::vector<std::int16_t> e = ground.elevations;
    const int rows = ground.rows, columns = ground.columns;
    const int deep = static_cast<int>(fill), shallow = static_cast<int>(fill * 0.1f);
    auto at = [&](int r, int c) -> std::int16_t& { return e[static_cast<std::size_t>(r) * columns + c]; };
    auto level = [&](int r, int c) {
        const int w = with_water ? ground.water_byte_at(r, c) : 0;
        return w == 0 ? 0 : 4 * w - 512;
    };
    auto clamp16 = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if ((r == 0 || c == 0 || r == rows - 1 || c == columns - 1) && at(r, c) < 1) at(r, c) = clamp16(deep);
    for (int r = 1; r < rows - 1; ++r)
        for (int c = 1; c < columns - 1; ++c) {
            const int l = level(r, c);
            if (!(with_water ? at(r, c) <= l : at(r, c) < 1)) continue;
            const bool land = at(r, c - 1) > l || at(r, c + 1) > l || at(r - 1, c) > l || at(r + 1, c) > l;
            at(r, c) = clamp16(l + (land ? shallow : deep));
        }
    for (int pass = 0; pass < 3; ++pass)
        for (int r = 1; r < rows - 1; ++r)
            for (int c = 1; c < columns - 1; ++c) {
                const int l = level(r, c), h = at(r, c);
                const int w = at(r, c - 1), x = at(r, c + 1), s = at(r - 1, c), n = at(r + 1, c);
                if (h < l + shallow) at(r, c) = clamp16((h + w + x + s + n) / 5);
                else if (h > l + shallow && (h < l || w < l || x < l || s < l || n < l))
                    at(r, c) = clamp16((h + w + x + s + n - shallow) / 5);
            }
    return e;
}

}  // namespace

TEST_F(TerrainLoadTest, ShoreShapingMatchesTheSampleBySampleRules) {
    std::srand(7);
    struct grid_case {
        int rows, columns;
    } cases[] = {{2, 2}, {3, 17}, {40, 33}, {70, 97}, {129, 64}};
    for (const grid_case& g : cases) {
        for (const bool with_water : {false, true}) {
            ground_->unload();
            ground_->rows = g.rows;
            ground_->columns = g.columns;
            ground_->has_depth = with_water ? 1 : 0;
            state_->fill_height = -37.0f;
            ground_->elevations.resize(static_cast<std::size_t>(g.rows) * g.columns);
            // Heights around sea level, and now and then the int16 extremes.
            for (std::int16_t& h : ground_->elevations) {
                const int pick = std::rand() % 64;
                h = pick == 0 ? 32767 : pick == 1 ? -32768 : static_cast<std::int16_t>(std::rand() % 600 - 300);
            }
            const int w = g.columns / terrain::k_water_block, h = g.rows / terrain::k_water_block;
            ground_->water_map.assign(static_cast<std::size_t>(std::max(0, w * h)), 0);
            for (std::uint8_t& b : ground_->water_map) b = std::rand() % 3 == 0 ? 0 : std::rand() % 256;
            const std::vector<std::int16_t> expected = shaped_shore_by_sample(*ground_, with_water, -37.0f);
            if (with_water) ground_->shape_shore_to_water();
            else ground_->shape_shore();
            ASSERT_EQ(ground_->elevations, expected) << g.rows << " x " << g.columns << " water " << with_water;
        }
    }
}

// Each step of a scenery load shows its caption on the loading picture as it starts; the
// steps that build derived files show theirs only when they build them.
TEST_F(TerrainLoadTest, TheLoadStepsShowTheirCaptionsOnTheLoadingPicture) {
    tmp_.write("common/scenery.txt", k_three_classes);
    test_scenery s;
    s.depth_word = "has_depth";
    write_scenery(tmp_, "Bay", s);
    caption_log display;
    ASSERT_TRUE(load("Bay"));
    EXPECT_EQ(display.captions,
              (std::vector<std::string>{"Loading Land Elevations", "Creating Water Elevation", "Creating Texture Mapping",
                                        "Creating Topographic Map", "Loading Land Textures", "Loading Dense Textures"}));
    EXPECT_STREQ(state_->status_text, "Loading Dense Textures");

    // Loaded again, the class map is read back, not made.
    display.captions.clear();
    ASSERT_TRUE(load("Bay"));
    const auto& c = display.captions;
    EXPECT_EQ(std::count(c.begin(), c.end(), "Creating Texture Mapping"), 0);
    ASSERT_GE(c.size(), 4u);
    EXPECT_EQ(c[0], "Loading Land Elevations");
    EXPECT_EQ(c[1], "Creating Water Elevation");
    EXPECT_EQ(c[c.size() - 2], "Loading Land Textures");
    EXPECT_EQ(c.back(), "Loading Dense Textures");
}
