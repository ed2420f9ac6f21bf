// What the weapon tests share: a private data folder holding copies of the run folder's designs
// and models, an application object and state in scenario mode, a flat recording world and the
// weapon tables, installed for the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/recording_services.h"
#include "platform/program_rand.h"
#include "simulation/rocket.h"
#include "simulation/weapon_tables.h"
#include "tests/support/temp_folder.h"

// The run folder the build assembled (designs, models).
inline std::string run_folder() {
    const char* dir = std::getenv("VENTRASK_RUN_DIR");
    return dir != nullptr ? dir : "";
}

// Copies the design and model folders of the run folder into a data folder.
inline void copy_designs(const std::string& to) {
    namespace fs = std::filesystem;
    for (const char* folder : {"configs", "controls", "launchers", "missiles", "motors", "seekers", "systems",
                               "warheads", "commands", "radars", "common"}) {
        fs::copy(fs::path(run_folder()) / folder, fs::path(to) / folder,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
}

class weapons_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(run_folder().empty()) << "VENTRASK_RUN_DIR is not set";
        copy_designs(tmp_.path());
        g_app = &app_;
        g_state = &state_;
        state_.dt = 0.1f;
        state_.scenario_mode = 1;
        install_scene_services(&world_);
        install_weapon_tables(&tables_);
        program_srand(1);
    }
    void TearDown() override {
        tables_.clear();
        install_weapon_tables(nullptr);
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }

    // A rocket listed as a target that stands at the point with the given velocity; it is not
    // launched, so it does not fly unless a test launches it.
    rocket* listed_rocket(const vec3& p, const vec3& v) {
        rocket* r = nullptr;
        create_rocket(world_.transps_root(), &r);
        r->set_position(p.x, p.y, p.z);
        r->velocity = v;
        tables_.targets[tables_.target_count++] = r;
        return r;
    }

    bool logged(const char* text) const {
        return std::string(app_.log_text(), static_cast<std::size_t>(app_.log_length())).find(text) !=
               std::string::npos;
    }

    temp_folder tmp_;  // destroyed last: the application object writes its log into it
    d3d_app app_;
    app_state state_;
    recording_scene_services world_;  // its roots outlive the tables' missiles
    weapon_tables tables_;
};
