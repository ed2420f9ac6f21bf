// The missile design screen: the static test's step against hand arithmetic, a motor larger
// than its airframe, saving and loading the system and missile under one name, the assembled
// preview and its explosion on the recording device, and the hints against the design
// background.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "core/device_calls.h"
#include "design/design_graph.h"
#include "design/static_test.h"
#include "simulation/aero_config.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/design/design_fixture.h"
#include "tests/support/file_size_limit.h"
#include "world/sprinkle.h"
#include "ui/graph.h"
#include "ui/screens.h"
#include "ui/message_box.h"

using namespace design;

TEST(DesignStaticTest, OneStepByHand) {
    static_test s;
    s.v = 100.0f;
    flight_inputs in;
    in.thrust = 5000.0f;
    in.drag_coefficient = 0.5f;
    in.cn_alpha = 10.0f;
    in.reference_area = 0.01f;
    in.dry_mass = 40.0f;
    in.propellant = 10.0f;
    const flight_sample p = static_test_step(s, in, 0.02f);
    // q S = 0.6 x 0.01 x 100² = 60 N; mass 50 kg.
    EXPECT_NEAR(p.mach, 100.0f / 340.0f, 1e-6f);
    EXPECT_NEAR(p.g, 0.25f * 60.0f * 10.0f / (9.81f * 50.0f), 1e-5f);
    EXPECT_NEAR(s.v, 100.0f + (5000.0f - 30.0f) / 50.0f * 0.02f, 1e-4f);
    EXPECT_NEAR(s.x, s.v * 0.02f, 1e-5f);
    EXPECT_FLOAT_EQ(s.t, 0.02f);
    EXPECT_TRUE(s.flying);
}

TEST(DesignStaticTest, AMotorLargerThanItsAirframeFliesFinite) {
    static_test s;
    flight_inputs in;
    in.thrust = 20000.0f;
    in.drag_coefficient = 0.4f;
    in.cn_alpha = 12.0f;
    in.reference_area = 0.0123f;
    in.dry_mass = -30.0f;  // the propellant outweighs the airframe
    in.propellant = 10.0f;
    for (int i = 0; i < 200; ++i) {
        const flight_sample p = static_test_step(s, in, 0.02f);
        ASSERT_TRUE(std::isfinite(p.g) && std::isfinite(p.v) && std::isfinite(p.x)) << i;
        ASSERT_GE(p.g, 0.0f);
    }
    EXPECT_GT(s.v, 0.0f);
}

class DesignHub : public design_fixture {};

TEST_F(DesignHub, FireRunsAStaticTestWithoutNaN) {
    open(14);
    m->aero->DC = 3.0f;  // too thin for its motor: no dry mass
    m->layout_parts();
    ASSERT_LT(m->dry_mass, 0.0f);
    press_and_click("Fire");
    EXPECT_TRUE(m->motor->running);
    for (int i = 0; i < 150; ++i) root->send(gui_event::tick);
    EXPECT_FALSE(logged("nan"));
    press_and_click("Explode");
    EXPECT_FALSE(m->motor->running);
    EXPECT_NE(find_text("Fire"), nullptr);
}

TEST_F(DesignHub, SaveNamesSystemAndMissileLoadNeedsBothAndAFailedSaveKeepsTheNames) {
    open(14);
    press_and_click("Resize Shape");
    EXPECT_TRUE(m->fits);
    save_as("T1");
    EXPECT_TRUE(tmp.exists("systems/T1.txt") && tmp.exists("missiles/T1.txt"));
    EXPECT_STREQ(system->name, "T1");
    EXPECT_NE(find_text("Missile Design - T1"), nullptr);
    fs_delete("missiles\\T1.txt");
    m->aero->LC = 50.0f;
    press_and_click("Load");
    EXPECT_EQ(g_message_box.type, message_box_type::file_choice);
    answer("T1");
    EXPECT_STREQ(g_message_box.message, "Could not load missiles\\T1.txt");
    EXPECT_EQ(m->aero->LC, 50.0f);
    root->close_dialogs();

    block_folder("missiles");
    save_as("T2");
    EXPECT_STREQ(m->name, "T1");
    EXPECT_STREQ(system->name, "T1");
    EXPECT_STREQ(g_message_box.message, "Could not save T2: Not a directory");
}

namespace {

// The eight files of a design saved under a name, each with its text.
constexpr const char* k_design_files[] = {"systems/%s.txt",  "launchers/New Launcher.txt", "controls/New Control.txt",
                                          "configs/New Config.txt", "motors/New Motor.txt",
                                          "warheads/New Warhead.txt", "seekers/New Seeker.txt", "missiles/%s.txt"};

std::map<std::string, std::string> design_texts(const temp_folder& tmp, const char* name) {
    std::map<std::string, std::string> texts;
    for (const char* pattern : k_design_files) {
        std::string file = pattern;
        if (const std::size_t at = file.find("%s"); at != std::string::npos) file.replace(at, 2, name);
        texts[file] = tmp.exists(file) ? tmp.read(file) : "(none)";
    }
    return texts;
}

// Files of the run folder that are not design files: temporaries left behind.
std::vector<std::string> leftovers(const temp_folder& tmp) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(tmp.path())) {
        const std::string name = e.path().filename().string();
        if (name.find(".tmp") != std::string::npos || name[0] == '.') found.push_back(name);
    }
    return found;
}

}  // namespace

