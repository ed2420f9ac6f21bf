// Replays the settings-file fuzz corpus: every seed and every prefix of one reads, and what it
// wrote reads back to the same file.
#include <gtest/gtest.h>

#include "platform/scripted_window.h"
#include "platform/window.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/settings_file.h"
#include "tests/support/temp_folder.h"

TEST(SettingsCorpus, EverySeedAndPrefixSurvivesItsOwnWriteAndRead) {
    temp_folder tmp;
    scripted_window window;
    set_main_window(&window);
    window.create("Ventrask", 0, 0, 1024, 768);
    {
        settings_holders holders;
        const auto inputs = load_corpus("settings");
        ASSERT_GE(inputs.size(), 3u) << "corpus not found";
        replay_corpus(inputs, 32, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            EXPECT_TRUE(run_settings_file(holders, bytes.data(), bytes.size())) << name << " cut to " << bytes.size();
        });
    }
    set_main_window(nullptr);
}
