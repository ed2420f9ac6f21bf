// Replays the skinned-model fuzz corpus: every seed loads and plays, and every prefix of one
// loads whole or leaves nothing to draw, with every bone and influence inside its table;
// a seed named "refused_..." (an input that once found a fault) is refused whole.
#include <gtest/gtest.h>

#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/model_environment.h"
#include "tests/fuzz/skinned_model.h"
#include "tests/support/temp_folder.h"

TEST(SkinnedCorpus, SeedsPlayAndEveryPrefixLoadsWholeOrNotAtAll) {
    temp_folder tmp;
    fs_make_folder("models");
    model_environment models;
    const auto inputs = load_corpus("skinned");
    ASSERT_GE(inputs.size(), 2u) << "corpus not found";
    for (const corpus_input& input : inputs) {
        fs_write(k_fuzz_model, input.bytes.data(), input.bytes.size());
        CSkinnedMesh* m = nullptr;
        ASSERT_EQ(create_detached_skinned_mesh(&m), S_OK);
        // Seeds named "refused_..." once found a fault: the loader refuses them whole.
        const bool refused = input.name.rfind("refused_", 0) == 0;
        EXPECT_EQ(m->load(k_fuzz_model), !refused) << input.name;
        EXPECT_EQ(destroy_skinned_mesh(&m), S_OK);
    }
    replay_corpus(inputs, 32, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(run_skinned_model(models.state, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
    });
}