// A save that runs out of room part way leaves every file of the design saved before as it
// was, no temporary file, the old names, and a notice that says why; one with room writes
// all eight.
TEST_F(DesignHub, ASaveIsAllEightFilesOrNone) {
    open(14);
    EXPECT_NE(find_text("Save also writes the parts New Config, New Motor,"), nullptr);
    EXPECT_NE(find_text("New Warhead, New Seeker, New Launcher and New Control."), nullptr);
    save_as("Kept");
    const std::map<std::string, std::string> before = design_texts(tmp, "Kept");
    std::size_t smallest = 1u << 30, largest = 0;
    for (const auto& [file, text] : before) {
        ASSERT_NE(text, "(none)") << file;
        smallest = std::min(smallest, text.size());
        largest = std::max(largest, text.size());
    }
    m->aero->LC = 60.0f;
    system->launch_unit->elevation_angle = 40.0f;
    // Room for the small files only: the first ones are written before one does not fit.
    const std::size_t limit = (smallest + largest) / 2;
    ASSERT_GT(before.at("systems/Kept.txt").size(), 0u);
    ASSERT_LT(before.at("systems/Kept.txt").size(), limit);
    EXPECT_TRUE(in_child_with_file_size_limit(limit, [this] {
        save_as("Kept");
        return std::string(g_message_box.message) == "Could not save Kept: File too large" &&
               std::string(m->name) == "Kept";
    }));
    EXPECT_EQ(design_texts(tmp, "Kept"), before);
    EXPECT_EQ(leftovers(tmp), std::vector<std::string>{});

    // Under a new name with room: the eight files, the shared part files rewritten.
    save_as("Short");
    const std::map<std::string, std::string> after = design_texts(tmp, "Short");
    EXPECT_NE(after.at("configs/New Config.txt"), before.at("configs/New Config.txt"));
    EXPECT_NE(after.at("missiles/Short.txt"), "(none)");
    EXPECT_STREQ(m->name, "Short");
    EXPECT_EQ(leftovers(tmp), std::vector<std::string>{});
}

// Loading reads the system file and the missile file before either changes a part: a missile
// file that names nothing leaves the system as well as the missile as they were.
TEST_F(DesignHub, ALoadChangesTheSystemAndTheMissileOrNeither) {
    open(14);
    tmp.write("launchers/L2.txt", "Launcher Definition File\n\nRail\t[launcher_name]\n40\t[elevation_angle]\n@\n");
    tmp.write("configs/C2.txt", "Aero Config Definition File\n\n60\t[LC]\n@\n");
    tmp.write("systems/B.txt", "System Definition File\n\nL2\t[launcher_name]\n");
    tmp.write("missiles/B.txt", "");  // an interrupted save of old
    const float length = m->aero->body_length;
    load("B");
    EXPECT_STREQ(g_message_box.message, "Could not load missiles\\B.txt: it names no parts");
    EXPECT_STREQ(system->launch_unit->name, "New Launcher");
    EXPECT_EQ(system->launch_unit->elevation_angle, 25.0f);
    EXPECT_STREQ(system->name, "New Missile");
    EXPECT_EQ(m->aero->body_length, length);
    root->close_dialogs();

    // Named parts that exist load; a part whose file is missing takes its name and keeps its
    // values.
    tmp.write("missiles/B.txt", "Missile system Definition File\n\nC2\t[config_name]\nM9\t[motor_name]\n");
    const float propellant = m->motor->propellant_total;
    load("B");
    EXPECT_STREQ(system->launch_unit->name, "L2");
    EXPECT_STREQ(system->launch_unit->model_name, "Rail");
    EXPECT_EQ(system->launch_unit->elevation_angle, 40.0f);
    EXPECT_STREQ(system->name, "B");
    EXPECT_STREQ(m->name, "B");
    EXPECT_STREQ(m->aero->name, "C2");
    EXPECT_NEAR(m->aero->body_length, 25.0f + 60.0f + 13.0f, 1e-3f);
    EXPECT_STREQ(m->motor->name, "M9");
    EXPECT_EQ(m->motor->propellant_total, propellant);
    EXPECT_NE(find_text("Missile Design - B"), nullptr);
    EXPECT_NE(find_text("Launcher - L2"), nullptr);
}

// A missile file cut in half, or with one line made 300,000 characters long, and a system file
// cut in half cannot be read whole: the load names the file in the log and in a notice, and the
// design shown before stays, its parts' names and values as they were.
TEST_F(DesignHub, ADamagedMissileOrSystemFileIsNamedAndTheDesignShownStays) {
    open(14);
    save_as("Sentinel MR");
    const std::string missile_text = tmp.read("missiles/Sentinel MR.txt");
    const std::string system_text = tmp.read("systems/Sentinel MR.txt");
    ASSERT_NE(missile_text.find("[seeker_name]"), std::string::npos);
    std::string long_line = missile_text;
    const std::size_t motor = long_line.find("\t[motor_name]");
    ASSERT_NE(motor, std::string::npos);
    long_line.insert(motor, std::string(300000, 'x'));
    // "New Motor", the 300,000 added and "\t[motor_name]".

    // The design shown: other names and values.
    copy_text(m->motor->name, "Shown Motor");
    copy_text(m->seeker_part->name, "Shown Seeker");
    copy_text(system->launch_unit->name, "Shown Launcher");
    m->aero->LC = 55.0f;
    struct damaged {
        const char* file;
        std::string text;
        const char* why;
    };
    const damaged cases[] = {
        {"missiles/Sentinel MR.txt", missile_text.substr(0, missile_text.size() / 2),
         "it stops in the middle of a line before naming all its parts"},
        {"missiles/Sentinel MR.txt", long_line, "it holds a line of 300022 characters, more than 119"},
        {"systems/Sentinel MR.txt", system_text.substr(0, system_text.size() / 2),
         "it stops in the middle of a line before naming all its parts"},
    };
    for (const damaged& d : cases) {
        tmp.write("missiles/Sentinel MR.txt", missile_text);
        tmp.write("systems/Sentinel MR.txt", system_text);
        tmp.write(d.file, d.text);
        load("Sentinel MR");
        std::string program_name = d.file;
        program_name.replace(program_name.find('/'), 1, "\\");
        EXPECT_EQ(std::string(g_message_box.message), "Could not load " + program_name + ": " + d.why);
        EXPECT_TRUE(logged(program_name + " cannot be read whole: " + d.why)) << d.why;
        EXPECT_STREQ(m->motor->name, "Shown Motor");
        EXPECT_STREQ(m->seeker_part->name, "Shown Seeker");
        EXPECT_STREQ(system->launch_unit->name, "Shown Launcher");
        EXPECT_EQ(m->aero->LC, 55.0f);
        root->close_dialogs();
    }
    // Whole again, the design loads.
    tmp.write("missiles/Sentinel MR.txt", missile_text);
    tmp.write("systems/Sentinel MR.txt", system_text);
    load("Sentinel MR");
    EXPECT_STREQ(m->motor->name, "New Motor");
    EXPECT_STREQ(system->launch_unit->name, "New Launcher");
    EXPECT_STREQ(m->name, "Sentinel MR");
}

