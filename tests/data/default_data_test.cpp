// The default data in the run folder: every file of data/README.md's inventory is there and
// well formed, the authored files keep their grammars, and the generator is reproducible.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/file_helpers.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/resources.h"
#include "tests/data/data_inventory.h"
#include "tests/support/temp_folder.h"

namespace {

namespace stdfs = std::filesystem;
using byte_vector = std::vector<std::uint8_t>;

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The empty string when the file is there with some bytes, else what is wrong. What the bytes
// hold is checked through the program's readers in data_readers_test, or below.
std::string check_file(const std::string& name)
{
    byte_vector b;
    if (!fs_read(name.c_str(), &b)) return "missing";
    return b.empty() ? "empty" : "";
}

class run_folder_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = fs_root();
        ASSERT_FALSE(env("VENTRASK_RUN_DIR").empty());
        fs_set_root(env("VENTRASK_RUN_DIR"));
    }
    void TearDown() override { fs_set_root(previous_); }

    static std::string text(const char* name)
    {
        std::string t;
        EXPECT_TRUE(fs_read_text(name, &t)) << name;
        return t;
    }

private:
    std::string previous_;
};

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

}  // namespace

TEST_F(run_folder_test, every_inventory_file_is_present_and_well_formed)
{
    const auto names = inventory();
    ASSERT_GT(names.size(), 100u) << "inventory table not found in data/README.md";
    for (const std::string& name : names) {
        EXPECT_EQ(check_file(name), "") << name;
    }
    // The texture loader lower-cases the whole path; the files must still be found.
    EXPECT_TRUE(fs_exists("radars\\parabolic_radar\\radar.dds"));
    EXPECT_TRUE(fs_exists("commands\\tent\\tent.dds"));
}

TEST(compiled_resources, the_design_screens_pictures_are_in_the_program_at_their_sizes)
{
    register_embedded_resources();
    const auto decoded = [](int id, image* picture) {
        resource_data data;
        return find_resource("RCDATA", id, &data) && image_decode(data.data, data.size, picture) == S_OK;
    };
    image background;
    ASSERT_TRUE(decoded(425, &background));
    EXPECT_EQ(background.width * 3, background.height * 4) << "the screens are 4:3";
    // Close, Test Flight, the seven part buttons, Save and Load.
    for (int id : {420, 422, 426, 427, 428, 429, 423, 431, 432, 433, 434}) {
        image picture;
        ASSERT_TRUE(decoded(id, &picture)) << id;
        EXPECT_EQ(picture.width, 128) << id;
        EXPECT_EQ(picture.height, 96) << id;
    }
}

// The main window's icon: a round badge, clear in its corners, opaque in its middle.
TEST(compiled_resources, the_program_icon_is_a_round_badge_with_alpha)
{
    register_embedded_resources();
    resource_data data;
    image icon;
    ASSERT_TRUE(find_resource("ICON", 416, &data));
    ASSERT_EQ(image_decode(data.data, data.size, &icon), S_OK);
    EXPECT_EQ(icon.width, 64);
    EXPECT_EQ(icon.height, 64);
    const std::tuple<int, int, std::uint32_t> alphas[] = {{0, 0, 0}, {63, 0, 0}, {0, 63, 0}, {63, 63, 0}, {32, 32, 255}, {32, 4, 255}};
    for (const auto& [x, y, alpha] : alphas) {
        EXPECT_EQ(icon.pixel(x, y) >> 24, alpha) << x << "," << y;
    }
}

TEST_F(run_folder_test, scenery_header_and_place_names_agree)
{
    char pattern[260] = "scenery\\Kestrel Bay\\*.hdr";
    ASSERT_TRUE(resolve_first_match(pattern, sizeof pattern));
    const auto lines = lines_of(text(pattern));
    ASSERT_EQ(lines.size(), 13u);
    std::vector<std::string> values;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        std::string key, eq, value, extra;
        in >> key >> eq >> value;
        EXPECT_EQ(eq, "=") << line;
        EXPECT_FALSE(in >> extra) << "more than three tokens: " << line;
        values.push_back(value);
    }
    EXPECT_EQ(values[1], "int16");
    EXPECT_LE(std::atof(values[10].c_str()), 2.0) << "would make a depth scenery";
    const double west = std::atof(values[3].c_str()), south = std::atof(values[4].c_str());
    const double east = std::atof(values[5].c_str()), north = std::atof(values[6].c_str());

    // Every place name lies inside the box, and one of them is the test site.
    bool test_place = false;
    for (const std::string& line : lines_of(text("scenery\\Kestrel Bay\\titles.txt"))) {
        std::istringstream in(line);
        double lon = 0, lat = 0;
        ASSERT_TRUE(in >> lon >> lat) << line;
        EXPECT_TRUE(lon > west && lon < east && lat > south && lat < north) << line;
        test_place = test_place || line.find("Test") != std::string::npos;
    }
    EXPECT_TRUE(test_place);
}

