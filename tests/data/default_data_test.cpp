// The default data in the run folder: every file of data/README.md's inventory is there and
// well formed, the authored files keep their grammars, and the generator is reproducible.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/file_helpers.h"
#include "core/texture_cache.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/texture_image.h"
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

bool ends_with(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::uint32_t u32(const byte_vector& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t u16(const byte_vector& b, size_t at) { return b[at] | (b[at + 1] << 8); }

// Each check returns an empty string when the file is well formed, else what is wrong.
std::string check_wav(const byte_vector& b)
{
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0)
        return "not a RIFF WAVE file";
    if (u16(b, 20) != 1 || u16(b, 22) != 1 || u16(b, 34) != 16) return "not mono 16-bit PCM";
    if (std::memcmp(b.data() + 36, "data", 4) != 0 || u32(b, 40) + 44 != b.size()) return "data size mismatch";
    if (u32(b, 40) < 2 * 100) return "shorter than 100 samples";
    return "";
}

std::string check_dds(const byte_vector& b)
{
    if (b.size() < 128 || std::memcmp(b.data(), "DDS ", 4) != 0 || u32(b, 4) != 124) return "no DDS header";
    const std::uint32_t h = u32(b, 12), w = u32(b, 16);
    if (u32(b, 88) != 32 || u32(b, 92) != 0x00FF0000 || u32(b, 104) != 0xFF000000) return "not A8R8G8B8";
    const bool cube = (u32(b, 112) & 0x200) != 0;
    if (b.size() != 128 + 4ull * w * h * (cube ? 6 : 1)) return "pixel data size mismatch";
    if (w == 0 || h == 0 || (w & (w - 1)) || (h & (h - 1))) return "size not a power of two";
    // And the program's own reader takes it as it is.
    dds_image decoded;
    if (dds_decode(b.data(), b.size(), &decoded) != S_OK) return "the DDS reader refuses it";
    if (decoded.cube != cube || decoded.file_format != image_format::a8r8g8b8 || decoded.surfaces.empty()
        || decoded.surfaces[0].width != static_cast<int>(w) || decoded.surfaces[0].height != static_cast<int>(h))
        return "the DDS reader sees another picture";
    return "";
}

std::string check_jpeg(const byte_vector& b)
{
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8 || b[b.size() - 2] != 0xFF || b[b.size() - 1] != 0xD9)
        return "not a complete JPEG";
    image decoded;
    if (jpeg_decode(b.data(), b.size(), &decoded) != S_OK || decoded.empty()) return "the JPEG reader refuses it";
    return "";
}

std::string check_mp3(const byte_vector& b)
{
    if (b.size() < 4096) return "too short for music";
    // The first MPEG audio frame: 11 sync bits, layer III.
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0 || (b[1] & 0x06) != 0x02) return "no layer III frame at the start";
    return "";
}

std::string check_x(const std::string& name, const std::string& text)
{
    if (text.rfind("xof 0303txt 0032", 0) != 0) return "no text .x header";
    for (const char* word : {"Frame ", "FrameTransformMatrix", "Mesh ", "MeshNormals", "MeshTextureCoords",
                             "MeshMaterialList", "Material {"}) {
        if (text.find(word) == std::string::npos) return std::string("lacks ") + word;
    }
    if (name.find("launcher.x") != std::string::npos || name.find("radar.x") != std::string::npos) {
        const size_t turret = text.find("Frame turret {");
        const size_t barrel = text.find("Frame barrel {");
        if (turret == std::string::npos || barrel == std::string::npos || barrel < turret)
            return "no \"barrel\" frame inside a \"turret\" frame";
        // The loader renames a frame after its mesh: the meshes must carry the frame's word.
        if (text.find("Mesh turret_mesh") == std::string::npos || text.find("Mesh barrel_mesh") == std::string::npos)
            return "turret or barrel mesh not named after its frame";
    }
    return "";
}