// A part file cut short is refused on the hub as on its own screen: the notice and the log name
// it, that part keeps its values while the others load, and the design goes on naming the
// damaged file. A save leaves that file as it was cut and still names it, so mending the file
// brings the design back. The part's own screen says the file is damaged; its first Save writes
// nothing there, not even the fire's table beside it, and says so; the second writes both.
TEST_F(DesignHub, APartFileCutShortKeepsTheDesignsLinkAndASaveLeavesTheFile) {
    open(14);
    save_as("Sentinel MR");
    const std::string whole = tmp.read("motors/New Motor.txt");
    std::size_t end = whole.find("\n@") / 2;
    while (whole[end - 1] == '\n') ++end;
    const std::string cut = whole.substr(0, end);
    tmp.write("motors/New Motor.txt", cut);

    // The design shown: another motor and another airframe length.
    copy_text(m->motor->name, "Shown Motor");
    m->motor->charge_isp[0] = 240.0f;
    m->aero->LC = 55.0f;
    load("Sentinel MR");
    const std::string why = "it stops in the middle of a line before its \"@\" line";
    EXPECT_EQ(std::string(g_message_box.message), "Could not load motors\\New Motor.txt: " + why);
    EXPECT_TRUE(logged("motors\\New Motor.txt cannot be read whole: " + why));
    EXPECT_STREQ(m->motor->name, "New Motor");  // the file the design names
    EXPECT_EQ(m->motor->file, part_file::refused);
    EXPECT_EQ(m->motor->charge_isp[0], 240.0f);
    EXPECT_STREQ(m->aero->name, "New Config");  // the whole parts load
    EXPECT_NE(m->aero->LC, 55.0f);
    EXPECT_STREQ(m->name, "Sentinel MR");
    // The hint under the hub says which parts a Save writes.
    EXPECT_NE(find_text("Save writes New Config, New Warhead, New Seeker, New Launcher and New Control."), nullptr);
    EXPECT_NE(find_text("It leaves the damaged motor New Motor."), nullptr);
    root->close_dialogs();

    for (const char* name : {"Sentinel MR", "Sentinel MR 2"}) {
        save_as(name);
        EXPECT_EQ(tmp.read("motors/New Motor.txt"), cut) << name;
        EXPECT_NE(tmp.read(std::string("missiles/") + name + ".txt").find("New Motor\t[motor_name]"),
                  std::string::npos) << name;
    }
    EXPECT_FALSE(tmp.exists("motors/Shown Motor.txt"));

    // Mended, the file comes back with the design.
    tmp.write("motors/New Motor.txt", whole);
    load("Sentinel MR 2");
    EXPECT_EQ(m->motor->file, part_file::taken);
    EXPECT_NE(m->motor->charge_isp[0], 240.0f);

    // Cut again: the notice on the hub does not let the motor's own Save write over it.
    tmp.write("motors/New Motor.txt", cut);
    load("Sentinel MR");
    root->close_dialogs();
    m->motor->charge_isp[0] = 240.0f;
    open(15);
    EXPECT_NE(find_text("Damaged motors\\New Motor.txt kept: the values shown are not its own."), nullptr);
    save_as("New Motor");
    EXPECT_EQ(tmp.read("motors/New Motor.txt"), cut);
    EXPECT_FALSE(tmp.exists("motors/New Motor.csv"));
    EXPECT_STREQ(g_message_box.message,
                 "Not saved: motors\\New Motor.txt could not be read whole. Save again to write over it.");
    root->close_dialogs();
    EXPECT_NE(find_text("Damaged motors\\New Motor.txt kept: the values shown are not its own."), nullptr);
    save_as("New Motor");
    EXPECT_NE(tmp.read("motors/New Motor.txt").find("240\t[ISP]"), std::string::npos);
    EXPECT_TRUE(tmp.exists("motors/New Motor.csv"));
    EXPECT_EQ(m->motor->file, part_file::taken);
    EXPECT_NE(find_text(k_save_hint), nullptr);
}