TEST_F(run_folder_test, scenery_description_names_existing_textures)
{
    std::istringstream in(text("scenery\\Kestrel Bay\\scenery.txt"));
    int classes = 0, size = 0;
    ASSERT_TRUE(in >> classes >> size);
    EXPECT_TRUE(classes >= 1 && classes <= 16);
    EXPECT_EQ(size & (size - 1), 0) << "texture size must be a power of two";
    for (int k = 0; k < classes; ++k) {
        double v[5];
        std::string texture;
        ASSERT_TRUE(in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> texture) << "class " << k;
        EXPECT_LE(v[0], v[1]);
        EXPECT_LE(v[2], v[3]);
        EXPECT_TRUE(v[4] >= 0.0 && v[4] <= 1.0);
        EXPECT_TRUE(fs_is_file(("scenery\\Kestrel Bay\\" + texture).c_str())) << texture;
    }
    int arrays = 0;
    ASSERT_TRUE(in >> arrays);
    EXPECT_TRUE(arrays >= 0 && arrays <= 16);
    for (int j = 0; j < arrays; ++j) {
        double v[4];
        std::string mask, texture;
        ASSERT_TRUE(in >> v[0] >> v[1] >> v[2] >> v[3] >> mask >> texture) << "array " << j;
        EXPECT_EQ(mask.find_first_not_of("0123456789abcdefABCDEF"), std::string::npos) << mask;
        EXPECT_TRUE(fs_is_file(("scenery\\Kestrel Bay\\" + texture).c_str())) << texture;
    }
    std::string rest;
    EXPECT_FALSE(in >> rest) << "unread token " << rest;
}

TEST_F(run_folder_test, definition_files_keep_their_grammar_and_bounds)
{
    // Folder, title line and the default design's name.
    const char* const designs[][3] = {
        {"configs", "Aero Config Definition File", "New Config"},
        {"motors", "Rocket Motor Definition File", "New Motor"},
        {"warheads", "Warhead Definition File", "New Warhead"},
        {"seekers", "Guidance Definition File", "New Seeker"},
        {"missiles", "Missile system Definition File", "New Missile"},
        {"launchers", "Launcher Definition File", "New Launcher"},
        {"controls", "Control Unit Definition File", "New Control"},
        {"systems", "System Definition File", "New Missile"}};
    for (const auto& [folder_text, title, default_design] : designs) {
        const std::string folder = folder_text;
        for (const char* design : {default_design, "Sentinel MR"}) {
            const std::string name = folder + "\\" + design + ".txt";
            const auto lines = lines_of(text(name.c_str()));
            ASSERT_GE(lines.size(), 3u) << name;
            EXPECT_EQ(lines[0], title) << name;
            EXPECT_EQ(lines[1], "") << name;
            const bool legend = folder != "missiles" && folder != "systems";
            EXPECT_EQ(std::find(lines.begin(), lines.end(), "@") != lines.end(), legend) << name;
            for (const std::string& line : lines) {
                EXPECT_LT(line.size(), legend ? 255u : 119u) << name;
                EXPECT_EQ(line.find("//"), std::string::npos) << name;
            }
        }
    }
}

// Mean brightness (0..255) of columns [x0, x1) (wrapping round) and rows [y0, y1).
double mean_grey(const image& p, int x0, int x1, int y0, int y1)
{
    double sum = 0.0;
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += (p.pixel(((x % p.width) + p.width) % p.width, y) >> 8) & 0xFF;
            ++n;
        }
    }
    return n > 0 ? sum / n : 0.0;
}

