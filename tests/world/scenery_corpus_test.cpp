// Replays the scenery fuzz corpus: each seed folder, and the folder with its archive cut short
// (so a file ends early or goes missing), loads, answers heights and unloads.
#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/scenery_files.h"
#include "tests/support/temp_folder.h"

TEST(SceneryCorpus, SeedsAndTheirPrefixesLoadWithoutFault) {
    temp_folder tmp;
    d3d_app app;
    app_state state;
    g_app = &app;
    g_state = &state;
    make_scenery_folder();
    const auto inputs = load_corpus("scenery");
    EXPECT_GE(inputs.size(), 3u) << "corpus not found";
    replay_corpus(inputs, 12, [](const std::string&, const std::vector<std::uint8_t>& bytes) {
        run_scenery_files(bytes.data(), bytes.size());
    });
    g_state = nullptr;
    g_app = nullptr;
}
