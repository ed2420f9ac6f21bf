#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/definition_faults.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"
#include "simulation/design_name.h"
#include "simulation/launcher.h"
#include "simulation/missile_file.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/system_file.h"
#include "simulation/warhead.h"
#include "tests/simulation/parts_fixture.h"
#include "tests/simulation/weapons_fixture.h"
#include "tests/support/file_size_limit.h"

namespace {

using DefinitionFile = parts_test;

const char* const k_control_default =
    "Control Unit Definition File\r\n"
    "\r\n"
    "Parabolic_Radar\t[radar_name]\r\n"
    "Tent\t[command_name]\r\n"
    "1\t[fire_on_radial]\r\n"
    "1\t[fire_on_projected]\r\n"
    "2\t[protected_radius]\r\n"
    "20\t[engagement_range]\r\n"
    "8\t[num_targets]\r\n"
    "5\t[launch_range]\r\n"
    "\r\n"
    "@\r\n"
    "Control data units\r\n"
    "\r\n"
    "protected radius (km)\r\n"
    "engagement range (km)\r\n"
    "launch range (km)\r\n"
    "\r\n";

}  // namespace

TEST_F(DefinitionFile, ControlUnitDefaultsAreWrittenInKeyOrderWithCrLf) {
    control_unit unit;
    ASSERT_TRUE(unit.save("Battery"));
    EXPECT_EQ(tmp_.read("controls/Battery.txt"), k_control_default);
    EXPECT_STREQ(unit.name, "Battery");  // saving renames the design
}

TEST_F(DefinitionFile, EveryRecordRoundTrips) {
    control_unit unit;
    copy_text(unit.radar_name, "Dish 2");
    copy_text(unit.command_name, "Bunker");
    unit.fire_on_radial = 0;
    unit.num_targets = 3;
    unit.protected_radius = 2.75f;
    unit.engagement_range = 31.5f;
    unit.launch_range = 7.25f;
    ASSERT_TRUE(unit.save("Unit A"));
    control_unit unit_back;
    ASSERT_TRUE(unit_back.load("Unit A"));
    EXPECT_STREQ(unit_back.name, "Unit A");
    EXPECT_STREQ(unit_back.radar_name, "Dish 2");
    EXPECT_STREQ(unit_back.command_name, "Bunker");
    EXPECT_EQ(unit_back.fire_on_radial, 0);
    EXPECT_EQ(unit_back.fire_on_projected, 1);
    EXPECT_EQ(unit_back.num_targets, 3);
    EXPECT_FLOAT_EQ(unit_back.protected_radius, 2.75f);
    EXPECT_FLOAT_EQ(unit_back.engagement_range, 31.5f);
    EXPECT_FLOAT_EQ(unit_back.launch_range, 7.25f);

    launcher pad;
    copy_text(pad.model_name, "rail");
    pad.fixed_rotation = 1;
    pad.rotation_angle = -45.5f;
    pad.elevation_angle = 60.0f;
    pad.num_missiles = 4;
    pad.reload_time = 12.5f;
    ASSERT_TRUE(pad.save("Pad"));
    launcher pad_back;
    ASSERT_TRUE(pad_back.load("Pad"));
    EXPECT_STREQ(pad_back.name, "Pad");
    EXPECT_STREQ(pad_back.model_name, "rail");
    EXPECT_EQ(pad_back.fixed_rotation, 1);
    EXPECT_EQ(pad_back.fixed_elevation, 0);
    EXPECT_FLOAT_EQ(pad_back.rotation_angle, -45.5f);
    EXPECT_FLOAT_EQ(pad_back.elevation_angle, 60.0f);
    EXPECT_EQ(pad_back.num_missiles, 4);
    EXPECT_FLOAT_EQ(pad_back.reload_time, 12.5f);
    EXPECT_EQ(tmp_.read("launchers/Pad.txt").substr(0, 48), "Launcher Definition File\r\n\r\nrail\t[launcher_name]");

    missile_file parts;
    copy_text(parts.config_name, "Slim");
    copy_text(parts.motor_name, "Boost 2");
    copy_text(parts.warhead_name, "Blast");
    copy_text(parts.seeker_name, "Eye");
    ASSERT_TRUE(parts.write("Hawk"));
    EXPECT_EQ(tmp_.read("missiles/Hawk.txt"),
              "Missile system Definition File\r\n\r\nSlim\t[config_name]\r\nBoost 2\t[motor_name]\r\n"
              "Blast\t[warhead_name]\r\nEye\t[seeker_name]\r\n\r\n");
    missile_file parts_back;
    ASSERT_TRUE(parts_back.read("Hawk"));
    EXPECT_STREQ(parts_back.config_name, "Slim");
    EXPECT_STREQ(parts_back.motor_name, "Boost 2");
    EXPECT_STREQ(parts_back.warhead_name, "Blast");
    EXPECT_STREQ(parts_back.seeker_name, "Eye");

    system_file battery;
    copy_text(battery.launcher_name, "Pad");
    copy_text(battery.control_name, "Unit A");
    ASSERT_TRUE(battery.write("Hawk"));
    EXPECT_EQ(tmp_.read("systems/Hawk.txt"),
              "System Definition File\r\n\r\nPad\t[launcher_name]\r\nUnit A\t[radar_name]\r\n\r\n");
    system_file battery_back;
    ASSERT_TRUE(battery_back.read("Hawk"));
    EXPECT_STREQ(battery_back.launcher_name, "Pad");
    EXPECT_STREQ(battery_back.control_name, "Unit A");
}