// The heading tape shows heading h at u = h / 360 + 0.5: a tick every tenth degree there,
// nothing between, N E S W over their degrees, E not mirrored.
TEST_F(run_folder_test, compass_strip_has_its_marks_where_the_heading_tape_reads_them)
{
    image strip;
    ASSERT_EQ(image_load_file("graphics\\compass.jpg", &strip), S_OK);
    ASSERT_GE(strip.width, 8 * strip.height) << "a strip along u";
    const int w = strip.width, h = strip.height;
    auto column = [&](double heading) {
        const double u = heading / 360.0 + 0.5;
        return static_cast<int>(std::floor((u - std::floor(u)) * w));
    };
    const int ticks_top = h - h / 4, ticks_bottom = h - h / 16;
    for (int deg = 0; deg < 360; deg += 10) {
        EXPECT_GT(mean_grey(strip, column(deg) - 1, column(deg) + 2, ticks_top, ticks_bottom), 150.0) << deg;
        EXPECT_LT(mean_grey(strip, column(deg + 5) - 2, column(deg + 5) + 3, ticks_top, ticks_bottom), 40.0) << deg + 5;
    }
    // Above the ticks: ink over each cardinal point, none between the labels.
    const int band_top = h / 16, band_bottom = h / 2;
    for (int deg = 0; deg < 360; deg += 90) {
        EXPECT_GT(mean_grey(strip, column(deg) - 8, column(deg) + 8, band_top, band_bottom), 60.0) << deg;
    }
    for (int deg = 10; deg < 360; deg += 30) {
        EXPECT_LT(mean_grey(strip, column(deg + 5) - 3, column(deg + 5) + 3, band_top, band_bottom), 20.0) << deg + 5;
    }
    // E's upright on its left, its right lit only at the bars.
    const int e = column(90);
    const double left = mean_grey(strip, e - 9, e - 5, band_top, band_bottom);
    const double right = mean_grey(strip, e + 5, e + 9, band_top, band_bottom);
    EXPECT_GT(left, right + 30.0) << left << " " << right;
}

// The pitch tape shows elevation e at v = 0.5 - e / 360: ticks every 10 degrees from -90 to
// 90 there, nothing between, the level line across.
TEST_F(run_folder_test, elevation_strip_has_its_marks_where_the_pitch_tape_reads_them)
{
    image strip;
    ASSERT_EQ(image_load_file("graphics\\elevation.jpg", &strip), S_OK);
    ASSERT_GE(strip.height, 8 * strip.width) << "a strip along v";
    const int w = strip.width, h = strip.height;
    auto row = [&](double e) { return static_cast<int>(std::floor((0.5 - e / 360.0) * h)); };
    for (int e = -90; e <= 90; e += 10) {
        EXPECT_GT(mean_grey(strip, 0, w / 5, row(e) - 1, row(e) + 2), 150.0) << e;
        if (e < 90) {
            EXPECT_LT(mean_grey(strip, 0, w / 5, row(e + 5) - 2, row(e + 5) + 3), 40.0) << e + 5;
        }
    }
    EXPECT_GT(mean_grey(strip, 0, w, row(0) - 1, row(0) + 2), 150.0);
    // Labelled above the level line: +30 at 30 degrees up (the upper half of the strip).
    EXPECT_GT(mean_grey(strip, w / 2, w, row(30) - 5, row(30) + 6), 40.0);
    EXPECT_LT(mean_grey(strip, w / 2, w, row(15) - 5, row(15) + 6), 20.0);
}

TEST_F(run_folder_test, sky_tables_follow_their_formats)
{
    std::istringstream colours(text("graphics\\color_map.txt"));
    for (const char* tag : {"[light]", "[fog]", "[sky]"}) {
        int previous_t = -1;
        for (int i = 0; i < 7; ++i) {
            int c[4], t = 0;
            std::string word;
            ASSERT_TRUE(colours >> c[0] >> c[1] >> c[2] >> c[3] >> t >> word);
            EXPECT_EQ(word, tag);
            for (int v : c) EXPECT_TRUE(v >= 0 && v <= 255);
            EXPECT_GT(t, previous_t) << "keys must rise";
            previous_t = t;
        }
    }
    for (const char* tag : {"[high_fog]", "[high_sky]"}) {
        int r = 0, g = 0, b = 0;
        std::string word;
        ASSERT_TRUE(colours >> r >> g >> b >> word);
        EXPECT_EQ(word, tag);
    }

    std::istringstream stars(text("graphics\\star_map.txt"));
    int count = 0;
    ASSERT_TRUE(stars >> count);
    double size = 0, b = 0, c = 0, previous = 1e9;
    int read = 0;
    while (stars >> size >> b >> c) {
        EXPECT_LE(size, previous) << "star " << read << " is brighter than the one before";
        EXPECT_TRUE(b >= 0 && b < 360 && c >= -90 && c <= 90);
        previous = size;
        ++read;
    }
    EXPECT_EQ(read, count);
    EXPECT_LE(read, 2048);
}