// A part refused where no notice named it (a design read for a run) is not written by its own
// screen's first Save: that Save names the file in a notice instead, and the next one writes it.
TEST_F(DesignHub, APartScreenWritesARefusedFileOnlyAfterANoticeNamedIt) {
    open(14);
    save_as("Sentinel MR");
    const std::string cut = "Rocket Motor Definition File\n\n10.5\t[OTD]\n2\t[DT";
    tmp.write("motors/New Motor.txt", cut);
    ASSERT_TRUE(m->load("Sentinel MR"));
    EXPECT_EQ(m->motor->file, part_file::refused);
    open(15);
    save_as("new motor");  // the same file, as names match without regard to case
    EXPECT_EQ(tmp.read("motors/New Motor.txt"), cut);
    EXPECT_STREQ(g_message_box.message,
                 "Not saved: motors\\New Motor.txt could not be read whole. Save again to write over it.");
    root->close_dialogs();
    save_as("New Motor");
    EXPECT_NE(tmp.read("motors/New Motor.txt").find("[AC]"), std::string::npos);
    EXPECT_EQ(m->motor->file, part_file::taken);
}

// Each part's screen says so while the file the design named for that part was damaged, and
// shows its usual hint again once a Save has written the file.
TEST_F(DesignHub, EveryPartScreenShowsItsDamagedFile) {
    const struct {
        int command;
        part_file* file;
        const char* folder;
        const char* name;
    } screens[] = {
        {15, &m->motor->file, "motors", m->motor->name},
        {16, &m->aero->file, "configs", m->aero->name},
        {17, &m->warhead_part->file, "warheads", m->warhead_part->name},
        {18, &m->warhead_part->file, "warheads", m->warhead_part->name},
        {19, &m->seeker_part->file, "seekers", m->seeker_part->name},
        {20, &system->launch_unit->file, "launchers", system->launch_unit->name},
        {21, &system->control->file, "controls", system->control->name},
    };
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.command);
        *screen.file = part_file::refused;
        open(screen.command);
        const std::string hint =
            "Damaged " + std::string(screen.folder) + "\\" + screen.name + ".txt kept: the values shown are not its own.";
        EXPECT_NE(find_text(hint.c_str()), nullptr);
        save_as(("Written " + std::to_string(screen.command)).c_str());  // another file: written at once
        root->close_dialogs();
        EXPECT_EQ(*screen.file, part_file::taken);
        EXPECT_EQ(find_text(hint.c_str()), nullptr);
    }
}

// The scene's start-up read of its design, open to a test.
class starting_scene : public reading_scene {
public:
    using scene::create_design_system;
};

// The design the program starts with ("New Missile") reads as on the hub's Load: a damaged
// motor, airframe or launcher file is named in a notice on the first screen, once, the design
// goes on naming it, and a Save of the design on the hub leaves it as it was. With the names a
// part starts with ("New Motor") and with others.
TEST_F(DesignHub, AStartUpDesignWithADamagedPartFileIsToldAndASaveLeavesTheFile) {
    const struct {
        const char* folder;
        char* name;  // of the fixture's part, saved as the design
        const char* names_it;
    } parts[] = {{"motors", m->motor->name, "missiles"},
                 {"configs", m->aero->name, "missiles"},
                 {"launchers", system->launch_unit->name, "systems"}};
    for (const char* renamed : {"", "Kept"}) {
        for (const auto& d : parts) {
            SCOPED_TRACE(std::string(d.folder) + " " + renamed);
            use_design_objects(system.get(), m);
            open(14);
            if (renamed[0] != '\0') copy_bounded(d.name, design_name_size, renamed);
            save_as("New Missile");
            const std::string name = d.name;
            const std::string file = std::string(d.folder) + "/" + name + ".txt";
            const std::string whole = tmp.read(file);
            const std::string cut = whole.substr(0, whole.find("\n@") / 2);
            tmp.write(file, cut);

            starting_scene world;
            world.create_design_system();
            ASSERT_NE(world.design_missile, nullptr);
            EXPECT_EQ(std::string(g_message_box.message), "Could not load " + std::string(d.folder) + "\\" + name +
                                                              ".txt: it stops in the middle of a line before its \"@\" line");
            EXPECT_TRUE(root->find_dialog(message_box_dialog)->visible);
            root->close_dialogs();
            use_design_objects(world.design_system, world.design_missile);
            open(14);
            EXPECT_EQ(root->find_dialog(message_box_dialog), nullptr);  // told once
            save_as("New Missile");
            EXPECT_EQ(tmp.read(file), cut);
            EXPECT_NE(tmp.read(std::string(d.names_it) + "/New Missile.txt").find(name + "\t["), std::string::npos);
            use_design_objects(nullptr, nullptr);
            tmp.write(file, whole);
        }
    }
}