std::string check_file(const std::string& name)
{
    byte_vector b;
    if (!fs_read(name.c_str(), &b)) return "missing";
    if (b.empty()) return "empty";
    if (ends_with(name, ".wav")) return check_wav(b);
    if (ends_with(name, ".dds")) return check_dds(b);
    if (ends_with(name, ".jpg")) return check_jpeg(b);
    if (ends_with(name, ".mp3")) return check_mp3(b);
    if (ends_with(name, ".x")) return check_x(name, std::string(b.begin(), b.end()));
    return "";
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

// The data lines of a definition file: (key, value text) up to the "@" line.
std::vector<std::pair<std::string, std::string>> definition_values(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    const auto lines = lines_of(text);
    for (size_t i = 2; i < lines.size() && lines[i] != "@"; ++i) {
        if (lines[i].empty()) continue;
        const size_t tab = lines[i].find('\t');
        if (tab == std::string::npos) continue;
        out.emplace_back(lines[i].substr(tab + 1), lines[i].substr(0, tab));
    }
    return out;
}

double value_of(const std::vector<std::pair<std::string, std::string>>& values, const char* key, int nth = 0)
{
    for (const auto& [k, v] : values) {
        if (k == key && nth-- == 0) return std::atof(v.c_str());
    }
    ADD_FAILURE() << "no " << key;
    return 0.0;
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

TEST_F(run_folder_test, models_name_textures_that_exist_beside_them)
{
    for (const char* model : {"launchers\\amraam\\launcher.x", "radars\\Parabolic_Radar\\radar.x",
                              "commands\\Tent\\command.x", "common\\target.x", "graphics\\beam.x"}) {
        const std::string t = text(model);
        std::string folder = model;
        folder.resize(folder.rfind('\\'));
        size_t at = 0;
        int found = 0;
        while ((at = t.find("TextureFilename {", at)) != std::string::npos) {
            const size_t q1 = t.find('"', at), q2 = t.find('"', q1 + 1);
            const std::string file = t.substr(q1 + 1, q2 - q1 - 1);
            const std::string texture = folder + "\\" + file;
            EXPECT_TRUE(fs_is_file(texture.c_str())) << texture;
            // As the mesh loader asks for it: the whole path lower-cased, the mode from the name.
            std::string lowered = texture;
            for (char& ch : lowered) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            const int mode = texture_mode_for_name(file.c_str());
            EXPECT_EQ(mode, 0) << file << ": a mode character in the name would key out black";
            texture_image loaded;
            EXPECT_EQ(texture_image_from_file(lowered.c_str(), texture_request_for_mode(lowered.c_str(), mode, true, 4096),
                                              &loaded), S_OK) << lowered;
            EXPECT_GT(loaded.levels, 1) << lowered << " gets no mip chain";
            at = q2;
            ++found;
        }
        EXPECT_GT(found, 0) << model;
    }
}

TEST_F(run_folder_test, scenery_header_and_samples_agree)
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
    EXPECT_EQ(values[0].find("has_depth"), std::string::npos);
    EXPECT_LE(std::atof(values[10].c_str()), 2.0) << "would make a depth scenery";
    const double west = std::atof(values[3].c_str()), south = std::atof(values[4].c_str());
    const double east = std::atof(values[5].c_str()), north = std::atof(values[6].c_str());
    EXPECT_LT(west, east);
    EXPECT_LT(south, north);
    EXPECT_NE(lines[3].find("left_map_x"), std::string::npos);
    EXPECT_NE(lines[4].find("lower_map_y"), std::string::npos);
    EXPECT_NE(lines[5].find("right_map_x"), std::string::npos);
    EXPECT_NE(lines[6].find("upper_map_y"), std::string::npos);
    const int rows = std::atoi(values[7].c_str()), columns = std::atoi(values[8].c_str());
    EXPECT_EQ(rows % 32, 0);
    EXPECT_EQ(columns % 32, 0);
    EXPECT_GE(rows, 64);

    char samples_name[260] = "scenery\\Kestrel Bay\\*.bin";
    ASSERT_TRUE(resolve_first_match(samples_name, sizeof samples_name));
    byte_vector b;
    ASSERT_TRUE(fs_read(samples_name, &b));
    ASSERT_EQ(b.size(), 2ull * rows * columns);
    int land = 0, sea = 0, highest = -32768;
    const int no_data = std::atoi(values[12].c_str());
    for (size_t i = 0; i < b.size(); i += 2) {
        const int h = static_cast<std::int16_t>(u16(b, i));
        EXPECT_NE(h, no_data);
        (h > 0 ? land : sea) += 1;
        highest = std::max(highest, h);
    }
    // Land and sea both, and the topographic colour scale covers the highest hill.
    EXPECT_GT(land, rows * columns / 5);
    EXPECT_GT(sea, rows * columns / 5);
    EXPECT_LE(highest, std::atof(values[11].c_str()));

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
    const std::map<std::string, std::string> titles = {
        {"configs", "Aero Config Definition File"}, {"motors", "Rocket Motor Definition File"},
        {"warheads", "Warhead Definition File"},    {"seekers", "Guidance Definition File"},
        {"missiles", "Missile system Definition File"}, {"launchers", "Launcher Definition File"},
        {"controls", "Control Unit Definition File"},   {"systems", "System Definition File"}};
    for (const auto& [folder, title] : titles) {
        for (const char* design : {"New", "Sentinel MR"}) {
            std::string name = folder + "\\" + design;
            if (std::string(design) == "New") {
                const std::map<std::string, std::string> news = {
                    {"configs", "New Config"}, {"motors", "New Motor"}, {"warheads", "New Warhead"},
                    {"seekers", "New Seeker"}, {"missiles", "New Missile"}, {"launchers", "New Launcher"},
                    {"controls", "New Control"}, {"systems", "New Missile"}};
                name = folder + "\\" + news.at(folder);
            }
            name += ".txt";
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
            // Names fit the 39-character fields, and every part a design names exists.
            for (const auto& [key, value] : definition_values(text(name.c_str()))) {
                EXPECT_LT(value.size(), 40u) << name << " " << key;
            }
        }
    }
    for (const char* system : {"New Missile", "Sentinel MR"}) {
        const auto sys = definition_values(text((std::string("systems\\") + system + ".txt").c_str()));
        ASSERT_EQ(sys.size(), 2u);
        EXPECT_TRUE(fs_is_file(("launchers\\" + sys[0].second + ".txt").c_str()));
        EXPECT_TRUE(fs_is_file(("controls\\" + sys[1].second + ".txt").c_str()));
        EXPECT_TRUE(fs_is_file((std::string("missiles\\") + system + ".txt").c_str()));
        const auto mis = definition_values(text((std::string("missiles\\") + system + ".txt").c_str()));
        ASSERT_EQ(mis.size(), 4u);
        const char* folders[4] = {"configs", "motors", "warheads", "seekers"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(fs_is_file((std::string(folders[i]) + "\\" + mis[i].second + ".txt").c_str())) << mis[i].second;
        }
    }
}

TEST_F(run_folder_test, medium_range_parts_fit_its_airframe_within_the_limits)
{
    const auto cfg = definition_values(text("configs\\Sentinel MR.txt"));
    const auto mot = definition_values(text("motors\\Sentinel MR.txt"));
    const auto war = definition_values(text("warheads\\Sentinel MR.txt"));
    const auto see = definition_values(text("seekers\\Sentinel MR.txt"));
    const double dc = value_of(cfg, "[DC]"), ds = value_of(cfg, "[DS]"), db = value_of(cfg, "[DB]");
    const double ln = value_of(cfg, "[LN]"), lc = value_of(cfg, "[LC]"), lt = value_of(cfg, "[LT]");
    const double length = ln + lc + lt;
    // Airframe values that the bounding step would change.
    EXPECT_LE(ds, dc - 0.1);
    EXPECT_LE(ln, 10 * (dc - ds));
    EXPECT_GE(ln, dc);
    EXPECT_LE(lt, 10 * dc);
    EXPECT_GE(lt, std::abs(dc - db));
    const int wings = static_cast<int>(value_of(cfg, "[NW]"));
    for (int w = 0; w < wings; ++w) {
        EXPECT_GE(value_of(cfg, "[B]", w), dc);
        EXPECT_LE(value_of(cfg, "[XW]", w) + value_of(cfg, "[HR]", w), length);
        const double tc = value_of(cfg, "[TC]", w);
        EXPECT_TRUE(tc >= 0.01 && tc <= 0.1);
    }
    // Motor values that its bounding step would change.
    const double otd = value_of(mot, "[OTD]"), dtr = value_of(mot, "[DTR]"), dex = value_of(mot, "[DEX]");
    const double len = value_of(mot, "[LEN]");
    const int charges = static_cast<int>(value_of(mot, "[NS]"));
    double charge_length = 0.0;
    for (int c = 0; c < charges; ++c) {
        charge_length += value_of(mot, "[LENC]", c);
        EXPECT_GE(otd, value_of(mot, "[OTDC]", c) + 0.1);
        EXPECT_LE(value_of(mot, "[INDC]", c), value_of(mot, "[OTDC]", c));
    }
    EXPECT_GE(len, 0.5 + charge_length);
    EXPECT_LE(dex, 5 * dtr);
    EXPECT_GE(dex, dtr + 0.1);
    const double pig = value_of(mot, "[PIG]");
    EXPECT_TRUE(pig >= 2 && pig <= 200);
    // Seeker: range at most ten times the diameter squared.
    const double diameter = value_of(see, "[seeker_diameter]");
    EXPECT_LE(value_of(see, "[detection_range]"), 10 * diameter * diameter);
    EXPECT_LE(diameter, 100.0);
    // The parts fit: widest part + 0.5 cm and warhead + motor + four seeker diameters.
    const double required_diameter = std::max({value_of(war, "[DC]"), otd, diameter}) + 0.5;
    const double required_length = value_of(war, "[LN]") + (otd + len + 2 * dex) + 4 * diameter;
    EXPECT_LT(required_diameter, dc + 0.1);
    EXPECT_LT(required_length, length + 0.1);
    // Warhead values inside their limits.
    const double gc = value_of(war, "[GC]"), cs = value_of(war, "[closing_speed]");
    EXPECT_TRUE(gc >= 2000 && gc <= 3000);
    EXPECT_TRUE(cs >= 100 && cs <= 2000);
    // Larger than the default design in every part.
    const auto new_cfg = definition_values(text("configs\\New Config.txt"));
    const auto new_mot = definition_values(text("motors\\New Motor.txt"));
    EXPECT_GT(dc, value_of(new_cfg, "[DC]"));
    EXPECT_GT(len, value_of(new_mot, "[LEN]"));
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

TEST_F(run_folder_test, sample_situations_name_existing_systems)
{
    for (const char* name : {"situations\\Kestrel Bay Defence.txt", "situations\\Test Range.txt"}) {
        const auto lines = lines_of(text(name));
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[1], "// QVD Situation File");
        int systems = 0, launchers = 0;
        bool ended = false;
        for (const std::string& line : lines) {
            if (line == "@") ended = true;
            if (ended) continue;
            EXPECT_LT(line.size(), 119u) << line;
            if (line.find("[system]") != std::string::npos) {
                const std::string system = line.substr(0, line.find('\t'));
                EXPECT_TRUE(fs_is_file(("systems\\" + system + ".txt").c_str())) << system;
                ++systems;
            }
            if (line.find("[launcher]") != std::string::npos) {
                double east = 0, north = 0, azimuth = 0, range = 0;
                int count = 0, reload = 0;
                EXPECT_EQ(std::sscanf(line.c_str(), "%lf\t%lf\t%lf\t%lf\t%d\t%d", &east, &north, &azimuth, &range,
                                      &count, &reload), 6) << line;
                EXPECT_GT(range, 1000.0);
                EXPECT_GT(count, 0);
                ++launchers;
            }
        }
        EXPECT_TRUE(ended) << name;
        EXPECT_GE(systems, 1) << name;
        if (std::string(name).find("Test") == std::string::npos) {
            EXPECT_GE(launchers, 1) << name;
        }
    }
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
