// The speech engine on espeak-ng, synthesising synchronously into memory.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>

#include "platform/speech_engine.h"

namespace {

std::vector<std::int16_t>* g_collect = nullptr;  // where the synthesis callback writes

int collect_samples(short* wav, int count, espeak_EVENT*) {
    if (wav != nullptr && count > 0 && g_collect != nullptr) g_collect->insert(g_collect->end(), wav, wav + count);
    return 0;  // go on
}

std::string voice_description(const espeak_VOICE* v) {
    std::string name = v->name ? v->name : "";
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

class espeak_engine : public speech_engine {
public:
    explicit espeak_engine(int rate) : rate_(rate) {
        espeak_SetSynthCallback(collect_samples);
        const espeak_VOICE** list = espeak_ListVoices(nullptr);
        for (int i = 0; list != nullptr && list[i] != nullptr; ++i) {
            const espeak_VOICE* v = list[i];
            voice_info info;
            info.name = voice_description(v);
            // languages: a priority byte, then a language name, repeated.
            if (v->languages != nullptr && v->languages[0] != '\0') info.language = v->languages + 1;
            info.identifier = v->identifier ? v->identifier : info.name;
            voices_.push_back(info);
        }
    }

    const std::vector<voice_info>& voices() const override { return voices_; }
    int sample_rate() const override { return rate_; }

    bool synthesize(const char* text, int voice, std::vector<std::int16_t>* out) override {
        out->clear();
        if (voice < 0 || voice >= static_cast<int>(voices_.size())) return false;
        const voice_info& v = voices_[static_cast<std::size_t>(voice)];
        if (espeak_SetVoiceByName(v.identifier.c_str()) != EE_OK &&
            espeak_SetVoiceByName(v.name.c_str()) != EE_OK)
            return false;
        const std::string utf8 = windows_1252_to_utf8(text);
        g_collect = out;
        const espeak_ERROR r = espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
                                           espeakCHARS_UTF8, nullptr, nullptr);
        g_collect = nullptr;
        return r == EE_OK;
    }

private:
    int rate_;
    std::vector<voice_info> voices_;
};

}  // namespace

std::unique_ptr<speech_engine> open_speech_engine() {
    // espeak-ng starts once per process: terminated and started again it hangs, so it stays
    // up until the process ends.
    static const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) return nullptr;
    return std::make_unique<espeak_engine>(rate);
}