TEST_F(DefinitionFile, MissingFileChangesNothing) {
    control_unit unit;
    unit.num_targets = 5;
    EXPECT_FALSE(unit.load("Nowhere"));
    EXPECT_EQ(unit.num_targets, 5);
    EXPECT_STREQ(unit.name, "New Control");
    missile_file parts;
    EXPECT_FALSE(parts.read("Nowhere"));
    EXPECT_STREQ(parts.config_name, "New Config");
}

TEST_F(DefinitionFile, TitleAndEndOnlyIsRefusedAsGivingNoValue) {
    tmp_.write("controls/Empty.txt", "Control Unit Definition File\n@\n");
    control_unit unit;
    EXPECT_FALSE(unit.load("Empty"));
    EXPECT_STREQ(unit.name, "New Control");
    EXPECT_EQ(unit.num_targets, 8);
    EXPECT_STREQ(unit.radar_name, "Parabolic_Radar");
    EXPECT_TRUE(logged("controls\\Empty.txt cannot be read whole: none of its values can be read"));
    EXPECT_FALSE(logged("Nothing read from controls"));

    // Something else under a definition's name (control characters, no "@" line) is refused
    // and named.
    const char garbage[] = "\x7f" "ELF\x02\x01\0\0\x03\0>\0\xff\xfe\nrubbish\n";
    tmp_.write("controls/Junk.txt", std::string(garbage, sizeof garbage - 1));
    unit.num_targets = 3;
    EXPECT_FALSE(unit.load("Junk"));
    EXPECT_EQ(unit.num_targets, 3);
    EXPECT_STREQ(unit.name, "New Control");
    EXPECT_TRUE(logged("controls\\Junk.txt cannot be read whole: it holds a control character (byte 127) on line 1"));
}

