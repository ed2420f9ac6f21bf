// Replays the fuzz corpora of the scene's text files (situations and run files, object indexes
// and lists with their included lists): every seed and every prefix of one keeps the readers'
// promises, and the shipped seeds arrive whole.
#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/object_lists.h"
#include "tests/fuzz/situation_file.h"
#include "tests/support/temp_folder.h"

TEST(SceneTextCorpus, SituationsAndRunFilesKeepTheReadersPromisesWhateverTheirLength) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    std::unique_ptr<app_state> state;
    fresh_state(state);
    fs_make_folder("situations");
    {
        situation_fuzz_scene world;
        const auto inputs = load_corpus("situation");
        ASSERT_GE(inputs.size(), 3u) << "corpus not found";
        for (const corpus_input& input : inputs) {
            if (input.name != "kestrel_bay_defence.txt") continue;
            fs_write(k_fuzz_situation, input.bytes.data(), input.bytes.size());
            world.read_situation(k_fuzz_situation);
            EXPECT_GE(world.tables.system_count, 1);
            EXPECT_GE(world.tables.launcher_count, 1);
            world.clear(false);
            world.placements.clear();
            fresh_state(state);
        }
        replay_corpus(inputs, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            EXPECT_TRUE(run_situation_file(world, *state, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
        });
    }
    state.reset();
    g_state = nullptr;
    g_app = nullptr;
}

TEST(SceneTextCorpus, ObjectIndexesAndListsKeepEveryPlacementOnAnEntry) {
    temp_folder tmp;
    d3d_app app;
    app_state state;
    g_app = &app;
    g_state = &state;
    copy_text(state.scenery_name, "Fuzz");
    make_object_folder();
    {
        scene world;
        const auto inputs = load_corpus("objects");
        ASSERT_GE(inputs.size(), 3u) << "corpus not found";
        replay_corpus(inputs, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            EXPECT_TRUE(run_object_lists(world, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
        });
    }
    g_state = nullptr;
    g_app = nullptr;
}