// The design the program starts with, its missile or system file cut short or missing: a cut
// file is named and nothing is taken from it, the other file is taken, and every part reads the
// file of the name it then holds. So a Save on the hub writes every part file back as it was,
// and the missile file goes on naming the parts it named.
TEST_F(DesignHub, AStartUpDesignFileDamagedOrMissingLosesNoPartFile) {
    const auto part_files = [&] {
        std::map<std::string, std::string> files;
        for (const char* folder : {"configs", "motors", "warheads", "seekers", "launchers", "controls"}) {
            for (const auto& e : std::filesystem::directory_iterator(tmp.path() + "/" + folder)) {
                const std::string file = std::string(folder) + "/" + e.path().filename().string();
                if (e.path().extension() == ".txt") files[file] = tmp.read(file);
            }
        }
        return files;
    };
    const struct {
        const char* file;
        bool cut;            // cut before the names; missing otherwise
        const char* notice;  // for a cut file
    } cases[] = {
        {"missiles/New Missile.txt", true,
         "Could not load missiles\\New Missile.txt: it stops in the middle of a line before naming all its parts"},
        {"systems/New Missile.txt", true,
         "Could not load systems\\New Missile.txt: it stops in the middle of a line before naming all its parts"},
        {"missiles/New Missile.txt", false, ""},
        {"systems/New Missile.txt", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.cut ? " cut" : " missing"));
        use_design_objects(system.get(), m);
        open(14);
        // The user's own values in the files of the names a part starts with...
        copy_text(m->motor->name, "New Motor");
        m->motor->chamber_diameter = 11.5f;
        m->motor->chamber_length = 90.0f;
        m->motor->ignition_pressure = 140.0f;
        copy_text(system->launch_unit->name, "New Launcher");
        system->launch_unit->num_missiles = 7;
        save_as("New Missile");
        // ...and a design naming a motor and a launcher of other names.
        copy_text(m->motor->name, "Kept Motor");
        m->motor->chamber_length = 95.0f;
        copy_text(system->launch_unit->name, "Kept Launcher");
        system->launch_unit->num_missiles = 5;
        save_as("New Missile");
        root->close_dialogs();
        const std::map<std::string, std::string> before = part_files();
        const std::string text = tmp.read(c.file);
        if (c.cut) tmp.write(c.file, text.substr(0, std::min(text.find("[launcher_name]"), text.find("[motor_name]"))));
        else std::filesystem::remove(tmp.path() + "/" + c.file);

        starting_scene world;
        world.create_design_system();
        ASSERT_NE(world.design_missile, nullptr);
        const gui_window* box = root->find_dialog(message_box_dialog);
        EXPECT_EQ(box != nullptr && box->visible, c.cut);
        if (c.cut) EXPECT_EQ(std::string(g_message_box.message), c.notice);
        root->close_dialogs();
        const bool missile_taken = std::string(c.file).find("missiles") == std::string::npos;
        const bool system_taken = !missile_taken;
        EXPECT_STREQ(world.design_missile->motor->name, missile_taken ? "Kept Motor" : "New Motor");
        EXPECT_EQ(world.design_missile->motor->chamber_length, missile_taken ? 95.0f : 90.0f);
        EXPECT_STREQ(world.design_system->launch_unit->name, system_taken ? "Kept Launcher" : "New Launcher");
        EXPECT_EQ(world.design_system->launch_unit->num_missiles, system_taken ? 5 : 7);
        use_design_objects(world.design_system, world.design_missile);
        open(14);
        save_as("New Missile");
        EXPECT_EQ(part_files(), before);
        if (missile_taken) {
            EXPECT_NE(tmp.read("missiles/New Missile.txt").find("Kept Motor\t[motor_name]"), std::string::npos);
        } else {
            EXPECT_NE(tmp.read("systems/New Missile.txt").find("Kept Launcher\t[launcher_name]"), std::string::npos);
        }
        use_design_objects(nullptr, nullptr);
    }
}

// With all six part files damaged, each in its own way, the notice names every one of them on a
// line of its own.
TEST_F(DesignHub, TheNoticeNamesEverySixDamagedPartFiles) {
    open(14);
    save_as("Sentinel MR");
    const auto damage = [&](const char* file, const std::string& from, const std::string& to) {
        std::string text = tmp.read(file);
        tmp.write(file, text.replace(text.find(from), from.size(), to));
    };
    damage("configs/New Config.txt", "\r\n@", "");  // no "@" line
    damage("motors/New Motor.txt", "2\t[NS]", "3\t[NS]");
    damage("warheads/New Warhead.txt", "\t", std::string(1, '\0'));
    damage("seekers/New Seeker.txt", "\r\n@", "");
    damage("launchers/New Launcher.txt", "\t", "\x1b\t");
    damage("controls/New Control.txt", "\r\n@", "");
    load("Sentinel MR");
    EXPECT_EQ(std::string(g_message_box.message),
              "Could not load 6 damaged files (Logfile.txt says why):\n"
              "launchers\\New Launcher.txt: control characters\ncontrols\\New Control.txt: cut short\n"
              "configs\\New Config.txt: cut short\nmotors\\New Motor.txt: records missing\n"
              "warheads\\New Warhead.txt: control characters\nseekers\\New Seeker.txt: cut short");
}

namespace {

// Records where each text was drawn (its box's first corner) and in which colour.
struct placed_text {
    float x = 0, y = 0;
    std::uint32_t colour = 0;
};
class placing_painter : public recording_painter {
public:
    void draw_text(int font, float x1, float y1, float x2, float y2, const char* text, std::uint32_t flags,
                   float dx, float dy, float sx, float sy, std::uint32_t colour, bool batched) override {
        texts[text] = {x1, y1, colour};
        recording_painter::draw_text(font, x1, y1, x2, y2, text, flags, dx, dy, sx, sy, colour, batched);
    }
    std::map<std::string, placed_text> texts;
};

// The recording device and a placing painter in use while it lives.
struct drawing_recorded {
    recording_device device{present_params{}};
    placing_painter texts;
    gui_painter* before = current_painter();
    drawing_recorded() {
        use_device(&device);
        set_painter(&texts);
    }
    ~drawing_recorded() {
        set_painter(before);
        use_device(nullptr);
    }
    drawing_recorded(const drawing_recorded&) = delete;
    drawing_recorded& operator=(const drawing_recorded&) = delete;
};

// Scene services whose bursts are sprinkles under their parent, as the scene makes them.
class bursting_services : public recording_scene_services {
public:
    frame* emit_burst(const particle_burst& b) override {
        recording_scene_services::emit_burst(b);
        sprinkle* s = nullptr;
        if (b.parent == nullptr || create_sprinkle(b.parent, &s) != S_OK) return nullptr;
        s->count = b.count;
        s->speed = b.speed;
        s->size = b.size;
        s->init(nullptr, b.kind);
        s->emit_line_burst(b.length, b.bias);
        return s;
    }
};

}  // namespace