TEST_F(DefinitionFile, CommentsEndMarkValuesAndKeysAnywhere) {
    tmp_.write("controls/Rules.txt",
               "Control Unit Definition File\n"
               "\n"
               "// 9\t[num_targets] commented out\n"
               "3\t[num_targets] // a note makes the whole line a comment\n"
               "4.5\t[num_targets][launch_range]\n"   // one number, two keys
               "-0.5\t[fire_on_radial]\n"
               "0.0001\t[fire_on_projected]\n"
               "Dish // with comment\t[radar_name]\n"
               "12\t[protected_radius] @ ends here\n"
               "99\t[engagement_range]\n");
    control_unit unit;
    unit.fire_on_projected = 0;
    ASSERT_TRUE(unit.load("Rules"));
    EXPECT_EQ(unit.num_targets, 4);  // 4.5 truncated
    EXPECT_FLOAT_EQ(unit.launch_range, 4.5f);
    EXPECT_EQ(unit.fire_on_radial, 0);
    EXPECT_EQ(unit.fire_on_projected, 1);
    EXPECT_STREQ(unit.radar_name, "Parabolic_Radar");  // its line was a comment
    EXPECT_FLOAT_EQ(unit.protected_radius, 2.0f);      // the "@" line ends the data unread
    EXPECT_FLOAT_EQ(unit.engagement_range, 20.0f);     // after the end: ignored
}

TEST_F(DefinitionFile, WholeNumbersTruncateTowardZeroAndStayInRange) {
    tmp_.write("launchers/Odd.txt",
               "Launcher Definition File\n7.9\t[num_missiles]\n-2.7\t[fixed_elevation]\n@\n");
    launcher pad;
    ASSERT_TRUE(pad.load("Odd"));
    EXPECT_EQ(pad.num_missiles, 7);
    EXPECT_EQ(pad.fixed_elevation, 0);
    // Values past what the program can use are bounded, each with one line naming the file,
    // however often the file is read (a system reads it for every missile it fires).
    tmp_.write("launchers/Huge.txt", "Launcher Definition File\n1e30\t[num_missiles]\n-7.9\t[reload_time]\n@\n");
    ASSERT_TRUE(pad.load("Huge"));
    ASSERT_TRUE(pad.load("Huge"));
    EXPECT_EQ(pad.num_missiles, 1000);
    EXPECT_FLOAT_EQ(pad.reload_time, 0.0f);
    const std::string line = "launchers\\Huge.txt: [num_missiles] 2147483647 bounded to 1000\r\n";
    EXPECT_EQ(log().find(line), log().rfind(line));
    EXPECT_TRUE(logged(line));
    EXPECT_TRUE(logged("launchers\\Huge.txt: [reload_time] -7.9 bounded to 0"));
    tmp_.write("controls/Many.txt", "Control Unit Definition File\n100\t[num_targets]\n3e38\t[launch_range]\n@\n");
    control_unit unit;
    ASSERT_TRUE(unit.load("Many"));
    EXPECT_EQ(unit.num_targets, 24);
    EXPECT_FLOAT_EQ(unit.launch_range, 1000.0f);
    EXPECT_TRUE(logged("controls\\Many.txt: [num_targets] 100 bounded to 24"));
}

TEST_F(DefinitionFile, LineWithoutANumberKeepsNumbersButGivesNames) {
    tmp_.write("launchers/Words.txt",
               "Launcher Definition File\nabout\t[reload_time]\nnan\t[elevation_angle]\n"
               "1e999\t[rotation_angle]\nsilo\t[launcher_name]\n@\n");
    launcher pad;
    ASSERT_TRUE(pad.load("Words"));
    EXPECT_FLOAT_EQ(pad.reload_time, 30.0f);
    EXPECT_FLOAT_EQ(pad.elevation_angle, 25.0f);
    EXPECT_FLOAT_EQ(pad.rotation_angle, 0.0f);
    EXPECT_STREQ(pad.model_name, "silo");
    // A value that is no finite number is refused with a line naming the file, once; words
    // that only start like one ("Infrared") are names and pass without a word.
    ASSERT_TRUE(pad.load("Words"));
    const std::string nan_line = "launchers\\Words.txt: refused a value that is no finite number: nan\t[elevation_angle]";
    EXPECT_TRUE(logged(nan_line));
    EXPECT_EQ(log().find(nan_line), log().rfind(nan_line));
    EXPECT_TRUE(logged("launchers\\Words.txt: refused a value that is no finite number: 1e999\t[rotation_angle]"));
    tmp_.write("launchers/Names.txt", "Launcher Definition File\nInfrared\t[launcher_name]\n-INF\t[reload_time]\n@\n");
    ASSERT_TRUE(pad.load("Names"));
    EXPECT_STREQ(pad.model_name, "Infrared");
    EXPECT_FALSE(logged("Names.txt: refused a value that is no finite number: Infrared"));
    EXPECT_TRUE(logged("launchers\\Names.txt: refused a value that is no finite number: -INF\t[reload_time]"));
    EXPECT_EQ(log().find("about"), std::string::npos);
}

