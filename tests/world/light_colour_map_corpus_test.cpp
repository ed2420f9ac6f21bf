// Replays the fuzz corpora of the scenery lights' definitions and the sky's colour map: every
// seed and every prefix of one keeps the tables within their sizes and the values within
// their ranges.
#include <gtest/gtest.h>

#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/light_definition.h"
#include "tests/fuzz/model_environment.h"
#include "tests/fuzz/sky_colours.h"
#include "tests/support/temp_folder.h"

TEST(LightAndColourMapCorpus, EverySeedAndPrefixKeepsTheTablesAndRanges) {
    temp_folder tmp;
    fs_make_folder("graphics");
    model_environment models;
    const auto lights = load_corpus("light");
    ASSERT_GE(lights.size(), 2u) << "corpus not found";
    replay_corpus(lights, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(run_light_definition(bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
    });
    sky heavens;
    const auto maps = load_corpus("colour_map");
    ASSERT_GE(maps.size(), 1u) << "corpus not found";
    replay_corpus(maps, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(run_colour_map(heavens, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
    });
}
