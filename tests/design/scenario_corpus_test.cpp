// Replays the scenario fuzz corpus: every seed and every prefix of one reads into a bounded
// table that survives its own write, and its run file reads into the scene with every launcher.
#include <gtest/gtest.h>

#include "core/d3d_app.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/scenario_file.h"
#include "tests/support/temp_folder.h"

TEST(ScenarioCorpus, EverySeedAndPrefixReadsBoundedAndRunsWithItsLaunchers) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    std::unique_ptr<app_state> state;
    fresh_state(state);
    fs_make_folder("scenarios");
    {
        situation_fuzz_scene world;
        const auto inputs = load_corpus("scenario");
        ASSERT_GE(inputs.size(), 1u) << "corpus not found";
        replay_corpus(inputs, 32, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            EXPECT_TRUE(run_scenario_file(world, *state, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
        });
    }
    state.reset();
    g_state = nullptr;
    g_app = nullptr;
}