TEST_F(DefinitionFile, LongLinesAndLongNamesAreReadSafely) {
    const std::string long_name(300, 'x');
    const std::string padding(5000, ' ');
    tmp_.write("controls/Long.txt", "Control Unit Definition File\r\n\r\n" + long_name + "\t[radar_name]\r\n" +
                                        "6" + padding + "[num_targets]\r\n" + "7.5\t" + padding + "[launch_range]\r\n@\r\n");
    control_unit unit;
    ASSERT_TRUE(unit.load("Long"));
    EXPECT_EQ(std::string(unit.radar_name), std::string(design_name_size - 1, 'x'));
    EXPECT_EQ(unit.num_targets, 6);  // the key far past 255 characters is still found
    EXPECT_FLOAT_EQ(unit.launch_range, 7.5f);
}

TEST_F(DefinitionFile, LfAndCrLfFilesReadAlike) {
    tmp_.write("systems/Lf.txt", "System Definition File\n\nPad\t[launcher_name]\nCtl\t[radar_name]\n");
    tmp_.write("systems/Crlf.txt", "System Definition File\r\n\r\nPad\r\nCtl\t[radar_name]\r\nPad\t[launcher_name]\r\n");
    system_file lf, crlf;
    ASSERT_TRUE(lf.read("Lf"));
    ASSERT_TRUE(crlf.read("Crlf"));
    EXPECT_STREQ(lf.launcher_name, "Pad");
    EXPECT_STREQ(crlf.launcher_name, "Pad");  // no CR left on a name without a TAB either
    EXPECT_STREQ(lf.control_name, "Ctl");
    EXPECT_STREQ(crlf.control_name, "Ctl");
}

TEST_F(DefinitionFile, DecimalCommaLocaleChangesNothing) {
    const char* set = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
        if ((set = std::setlocale(LC_ALL, name)) != nullptr) break;
    }
    if (set == nullptr) GTEST_SKIP() << "no decimal-comma locale installed";
    control_unit unit;
    unit.protected_radius = 2.5f;
    const bool saved = unit.save("Comma");
    tmp_.write("controls/Read.txt", "Control Unit Definition File\n0.75\t[launch_range]\n@\n");
    control_unit back;
    const bool loaded = back.load("Read");
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(saved);
    ASSERT_TRUE(loaded);
    EXPECT_NE(tmp_.read("controls/Comma.txt").find("2.5\t[protected_radius]"), std::string::npos);
    EXPECT_FLOAT_EQ(back.launch_range, 0.75f);
}

TEST_F(DefinitionFile, UnwritableAndUnreadableFilesAreReportedAndLogged) {
    // A folder where the file should be: the file can be neither read nor replaced.
    fs_make_folder("controls\\Battery.txt");
    control_unit unit;
    EXPECT_FALSE(unit.save("Battery"));
    EXPECT_TRUE(logged("Could not write controls\\Battery.txt: Is a directory"));
    EXPECT_FALSE(unit.load("Battery"));
    EXPECT_TRUE(logged("Could not read controls\\Battery.txt"));
    fs_make_folder("systems\\Hawk.txt");
    system_file battery;
    EXPECT_FALSE(battery.write("Hawk"));
    EXPECT_TRUE(logged("Could not write systems\\Hawk.txt"));
    launcher pad;
    EXPECT_TRUE(pad.save("Other"));
    EXPECT_TRUE(pad.load("Other"));
    EXPECT_FALSE(logged("launchers\\Other"));
}

