#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/replacing_batch.h"
#include "platform/replacing_file.h"
#include "platform/resources.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> names(const std::vector<dir_entry>& entries) {
    std::vector<std::string> out;
    for (const dir_entry& e : entries) out.push_back(e.name + (e.is_folder ? "/" : ""));
    return out;
}

}  // namespace

TEST(Files, CaseInsensitiveResolutionComponentByComponent) {
    temp_folder tmp;
    tmp.write("Sounds/Click.wav", "RIFF");
    tmp.write("scenery/Coast/scenery.txt", "x");
    EXPECT_TRUE(fs_exists("sounds\\click.WAV"));
    EXPECT_TRUE(fs_is_file("SOUNDS\\CLICK.WAV"));
    EXPECT_TRUE(fs_is_folder("Scenery\\coast"));
    EXPECT_FALSE(fs_is_file("Scenery\\coast"));
    EXPECT_EQ(fs_host_path("sounds\\click.wav"), tmp.path() + "/Sounds/Click.wav");
    EXPECT_FALSE(fs_exists("sounds\\missing.wav"));
    EXPECT_EQ(fs_file_size("Sounds\\Click.wav"), 4);
    EXPECT_EQ(fs_file_size("sounds"), -1);

    std::string text;
    ASSERT_TRUE(fs_read_text("SCENERY\\COAST\\SCENERY.TXT", &text));
    EXPECT_EQ(text, "x");
}

TEST(Files, HostPathsKeepAnExactSpellingAndMatchOnlyWhatIsMissing) {
    temp_folder tmp;
    tmp.write("Data/a.txt", "upper");
    tmp.write("data/a.txt", "lower");
    // Both spellings exist: each name finds its own.
    EXPECT_EQ(fs_host_path("Data\\a.txt"), tmp.path() + "/Data/a.txt");
    EXPECT_EQ(fs_host_path("data/a.txt"), tmp.path() + "/data/a.txt");
    std::string text;
    ASSERT_TRUE(fs_read_text("data\\A.TXT", &text));
    EXPECT_EQ(text, "lower");
    // Dot parts stay as written, whether the path exists or not.
    EXPECT_EQ(fs_host_path("Data\\..\\data\\.\\a.txt"), tmp.path() + "/Data/../data/./a.txt");
    EXPECT_EQ(fs_host_path("missing\\..\\Data\\a.txt"), tmp.path() + "/missing/../Data/a.txt");
    // A missing part ends the matching: what follows is kept as written.
    EXPECT_EQ(fs_host_path("DATA\\gone\\A.TXT").substr(tmp.path().size() + 5), "/gone/A.TXT");
    EXPECT_EQ(fs_host_path(""), tmp.path());
}

TEST(Files, WriteIntoExistingFolderKeepsItsSpelling) {
    temp_folder tmp;
    tmp.write("Situations/.keep", "");
    ASSERT_TRUE(fs_write("situations\\New One.txt", "abc", 3));
    EXPECT_TRUE(tmp.exists("Situations/New One.txt"));
    EXPECT_FALSE(fs_write("nofolder\\x.txt", "abc", 3));  // folders are not made silently
    ASSERT_TRUE(fs_make_folder("nofolder"));
    EXPECT_TRUE(fs_write("nofolder\\x.txt", "abc", 3));
    EXPECT_TRUE(fs_delete("NoFolder\\X.TXT"));
    EXPECT_FALSE(fs_exists("nofolder\\x.txt"));
    EXPECT_FALSE(fs_delete("nofolder\\x.txt"));
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(fs_read("nofolder", &bytes));  // a folder is not a file
}

