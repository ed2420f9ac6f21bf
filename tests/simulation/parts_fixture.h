// A private run folder with the part folders and an application object whose log the tests
// read.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "tests/support/temp_folder.h"

class parts_test : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"configs", "warheads", "seekers", "controls", "launchers", "missiles", "systems"}) {
            fs_make_folder(folder);
        }
        g_app = &app_;
    }
    void TearDown() override { g_app = nullptr; }

    std::string log() const { return app_.log_text(); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }

    temp_folder tmp_;  // destroyed last: the application object writes its log into it
    d3d_app app_;
};