TEST_F(DefinitionFile, ASaveThatFailsMidwayKeepsTheOldFile) {
    aero_config wing;
    ASSERT_TRUE(wing.save("Wing"));
    const std::string saved = tmp_.read("configs/Wing.txt");
    ASSERT_GT(saved.size(), 400u);
    // Past 400 bytes the writes fail, as on a full disk.
    EXPECT_TRUE(in_child_with_file_size_limit(400, [&] {
        wing.LN = 55.0f;
        return !wing.save("Wing") && logged("Could not write configs\\Wing.txt: File too large");
    }));
    EXPECT_EQ(tmp_.read("configs/Wing.txt"), saved);
    EXPECT_EQ(fs_list("configs\\*.*").size(), 1u);  // no temporary file left beside it
}

TEST_F(DefinitionFile, DesignNamesAreBoundedAndChecked) {
    EXPECT_TRUE(is_valid_design_name("New Missile"));
    EXPECT_TRUE(is_valid_design_name("Patriot-2 (b)"));
    for (const char* bad : {"", "a\\b", "a/b", "..", "up..", "c:x", "tab\there", "new\nline", "at@home"}) {
        EXPECT_FALSE(is_valid_design_name(bad)) << bad;
    }
    const std::string long_name(60, 'n');
    design_path path;
    ASSERT_TRUE(make_design_path("configs", long_name.c_str(), &path));
    EXPECT_EQ(std::strlen(path.name), design_name_size - 1);
    EXPECT_EQ(path.file, "configs\\" + std::string(39, 'n') + ".txt");

    launcher pad;
    ASSERT_TRUE(pad.save(long_name.c_str()));
    EXPECT_EQ(std::string(pad.name), std::string(39, 'n'));  // the field holds what was saved
    launcher back;
    ASSERT_TRUE(back.load(long_name.c_str()));  // the same bounded name finds the file
    EXPECT_STREQ(back.name, pad.name);

    tmp_.write("secret.txt", "Launcher Definition File\n3\t[num_missiles]\n");
    EXPECT_FALSE(back.load("..\\secret"));
    EXPECT_EQ(back.num_missiles, 8);
    EXPECT_FALSE(back.save("..\\secret"));
    EXPECT_TRUE(logged("Invalid design name \"..\\secret\""));
    EXPECT_FALSE(back.save("bell\a"));
    EXPECT_TRUE(logged("Invalid design name \"bell?\""));
    EXPECT_STREQ(back.name, std::string(39, 'n').c_str());  // a refused save renames nothing
}

TEST_F(DefinitionFile, ReaderAndWriterDirectly) {
    definition_writer out;
    ASSERT_TRUE(out.open("configs\\raw.txt"));
    out.text("Title");
    out.real(5000.0f, "[a]");
    out.real(1e6f, "[b]");
    out.real(0.737f, "[c]");
    out.real(1.0f / 3.0f, "[d]");
    out.whole(-12, "[e]");
    out.flag(true, "[f]");
    ASSERT_TRUE(out.close());
    EXPECT_EQ(tmp_.read("configs/raw.txt"),
              "Title\r\n5000\t[a]\r\n1e+06\t[b]\r\n0.737\t[c]\r\n0.333333\t[d]\r\n-12\t[e]\r\n1\t[f]\r\n");
    definition_reader in;
    ASSERT_TRUE(in.open("configs\\raw.txt"));
    int lines = 0;
    while (in.next_line()) ++lines;
    EXPECT_EQ(lines, 7);
    EXPECT_FALSE(in.next_line());  // stays at the end

    tmp_.write("configs/keys.txt", "T\n5\t[LENC]\n6\t[DB]\n");
    ASSERT_TRUE(in.open("configs\\keys.txt"));
    ASSERT_TRUE(in.next_line());  // the title is a line without keys
    ASSERT_TRUE(in.next_line());
    EXPECT_FALSE(in.has("[LEN]"));  // a key matches with both its brackets
    EXPECT_TRUE(in.has("[LENC]"));
    ASSERT_TRUE(in.next_line());
    EXPECT_FALSE(in.has("[B]"));
    EXPECT_EQ(in.real(0.0f), 6.0f);
}