// The plot is laid out when its channel or samples change, not again at every draw.
TEST_F(DesignHub, TheGraphIsLaidOutWhenItChangesNotAtEveryDraw) {
    drawing_recorded recorded;
    open(14);
    EXPECT_GT(g_graph.line_count, 0);  // the axes of the empty plot
    graph_clear_vertices();
    root->send(gui_event::draw);
    EXPECT_EQ(g_graph.line_count, 0);
    press_and_click("Range (m)");
    EXPECT_GT(g_graph.line_count, 0);
    EXPECT_EQ(g_graph.channel, 2);
}

TEST_F(DesignHub, PartsInsideASeeThroughAirframeOrLabelledBesideIt) {
    drawing_recorded recorded;
    recording_device& device = recorded.device;
    placing_painter& texts = recorded.texts;
    // One draw event: the draws from the motor's casing (the first of 32-byte vertices) on,
    // that is the casing, the four warhead shapes, then the airframe.
    const auto draw = [&] {
        device.clear_records();
        texts.texts.clear();
        // As the GUI's pass sets the device before the windows draw.
        device.set_render_state(RS_LIGHTING, 0);
        device.set_render_state(RS_ZENABLE, 0);
        root->send(gui_event::draw);
        std::vector<draw_record> out;
        for (const draw_record& d : device.draws()) {
            if (!out.empty() || d.stride == 32) out.push_back(d);
        }
        EXPECT_GE(out.size(), 7u);
        return out;
    };
    m->fit_airframe();
    open(14);
    const float length = m->aero->body_length;
    const float motor_place = 0.5f * length - 0.5f * m->motor->overall_length;
    // The casing stands unturned and unscaled at its place in the airframe's axes.
    const auto expect_motor_at = [&](const std::vector<draw_record>& d, float side) {
        mat4 to_airframe;
        ASSERT_TRUE(mat_inverse(d[5].state.world[0], &to_airframe));
        const mat4 r = d[0].state.world[0] * to_airframe;
        EXPECT_NEAR(r.m[0][0], 1.0f, 1e-4f);
        EXPECT_NEAR(r.m[2][2], 1.0f, 1e-4f);
        EXPECT_NEAR(r.m[3][1], side, 1e-2f);
        EXPECT_NEAR(r.m[3][2], motor_place, 1e-2f);
    };

    // Inside a see-through airframe, without labels; the GUI then draws on flat.
    std::vector<draw_record> d = draw();
    EXPECT_FLOAT_EQ(d[5].state.material.diffuse.a, 0.75f);
    expect_motor_at(d, 0.0f);
    EXPECT_EQ(texts.texts.count("Motor"), 0u);
    EXPECT_EQ(device.render_state(RS_LIGHTING), 0u);
    EXPECT_EQ(device.render_state(RS_ZENABLE), 0u);
    EXPECT_EQ(state->assembled_view, 0);

    // Beside an opaque airframe, a fifth of its length below, each part named in its colour
    // at the point where it was drawn.
    find_text("Show components inside")->ticked = 0;
    press_and_click("Show components inside");
    d = draw();
    EXPECT_FLOAT_EQ(d[5].state.material.diffuse.a, 1.0f);
    expect_motor_at(d, -0.2f * length);
    const char* names[5] = {"Motor", "Warhead", "Guidance", "Fuze", "Seeker"};
    const std::uint32_t colours[5] = {0xFFFFFFFFu, 0xFFFFCC00u, 0xFFFFFFFFu, 0xFF00FF00u, 0xFF00FFFFu};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(texts.texts.count(names[i]), 1u) << names[i];
        const placed_text label = texts.texts[names[i]];
        const mat4 to_screen = d[i].state.world[0] * d[i].state.projection;
        const float z = transform_point_z(vec3{}, to_screen);
        EXPECT_NEAR(label.x, transform_point_x(vec3{}, to_screen) / z, 1e-3f) << names[i];
        EXPECT_NEAR(label.y, transform_point_y(vec3{}, to_screen) / z, 1e-3f) << names[i];
        EXPECT_EQ(label.colour, colours[i]) << names[i];
    }

    // An airframe too small for its parts says so.
    m->aero->LC = 20.0f;
    m->aero->clamp_dimensions();
    m->layout_parts();
    texts.calls.clear();
    texts.text_boxes.clear();
    draw();
    const std::string notice = "Components do not fit, resize shape to fit.";
    EXPECT_EQ(texts.texts.count(notice), 1u);
    // Drawn whole: its box is as wide as the text in the font it is drawn in.
    int font = -1;
    for (const std::string& call : texts.find("text ")) {
        if (call.size() > notice.size() && call.compare(call.size() - notice.size(), notice.size(), notice) == 0) {
            font = std::atoi(call.c_str() + 5);
        }
    }
    ASSERT_GE(font, 0);
    int size[2] = {0, 0};
    texts.text_extent(font, notice.c_str(), size);
    for (const auto& t : texts.text_boxes) {
        if (t.text == notice) {
            EXPECT_GE(std::fabs(t.x2 - t.x1), static_cast<float>(size[0]) / 320.0f);
        }
    }
}

