// Replays the definition-file fuzz corpus through the readers and what follows a load.
#include <gtest/gtest.h>

#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/definition_files.h"
#include "tests/simulation/parts_fixture.h"

using DefinitionCorpus = parts_test;

TEST_F(DefinitionCorpus, SeedsAndTheirPrefixesLoadWithoutFault) {
    make_definition_folders();
    const auto inputs = load_corpus("definitions");
    ASSERT_GE(inputs.size(), 8u) << "corpus not found";
    replay_corpus(inputs, 16, [](const std::string&, const std::vector<std::uint8_t>& bytes) {
        run_definition_file(bytes.data(), bytes.size());
    });
}