namespace {

// The part files over the run folder's designs ("Sentinel MR" of every kind).
using DamagedPartFile = weapons_test;

// A part of any kind behind the same calls, so that one table goes through them all.
struct part_calls {
    const char* folder;
    std::function<bool(const char*)> load;
    std::function<bool(const char*)> save;
    std::function<std::string()> name;
};

template <class Part>
part_calls calls_of(Part& part, const char* folder) {
    return {folder, [&part](const char* n) { return part.load(n); }, [&part](const char* n) { return part.save(n); },
            [&part] { return std::string(part.name); }};
}

// One part of each kind that has a file of its own, with its folder.
struct six_parts {
    aero_config wing;
    rocket_motor motor;
    warhead head;
    seeker eye;
    launcher pad;
    control_unit unit;
    const part_calls kinds[6] = {calls_of(wing, "configs"), calls_of(motor, "motors"),  calls_of(head, "warheads"),
                                 calls_of(eye, "seekers"),  calls_of(pad, "launchers"), calls_of(unit, "controls")};
};

// The value lines of a definition file, from after its title to its "@" line, without CR.
std::vector<std::string> value_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // the title
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "@") break;
        if (line.find('\t') != std::string::npos) lines.push_back(line);
    }
    return lines;
}

bool holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string key_of(const std::string& line) { return line.substr(line.find('\t')); }

}  // namespace

// A part file cut short (in the middle of a line, or at a line's end before its "@" line) is
// refused: false, one log line naming it and why, the fault listed for a notice, and the part
// keeps its values and its name. Whole again, the same file loads.
TEST_F(DamagedPartFile, EveryPartFileCutShortIsRefusedByNameAndThePartStays) {
    six_parts parts;
    for (const part_calls& k : parts.kinds) {
        SCOPED_TRACE(k.folder);
        const std::string file = std::string(k.folder) + "/Sentinel MR.txt";
        const std::string program_file = std::string(k.folder) + "\\Sentinel MR.txt";
        const std::string whole = tmp_.read(file);
        const std::size_t end = whole.find("\n@");
        ASSERT_NE(end, std::string::npos);
        std::size_t mid_line = end / 2;
        while (whole[mid_line - 1] == '\n') ++mid_line;
        const std::size_t line_end = whole.rfind('\n', end / 2) + 1;
        ASSERT_TRUE(k.save("Shown"));
        const std::string shown = tmp_.read(std::string(k.folder) + "/Shown.txt");
        const struct {
            std::string text;
            std::string why;
        } cuts[] = {{whole.substr(0, mid_line), "it stops in the middle of a line before its \"@\" line"},
                    {whole.substr(0, line_end), "it ends before its \"@\" line"}};
        for (const auto& cut : cuts) {
            tmp_.write(file, cut.text);
            definition_faults faults;
            {
                const definition_faults::use watching(&faults);
                EXPECT_FALSE(k.load("Sentinel MR"));
            }
            EXPECT_TRUE(logged((program_file + " cannot be read whole: " + cut.why).c_str())) << cut.why;
            ASSERT_EQ(faults.list().size(), 1u);
            EXPECT_EQ(faults.list()[0].file, program_file);
            EXPECT_EQ(faults.list()[0].why, cut.why);
            EXPECT_EQ(k.name(), "Shown");
            ASSERT_TRUE(k.save("Shown"));
            EXPECT_EQ(tmp_.read(std::string(k.folder) + "/Shown.txt"), shown);
        }
        tmp_.write(file, whole);
        EXPECT_TRUE(k.load("Sentinel MR"));
        EXPECT_EQ(k.name(), "Sentinel MR");
        ASSERT_TRUE(k.save("Shown"));
        EXPECT_NE(tmp_.read(std::string(k.folder) + "/Shown.txt"), shown);  // the file's own values
    }
}