TEST_F(DesignHub, ExplodeDrawsOneExplosionOnTheWarheadUntilItBurnsOutOrTheScreenCloses) {
    bursting_services bursts;
    install_scene_services(&bursts);
    drawing_recorded recorded;
    // The scene's camera looks elsewhere; the sprites face the preview's eye all the same.
    const mat4 turned = mat_rotation_y(1.0f);
    const mat4 turns[4] = {turned, turned, turned, turned};
    state->camera_aux = turns;
    m->fit_airframe();
    open(14);
    warhead& h = *m->warhead_part;
    const int missile_children = m->child_count();
    press_and_click("Explode");
    press_and_click("Explode");
    EXPECT_EQ(h.child_count(), 2);  // one explosion: its smoke and its fire
    EXPECT_EQ(m->child_count(), missile_children);

    // Right after the warhead's body come the two bursts' sprites, along the warhead's axis
    // over its length, each a quad square to the eye.
    recorded.device.clear_records();
    root->send(gui_event::draw);
    const std::vector<draw_record>& draws = recorded.device.draws();
    std::size_t body = 0;
    while (body < draws.size() && draws[body].stride != 28) ++body;
    ASSERT_LT(body + 2, draws.size());
    mat4 to_warhead;
    ASSERT_TRUE(mat_inverse(draws[body].state.world[0], &to_warhead));
    for (std::size_t k = body + 1; k <= body + 2; ++k) {
        const draw_record& d = draws[k];
        ASSERT_EQ(d.stride, 24);
        const auto* v = reinterpret_cast<const effect_vertex*>(d.vertices.data());
        const std::size_t quads = d.vertices.size() / sizeof(effect_vertex) / 6;
        ASSERT_EQ(quads, 255u);
        float nearest = 1e9f, farthest = -1e9f;
        for (std::size_t q = 0; q < quads; ++q) {
            vec3 centre{};
            for (int c = 0; c < 6; ++c) {
                const effect_vertex& corner = v[6 * q + static_cast<std::size_t>(c)];
                ASSERT_NEAR(corner.z, v[6 * q].z, 1e-4f) << "quad " << q;
                centre = centre + vec3{corner.x, corner.y, corner.z} / 6.0f;
            }
            const vec3 eye = transform_point(centre.x, centre.y, centre.z, d.state.world[0] * d.state.view);
            const vec3 in_warhead = transform_point(eye.x, eye.y, eye.z, to_warhead);
            ASSERT_NEAR(in_warhead.x, 0.0f, 0.01f);
            ASSERT_NEAR(in_warhead.y, 0.0f, 0.01f);
            nearest = std::min(nearest, in_warhead.z);
            farthest = std::max(farthest, in_warhead.z);
        }
        EXPECT_NEAR(nearest, -0.5f * h.LN, 0.01f * h.LN);
        EXPECT_NEAR(farthest, 0.5f * h.LN, 0.01f * h.LN);
    }

    // Every tick moves it on, until it has burnt out.
    const auto* smoke = dynamic_cast<const sprinkle*>(h.child(0));
    ASSERT_NE(smoke, nullptr);
    const float fresh = smoke->intensity;
    root->send(gui_event::tick);
    EXPECT_LT(smoke->intensity, fresh);
    for (int i = 0; i < 400 && h.child_count() > 0; ++i) root->send(gui_event::tick);
    EXPECT_EQ(h.child_count(), 0);

    // Leaving the screen takes a burning one away.
    press_and_click("Explode");
    EXPECT_EQ(h.child_count(), 2);
    press_and_click("Close");
    root->run_pending_command();
    EXPECT_EQ(h.child_count(), 0);
    state->camera_aux = nullptr;
    install_scene_services(&services);
}

