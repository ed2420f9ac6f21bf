// Replays the place-titles fuzz corpus: every seed and every prefix of one reads within the
// table, into both table sizes and both ways of meeting a line without a position.
#include <gtest/gtest.h>

#include "core/d3d_app.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/map_titles.h"
#include "tests/support/temp_folder.h"

TEST(MapTitlesCorpus, EverySeedAndPrefixReadsWithinTheTable) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    make_titles_folder();
    const auto inputs = load_corpus("titles");
    ASSERT_GE(inputs.size(), 1u) << "corpus not found";
    replay_corpus(inputs, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(run_map_titles(bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
    });
    g_app = nullptr;
}