// A file with its "@" line and only one of its keys is whole: it loads, takes that value and
// the name, and the part keeps its own values for the rest.
TEST_F(DamagedPartFile, APartFileWithItsEndAndOnlySomeKeysLoads) {
    six_parts parts;
    for (const part_calls& k : parts.kinds) {
        SCOPED_TRACE(k.folder);
        const std::string folder = k.folder;
        ASSERT_TRUE(k.save("Fresh"));
        const std::vector<std::string> fresh = value_lines(tmp_.read(folder + "/Fresh.txt"));
        const std::string whole = tmp_.read(folder + "/Sentinel MR.txt");
        // The first line of the design that the fresh part does not hold, and the last of the
        // fresh part's lines with another key.
        std::string taken;
        for (const std::string& line : value_lines(whole)) {
            if (holds(fresh, line)) continue;
            taken = line;
            break;
        }
        ASSERT_FALSE(taken.empty());
        std::string kept;
        for (auto it = fresh.rbegin(); it != fresh.rend() && kept.empty(); ++it) {
            if (key_of(*it) != key_of(taken)) kept = *it;
        }
        tmp_.write(folder + "/Some.txt", whole.substr(0, whole.find('\n')) + "\n\n" + taken + "\n\n@\nunits\n");
        EXPECT_TRUE(k.load("Some"));
        EXPECT_EQ(k.name(), "Some");
        ASSERT_TRUE(k.save("After"));
        const std::vector<std::string> after = value_lines(tmp_.read(folder + "/After.txt"));
        EXPECT_TRUE(holds(after, taken)) << taken;
        EXPECT_TRUE(holds(after, kept)) << kept;
    }
    EXPECT_FALSE(logged("cannot be read whole"));
}

// A motor file that holds fewer charge records than its "[NS]" line gives is refused; with the
// count brought down to the records it holds, it loads.
TEST_F(DamagedPartFile, AMotorWithFewerChargesThanItsCountIsRefused) {
    const std::string whole = tmp_.read("motors/Sentinel MR.txt");
    const std::size_t second = whole.rfind('\n', whole.find("\t[TYP]", whole.find("[AC]"))) + 1;
    const std::size_t second_end = whole.find('\n', whole.find("[AC]", second)) + 1;
    std::string one = whole;
    one.erase(second, second_end - second);
    ASSERT_EQ(value_lines(one).size(), value_lines(whole).size() - 8);
    tmp_.write("motors/One.txt", one);
    rocket_motor motor;
    const float length = motor.charge_length[0];
    EXPECT_FALSE(motor.load("One"));
    EXPECT_TRUE(logged("motors\\One.txt cannot be read whole: it holds 1 of the 2 charges its [NS] line gives"));
    EXPECT_EQ(motor.charge_length[0], length);
    EXPECT_STREQ(motor.name, "New Motor");

    const std::size_t count = one.find("2\t[NS]");
    ASSERT_NE(count, std::string::npos);
    one.replace(count, 1, "1");
    tmp_.write("motors/One.txt", one);
    EXPECT_TRUE(motor.load("One"));
    EXPECT_EQ(motor.charge_count, 1);
    EXPECT_FLOAT_EQ(motor.charge_length[0], 110.0f);
}

// A part file holding a control character other than TAB, CR and LF (a NUL, an escape, DEL) is
// not a file the program wrote: it is refused by name and the part stays as it was. Letters
// beyond ASCII in a title are no fault.
TEST_F(DamagedPartFile, APartFileHoldingAControlCharacterIsRefused) {
    six_parts parts;
    for (const part_calls& k : parts.kinds) {
        SCOPED_TRACE(k.folder);
        const std::string folder = k.folder;
        const std::string whole = tmp_.read(folder + "/Sentinel MR.txt");
        ASSERT_TRUE(k.save("Shown"));
        const std::size_t at = whole.find('\t');  // in the first value line
        const long line = 1 + std::count(whole.begin(), whole.begin() + static_cast<long>(at), '\n');
        for (const char c : {'\0', '\x1b', '\x7f'}) {
            std::string bad = whole;
            bad.insert(at, 1, c);
            tmp_.write(folder + "/Bad.txt", bad);
            definition_faults faults;
            {
                const definition_faults::use watching(&faults);
                EXPECT_FALSE(k.load("Bad"));
            }
            const std::string why = format_string("it holds a control character (byte %d) on line %ld",
                                                  static_cast<unsigned char>(c), line);
            ASSERT_EQ(faults.list().size(), 1u);
            EXPECT_EQ(faults.list()[0].kind, "control characters");
            EXPECT_EQ(faults.list()[0].why, why);
            EXPECT_TRUE(logged((folder + "\\Bad.txt cannot be read whole: " + why).c_str()));
            EXPECT_EQ(k.name(), "Shown");
        }
        tmp_.write(folder + "/Accented.txt", "D\xc3\xa9" + whole.substr(1));
        EXPECT_TRUE(k.load("Accented"));
    }
}

