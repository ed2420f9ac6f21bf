#include <gtest/gtest.h>

#include <string>

#include "core/d3d_app.h"
#include "tests/support/temp_folder.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "d3d_app_test";

TEST(Log, LinesEndInCrLfAndAreWrittenAtDestruction) {
    temp_folder tmp;
    {
        d3d_app app;
        app.append_log("Failed to load %s", "common\\target.x");
        app.append_log("%s", "");
        EXPECT_STREQ(app.log_text(), "Failed to load common\\target.x\r\n\r\n");
    }
    EXPECT_EQ(tmp.read("Logfile.txt"), "Failed to load common\\target.x\r\n\r\n");
}

TEST(Log, LinesAreNeverCutButDroppedWholeAtTheLimit) {
    temp_folder tmp;
    d3d_app app;
    app.append_log("%s", std::string(70000, 'y').c_str());  // longer than the whole log
    EXPECT_EQ(app.log_length(), 0);
    // Fill to 63,990 characters with lines of 100 (98 + CR LF) and one of 90.
    const std::string body(98, 'a');
    for (int i = 0; i < 639; ++i) app.append_log("%s", body.c_str());
    app.append_log("%s", std::string(88, 'b').c_str());
    ASSERT_EQ(app.log_length(), 63990);
    // 8 + 2 = 10 characters would make exactly 64,000: dropped.
    app.append_log("%s", "12345678");
    EXPECT_EQ(app.log_length(), 63990);
    // 7 + 2 = 9 still fits, leaving 63,999 characters and the terminator.
    app.append_log("%s", "1234567");
    EXPECT_EQ(app.log_length(), 63999);
    EXPECT_EQ(std::string(app.log_text()).substr(63990), "1234567\r\n");
    app.append_log("%s", "");  // even an empty line no longer fits
    EXPECT_EQ(app.log_length(), 63999);
}

TEST(CheckHr, OnlyZeroPasses) {
    temp_folder tmp;
    d3d_app app;
    EXPECT_TRUE(app.check_hr(S_OK, "device", 10));
    EXPECT_EQ(app.log_length(), 0);
    EXPECT_FALSE(app.check_hr(S_FALSE, "mesh", 42));
    EXPECT_FALSE(app.check_hr(E_FAIL, "scene_proxie", 7));
    EXPECT_STREQ(app.log_text(), "S_FALSE mesh line 42\r\nE_FAIL scene_proxie line 7\r\n");
}

TEST(CheckHr, MacroGoesThroughTheProgramsObject) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    const int line = __LINE__ + 1;
    EXPECT_FALSE(CHECK_HR(E_OUTOFMEMORY));
    EXPECT_EQ(std::string(app.log_text()), "E_OUTOFMEMORY d3d_app_test line " + std::to_string(line) + "\r\n");
    log_line("Could not find %s\\%s", "scenery", "x.hdr");
    EXPECT_NE(std::string(app.log_text()).find("Could not find scenery\\x.hdr\r\n"), std::string::npos);
    g_app = nullptr;
    EXPECT_FALSE(CHECK_HR(S_FALSE));  // without the object a failure is still a failure
    EXPECT_TRUE(CHECK_HR(S_OK));
}