TEST(Files, AWriteReplacesTheWholeFileOrNothing) {
    temp_folder tmp;
    tmp.write("qvd.ini", "old");
    const std::string host = tmp.path() + "/qvd.ini";
    ::chmod(host.c_str(), 0600);
    ASSERT_TRUE(fs_write("QVD.INI", "new", 3));  // the file as it is spelt is replaced
    EXPECT_EQ(tmp.read("qvd.ini"), "new");
    struct stat st;
    ASSERT_EQ(::stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // and keeps its permissions

    {
        replacing_file file;
        ASSERT_TRUE(file.open("qvd.ini"));
        file.write("half a file");
    }  // never committed: dropped
    EXPECT_EQ(tmp.read("qvd.ini"), "new");

    // A link is written through; a folder is not replaced.
    ::symlink("qvd.ini", (tmp.path() + "/link.ini").c_str());
    ASSERT_TRUE(fs_write("link.ini", "linked", 6));
    EXPECT_EQ(tmp.read("qvd.ini"), "linked");
    ASSERT_TRUE(fs_make_folder("designs"));
    std::string error;
    EXPECT_FALSE(fs_write("designs", "x", 1, &error));
    EXPECT_EQ(error, "Is a directory");
    EXPECT_EQ(names(fs_list("*.*")), (std::vector<std::string>{"designs/", "link.ini", "qvd.ini"}));
}

// Files written in a batch stay beside their targets until the batch commits; one failure,
// or a batch dropped, puts none in place and leaves no temporary file.
TEST(Files, ABatchReplacesAllItsFilesOrNone) {
    temp_folder tmp;
    tmp.write("a.txt", "old a");
    tmp.write("b.txt", "old b");
    ASSERT_TRUE(fs_make_folder("c.txt"));  // cannot be replaced by a file
    {
        replacing_batch batch;
        EXPECT_TRUE(fs_write("a.txt", "new a", 5));
        EXPECT_EQ(tmp.read("a.txt"), "old a");  // written, not yet in place
        std::string error;
        EXPECT_FALSE(fs_write("c.txt", "c", 1, &error));
        EXPECT_TRUE(fs_write("b.txt", "new b", 5));
        EXPECT_FALSE(batch.commit());
        EXPECT_EQ(batch.error(), "Is a directory");
    }
    EXPECT_EQ(tmp.read("a.txt"), "old a");
    EXPECT_EQ(tmp.read("b.txt"), "old b");
    {
        replacing_batch batch;
        EXPECT_TRUE(fs_write("a.txt", "dropped", 7));
    }
    EXPECT_EQ(tmp.read("a.txt"), "old a");
    EXPECT_EQ(names(fs_list("*.*")), (std::vector<std::string>{"a.txt", "b.txt", "c.txt/"}));

    replacing_batch batch;
    EXPECT_TRUE(fs_write("a.txt", "new a", 5));
    EXPECT_TRUE(fs_write("b.txt", "new b", 5));
    EXPECT_TRUE(batch.commit());
    EXPECT_EQ(tmp.read("a.txt"), "new a");
    EXPECT_EQ(tmp.read("b.txt"), "new b");
    EXPECT_EQ(replacing_batch::open_batch(), &batch);
}

TEST(Files, WildcardListingsSortedWithoutDotEntries) {
    temp_folder tmp;
    tmp.write("music/b.mp3", "1");
    tmp.write("music/A.mp3", "1");
    tmp.write("music/readme", "1");
    tmp.write("music/c.MP3", "1");
    tmp.write("music/sub/x.mp3", "1");
    EXPECT_EQ(names(fs_list("music\\*.*")),
              (std::vector<std::string>{"A.mp3", "b.mp3", "c.MP3", "readme", "sub/"}));
    EXPECT_EQ(names(fs_list("MUSIC\\*.mp3")), (std::vector<std::string>{"A.mp3", "b.mp3", "c.MP3"}));
    EXPECT_EQ(names(fs_list("music\\?.mp3")), (std::vector<std::string>{"A.mp3", "b.mp3", "c.MP3"}));
    EXPECT_EQ(names(fs_list("music\\read*.*")), (std::vector<std::string>{"readme"}));
    EXPECT_TRUE(fs_list("nothing\\*.*").empty());
}

TEST(Files, WildcardRules) {
    EXPECT_TRUE(wildcard_match("*.*", "noext"));
    EXPECT_TRUE(wildcard_match("*.x", "Launcher.X"));
    EXPECT_FALSE(wildcard_match("*.x", "launcher.xx"));
    EXPECT_TRUE(wildcard_match("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(wildcard_match("a*b*c", "aXXbYY"));
    EXPECT_TRUE(wildcard_match("waves???.jpg", "waves001.jpg"));
    EXPECT_FALSE(wildcard_match("waves???.jpg", "waves01.jpg"));
}

TEST(Files, TemporaryFolderIsAbsolute) {
    const std::string t = fs_temp_folder();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), '/');
    EXPECT_EQ(t.back(), '/');
}

TEST(Clock, ManualClockDrivesTicksAndSleep) {
    manual_clock c(0xFFFFFFF0u);
    set_clock_source(&c);
    EXPECT_EQ(tick_count(), 0xFFFFFFF0u);
    sleep_ms(0x20);
    EXPECT_EQ(tick_count(), 0x10u);  // wraps like the system's
    EXPECT_EQ(c.sleep_count(), 1);
    set_clock_source(nullptr);
    const std::uint32_t a = tick_count();
    sleep_ms(2);
    EXPECT_GE(tick_count() - a, 2u);
}

TEST(Resources, StringsAndRegisteredData) {
    EXPECT_STREQ(load_string_resource(IDS_TITLE), "Ventrask");
    EXPECT_STREQ(load_string_resource(IDS_VERSION), "Version 1.5.0");
    EXPECT_EQ(load_string_resource(999), nullptr);
    char small[5];
    EXPECT_EQ(load_string_resource(IDS_TITLE, small, sizeof small), 4u);
    EXPECT_STREQ(small, "Vent");

    static const std::uint8_t bytes[] = {1, 2, 3};
    register_resource("TEXT", "keys", bytes, sizeof bytes);
    register_resource("BINARY", "129", bytes, 2);
    resource_data r;
    ASSERT_TRUE(find_resource("text", "KEYS", &r));
    EXPECT_EQ(r.size, 3u);
    ASSERT_TRUE(find_resource("BINARY", 129, &r));
    EXPECT_EQ(r.size, 2u);
    EXPECT_FALSE(find_resource("TEXT", "missing", &r));
}

TEST(Resources, EmbeddedFilesAreRegistered) {
    register_embedded_resources();
    register_embedded_resources();  // a second call adds nothing twice
    resource_data r;
    ASSERT_TRUE(find_resource("TEXT", "keys", &r));
    const std::string text(reinterpret_cast<const char*>(r.data), r.size);
    EXPECT_EQ(text.rfind("Keys\r\n", 0), 0u);
}

// A file-size limit (ulimit -f) makes the write fail as a write: the save says why, the old
// file stays whole and no temporary file is left. Without the preparation the limit's signal
// ends the process in the middle of the write (status 153 in a shell).
TEST(Files, AFileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    temp_folder tmp;
    const std::string old_text(100, 'o');
    tmp.write("qvd.ini", old_text);
    const auto save_under_limit = [&] {
        prepare_file_writes();
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string big(5000, 'n');
        std::string error;
        const bool written = fs_write("qvd.ini", big.data(), big.size(), &error);
        const bool kept = tmp.read("qvd.ini") == old_text;
        const bool no_temporary = fs_list("*.*").size() == 1 && fs_list(".*").empty();
        std::fprintf(stderr, "written %d error \"%s\" kept %d no temporary %d\n", written, error.c_str(), kept,
                     no_temporary);
        std::_Exit(!written && error == "File too large" && kept && no_temporary ? 0 : 1);
    };
    EXPECT_EXIT(save_under_limit(), ::testing::ExitedWithCode(0),
                "written 0 error \"File too large\" kept 1 no temporary 1");
}

// Temporary files of replacing writes whose process has ended go at start-up, in the folder
// and the folders below it; those of running processes and files that only look alike stay.
TEST(Files, AbandonedTemporariesOfEndedProcessesAreRemoved) {
    temp_folder tmp;
    const pid_t ended = ::fork();
    if (ended == 0) std::_Exit(0);
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended);
    const std::string alive = std::to_string(::getpid());
    const std::string parent = std::to_string(::getppid());
    tmp.write("designs/missiles/.New Missile.txt." + dead + ".2.tmp", "half");
    tmp.write(".qvd.ini." + dead + ".1.tmp", "half");
    tmp.write("situations/.a.b.txt." + dead + ".17.tmp", "half");
    tmp.write("situations/.Mine.txt." + alive + ".1.tmp", "being written");
    tmp.write(".qvd.ini." + parent + ".3.tmp", "another run's");
    tmp.write("situations/notes.tmp", "kept");
    tmp.write(".qvd.ini.x" + dead + ".1.tmp", "kept");
    tmp.write("a/b/c/d/.deep.txt." + dead + ".1.tmp", "below the depth asked");
    EXPECT_EQ(remove_abandoned_temporaries("", 3), 3);
    EXPECT_FALSE(tmp.exists("designs/missiles/.New Missile.txt." + dead + ".2.tmp"));
    EXPECT_FALSE(tmp.exists(".qvd.ini." + dead + ".1.tmp"));
    EXPECT_FALSE(tmp.exists("situations/.a.b.txt." + dead + ".17.tmp"));
    EXPECT_TRUE(tmp.exists("situations/.Mine.txt." + alive + ".1.tmp"));
    EXPECT_TRUE(tmp.exists(".qvd.ini." + parent + ".3.tmp"));
    EXPECT_TRUE(tmp.exists("situations/notes.tmp"));
    EXPECT_TRUE(tmp.exists(".qvd.ini.x" + dead + ".1.tmp"));
    EXPECT_TRUE(tmp.exists("a/b/c/d/.deep.txt." + dead + ".1.tmp"));
    EXPECT_EQ(remove_abandoned_temporaries("", 3), 0);

    // The name a replacing write gives its temporary file is one the walk knows.
    long pid = 0;
    EXPECT_TRUE(is_replacing_temporary(".New Missile.txt.4242.2.tmp", &pid));
    EXPECT_EQ(pid, 4242);
    for (const char* other : {".tmp", "..1.1.tmp", ".x.0.1.tmp", ".x.1..tmp", "x.txt.12.1.tmp", ".x.-3.1.tmp"}) {
        EXPECT_FALSE(is_replacing_temporary(other, &pid)) << other;
    }
    {
        replacing_file file;
        ASSERT_TRUE(file.open("situations\\Mine.txt"));
        std::vector<dir_entry> hidden = fs_list("situations\\.Mine.txt.*.tmp");
        ASSERT_EQ(hidden.size(), 2u);
        EXPECT_TRUE(is_replacing_temporary(hidden[0].name, &pid));
        EXPECT_EQ(pid, ::getpid());
    }
}