TEST_F(DesignHub, HintsReadOnTheDesignBackgroundInEveryScheme) {
    resource_data data;
    image picture;
    ASSERT_TRUE(find_resource("RCDATA", 425, &data));
    ASSERT_EQ(image_decode(data.data, data.size, &picture), S_OK);
    const auto luminance = [](std::uint32_t c) {  // relative luminance of an sRGB colour
        double sum = 0;
        for (const auto& [shift, weight] : {std::pair{16, 0.2126}, {8, 0.7152}, {0, 0.0722}}) {
            const double v = ((c >> shift) & 0xFF) / 255.0;
            sum += weight * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    // The lightest and darkest of the picture under the hints, along the bottom left.
    double lightest = 0, darkest = 1;
    for (int y = picture.height * 93 / 100; y < picture.height * 99 / 100; ++y) {
        for (int x = picture.width / 100; x < picture.width * 40 / 100; ++x) {
            lightest = std::max(lightest, luminance(picture.pixel(x, y)));
            darkest = std::min(darkest, luminance(picture.pixel(x, y)));
        }
    }
    for (int scheme = 0; scheme <= 6; ++scheme) {
        app->color_scheme = scheme;
        open(14);
        const gui_rect* hint = find_text("To totate rocket click and drag mouse, to zoom use mouse wheel");
        ASSERT_NE(hint, nullptr);
        const double ink = luminance(argb(255, hint->text_colour.r, hint->text_colour.g, hint->text_colour.b));
        const double contrast = ink > lightest ? (ink + 0.05) / (lightest + 0.05) : (darkest + 0.05) / (ink + 0.05);
        EXPECT_GE(contrast, 3.5) << "scheme " << scheme;
    }
}

namespace {

// The Save hint's rows of the hub, top to bottom: its bold labels of the medium font drawn
// over the preview (the hints along the bottom left start in the bold font).
std::vector<const gui_rect*> save_hint_rows(const gui_window& w) {
    std::vector<const gui_rect*> rows;
    for (int i = 0; i < w.rect_count; ++i) {
        const gui_rect* r = w.rect(i);
        if (r->kind == rect_kind::label && r->bold && r->medium_font && r->over_custom) rows.push_back(r);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const gui_rect* a, const gui_rect* b) { return a->y1 > b->y1; });
    return rows;
}

bool overlap(float ax1, float ay1, float ax2, float ay2, float bx1, float by1, float bx2, float by2) {
    constexpr float k_touch = 1e-4f;
    return ax1 < bx2 - k_touch && bx1 < ax2 - k_touch && ay1 < by2 - k_touch && by1 < ay2 - k_touch;
}

}  // namespace

// A Save leaves every damaged part file: the hint under the preview names each of them whole,
// with the six default names and with six of 39 characters, damaged or not. Read top to bottom
// its lines make the whole sentence, none cut; at 640 x 480 each line is drawn whole in its box
// in the font or narrowed face it is drawn in; and its rows lie clear of the graph and of the
// screen's buttons, panels and other labels.
TEST_F(DesignHub, TheSaveHintNamesEveryDamagedPartWholeOnLinesThatFit) {
    drawing_recorded recorded;
    placing_painter& painter = recorded.texts;
    const char* kinds[6] = {"configuration", "motor", "warhead", "guidance", "launcher", "control unit"};
    char* names[6] = {m->aero->name, m->motor->name, m->warhead_part->name, m->seeker_part->name,
                      system->launch_unit->name, system->control->name};
    part_file* files[6] = {&m->aero->file, &m->motor->file, &m->warhead_part->file, &m->seeker_part->file,
                           &system->launch_unit->file, &system->control->file};
    const std::string defaults[6] = {"New Config", "New Motor",    "New Warhead",
                                     "New Seeker", "New Launcher", "New Control"};
    std::string long_names[6];
    for (int i = 0; i < 6; ++i) {
        long_names[i] = std::string(kinds[i]) + " of a name that runs to thirty-nine characters";
        long_names[i][0] = static_cast<char>(std::toupper(static_cast<unsigned char>(long_names[i][0])));
        long_names[i].resize(design_name_size - 1, '.');
        ASSERT_EQ(long_names[i].size(), 39u);
    }
    const struct {
        const std::string* names;
        bool damaged[6];
        const char* expected;  // the hint, {0}...{5} the names
    } cases[] = {
        {defaults, {true, true, true, true, true, true},
         "Save writes none of the parts. It leaves the damaged configuration {0}, motor {1}, warhead {2}, "
         "guidance {3}, launcher {4}, control unit {5}."},
        {long_names, {true, true, true, true, true, true},
         "Save writes none of the parts. It leaves the damaged configuration {0}, motor {1}, warhead {2}, "
         "guidance {3}, launcher {4}, control unit {5}."},
        {long_names, {false, true, false, false, false, false},
         "Save writes {0}, {2}, {3}, {4} and {5}. It leaves the damaged motor {1}."},
        {long_names, {true, false, true, false, true, false},
         "Save writes {1}, {3} and {5}. It leaves the damaged configuration {0}, warhead {2}, launcher {4}."},
        {long_names, {false, false, false, false, false, false},
         "Save also writes the parts {0}, {1}, {2}, {3}, {4} and {5}."},
    };
    for (const auto& c : cases) {
        std::string expected = c.expected;
        for (int i = 0; i < 6; ++i) {
            copy_bounded(names[i], design_name_size, c.names[i].c_str());
            *files[i] = c.damaged[i] ? part_file::refused_told : part_file::taken;
            const std::string mark = "{" + std::to_string(i) + "}";
            expected.replace(expected.find(mark), mark.size(), c.names[i]);
        }
        SCOPED_TRACE(expected);
        open(14);
        painter.text_boxes.clear();
        root->render();
        const std::vector<const gui_rect*> rows = save_hint_rows(*root);
        ASSERT_GE(rows.size(), 2u);
        std::string hint;
        std::vector<std::string> lines;
        for (const gui_rect* row : rows) {
            const std::string line = row->text.get();
            if (line.empty()) {
                EXPECT_TRUE(lines.empty()) << "an empty row below the hint's first line";
                continue;
            }
            lines.push_back(line);
            hint += (hint.empty() ? "" : " ") + line;
            // Drawn whole: the face it is drawn in holds it within its box.
            int drawn = 0;
            for (const auto& t : painter.text_boxes) {
                if (t.text != line) continue;
                ++drawn;
                int size[2] = {0, 0};
                ASSERT_TRUE(painter.text_extent(t.font, line.c_str(), size));
                EXPECT_LE(static_cast<float>(size[0]) / 320.0f * t.sx, t.x2 - t.x1 + 1e-4f) << line;
            }
            EXPECT_EQ(drawn, 1) << line;
            // Clear of the graph and of the screen's other elements.
            const plot_box g = design_graph_box();
            EXPECT_FALSE(overlap(row->x1, row->y1, row->x2, row->y2, g.x1, g.y1, g.x2, g.y2)) << line;
            for (int i = 1; i < root->rect_count; ++i) {
                const gui_rect* o = root->rect(i);
                if (o == row || !o->visible || std::find(rows.begin(), rows.end(), o) != rows.end()) continue;
                EXPECT_FALSE(overlap(row->x1, row->y1, row->x2, row->y2, o->x1, o->y1, o->x2, o->y2))
                    << line << " / " << (o->has_text() ? o->text.get() : "") << " kind " << o->kind;
            }
        }
        EXPECT_EQ(hint, expected);
        // Each damaged part whole on one line.
        for (int i = 0; i < 6; ++i) {
            if (!c.damaged[i]) continue;
            const std::string part = std::string(kinds[i]) + " " + c.names[i];
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [&](const std::string& l) { return l.find(part) != std::string::npos; }),
                      1) << part;
        }
    }
}