// A part file that gives its part no value is refused by name like a cut one, and the part
// stays as it was: one whose line ends are lone CRs (its lines run into one, ended by the "@"
// in it) and one of printable noise that holds an "@".
TEST_F(DamagedPartFile, APartFileGivingNoValueIsRefused) {
    six_parts parts;
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>(' ' + (seed >> 16) % 95);  // printable ASCII, '@' among them
    }
    noise.insert(2048, "@");
    for (const part_calls& k : parts.kinds) {
        SCOPED_TRACE(k.folder);
        const std::string folder = k.folder;
        ASSERT_TRUE(k.save("Shown"));
        const std::string shown = tmp_.read(folder + "/Shown.txt");
        std::string lone_cr = tmp_.read(folder + "/Sentinel MR.txt");
        lone_cr.erase(std::remove(lone_cr.begin(), lone_cr.end(), '\r'), lone_cr.end());
        std::replace(lone_cr.begin(), lone_cr.end(), '\n', '\r');
        for (const std::string& text : {lone_cr, noise}) {
            tmp_.write(folder + "/Shown.txt", text);
            definition_faults faults;
            {
                const definition_faults::use watching(&faults);
                EXPECT_FALSE(k.load("Shown"));
            }
            ASSERT_EQ(faults.list().size(), 1u);
            EXPECT_EQ(faults.list()[0].kind, "no values");
            EXPECT_EQ(faults.list()[0].why, "none of its values can be read");
            EXPECT_TRUE(logged((folder + "\\Shown.txt cannot be read whole: none of its values can be read").c_str()));
            EXPECT_EQ(k.name(), "Shown");
            ASSERT_TRUE(k.save("Shown"));
            EXPECT_EQ(tmp_.read(folder + "/Shown.txt"), shown);  // its own values, none of the file's
        }
    }
}

// A notice names each refused file: one file with why (or its kind, when the line would not fit
// a caption), several a line each with the kind, the first six and then how many more the log
// lists.
TEST_F(DamagedPartFile, TheNoticeNamesEveryRefusedFile) {
    definition_faults faults;
    const definition_faults::use watching(&faults);
    const std::string long_name = "missiles\\" + std::string(39, 'M') + ".txt";
    definition_faults::report(long_name, definition_faults::k_cut_short,
                              "it stops in the middle of a line before naming all its parts");
    EXPECT_EQ(faults.notice(), "Could not load " + long_name + ": cut short");
    definition_faults::report("configs\\A.txt", definition_faults::k_control_characters, "byte 0");
    EXPECT_EQ(faults.notice(), "Could not load 2 damaged files (Logfile.txt says why):\n" + long_name +
                                   ": cut short\nconfigs\\A.txt: control characters");
    for (const char* name : {"B", "C", "D", "E", "F", "G"}) {
        definition_faults::report(format_string("seekers\\%s.txt", name), definition_faults::k_records_missing, "why");
    }
    const std::string text = faults.notice();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
    EXPECT_NE(text.find("\nseekers\\E.txt: records missing\nand 2 more: Logfile.txt lists them"), std::string::npos);
    EXPECT_EQ(text.find("F.txt"), std::string::npos);
}