TEST_F(run_folder_test, the_test_range_camera_stands_back_from_the_site_it_faces)
{
    // The test flies the design system where the file's system stands; the camera stays where
    // the file puts it. Standing on the site would put it inside the site's models.
    double east = 0, north = 0, heading = 0, site_east = 0, site_north = 0;
    int sites = 0;
    for (const std::string& line : lines_of(text("situations\\Test Range.txt"))) {
        if (line.find("[camera_east]") != std::string::npos) east = std::atof(line.c_str());
        if (line.find("[camera_north]") != std::string::npos) north = std::atof(line.c_str());
        if (line.find("[camera_beta]") != std::string::npos) heading = std::atof(line.c_str());
        const std::size_t tab = line.find('\t');
        if (line.find("[system]") != std::string::npos && tab != std::string::npos) {
            std::istringstream values(line.substr(tab + 1));
            ASSERT_TRUE(values >> site_east >> site_north) << line;
            ++sites;
        }
    }
    ASSERT_EQ(sites, 1);
    constexpr double metres_per_degree = 111320.0;
    const double to_east = (site_east - east) * metres_per_degree * std::cos(north * 3.14159265 / 180.0);
    const double to_north = (site_north - north) * metres_per_degree;
    const double distance = std::hypot(to_east, to_north);
    EXPECT_GT(distance, 100.0);
    EXPECT_LT(distance, 500.0);
    // The heading counts from north toward east: the site is ahead.
    EXPECT_NEAR(std::atan2(to_east, to_north), heading, 0.2);
}

TEST_F(run_folder_test, every_tip_topic_has_a_tip_with_a_picture)
{
    for (const char* topic : {"main", "missile", "motor", "aero", "warhead", "fuse", "guidance"}) {
        const auto tips = fs_list((std::string("help\\") + topic + "\\*.txt").c_str());
        EXPECT_FALSE(tips.empty()) << topic;
        for (const dir_entry& tip : tips) {
            const std::string stem = tip.name.substr(0, tip.name.find('.'));
            EXPECT_TRUE(fs_is_file((std::string("help\\") + topic + "\\" + stem + ".jpg").c_str())) << tip.name;
        }
    }
}

TEST(data_generator, two_runs_give_identical_bytes_and_match_the_run_folder)
{
    const temp_folder first;
    const temp_folder second;
    const std::string generator = VENTRASK_DATAGEN;
    ASSERT_EQ(std::system(("\"" + generator + "\" \"" + first.path() + "\"").c_str()), 0);
    ASSERT_EQ(std::system(("\"" + generator + "\" \"" + second.path() + "\"").c_str()), 0);
    size_t files = 0;
    for (const auto& entry : stdfs::recursive_directory_iterator(first.path())) {
        if (!entry.is_regular_file()) continue;
        const std::string rel = stdfs::relative(entry.path(), first.path()).string();
        const std::string a = read_host_text(entry.path().string());
        EXPECT_TRUE(a == read_host_text(second.path() + "/" + rel)) << rel << " differs between runs";
        EXPECT_TRUE(a == read_host_text(env("VENTRASK_RUN_DIR") + "/" + rel)) << rel << " is stale in the run folder";
        ++files;
    }
    size_t second_files = 0;
    for (const auto& entry : stdfs::recursive_directory_iterator(second.path())) second_files += entry.is_regular_file();
    EXPECT_EQ(files, second_files);
    EXPECT_GT(files, 50u);
}

TEST(data_generator, refuses_a_folder_it_cannot_write)
{
    const temp_folder folder;
    folder.write("blocked", "a file where the output folder should be");
    std::string command = "\"";
    command += VENTRASK_DATAGEN;
    command += "\" \"" + folder.path() + "/blocked\" 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}
