#include "shell/speech.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "core/sound_system.h"

speech* g_speech = nullptr;

namespace {

bool is_english(const voice_info& v) {
    return v.language.size() >= 2 && ascii_lower(v.language[0]) == 'e' &&
           ascii_lower(v.language[1]) == 'n' && (v.language.size() == 2 || v.language[2] == '-');
}

}  // namespace

int speech_volume_to_hundredths_db(int percent) {
    if (percent <= 0) return DSBVOLUME_MIN;
    if (percent >= 100) return DSBVOLUME_MAX;
    return static_cast<int>(std::lround(2000.0 * std::log10(percent / 100.0)));
}

speech::~speech() {
    release();
    if (g_speech == this) g_speech = nullptr;
}

bool speech::init() { return init(g_sound); }

bool speech::init(sound_system* output) { return init(output, open_speech_engine()); }

bool speech::init(sound_system* output, std::unique_ptr<speech_engine> engine) {
    release();
    output_ = output;
    engine_ = std::move(engine);
    if (engine_ == nullptr) return false;
    // English voices first, then the rest in the engine's order, as many as the table holds.
    const std::vector<voice_info>& all = engine_->voices();
    voice_count = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < all.size() && voice_count < k_max_voices; ++i) {
            if (is_english(all[i]) == (pass == 0)) voices_[voice_count++] = static_cast<int>(i);
        }
    }
    if (voice_count == 0 || output_ == nullptr || output_->device() == nullptr) return false;
    voice_present = 1;
    return true;
}

void speech::voice_name(int index, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0 || engine_ == nullptr) return;
    if (index < 0 || index >= voice_count) return;
    const voice_info& v = engine_->voices()[static_cast<std::size_t>(voices_[index])];
    copy_bounded(buffer, static_cast<std::size_t>(size), v.name.c_str());
}

void speech::speak(const char* text) {
    if (!voice_present || !speech_on || text == nullptr || text[0] == '\0') return;
    if (selected_voice < 0 || selected_voice >= voice_count) return;
    audio_device* device = output_->device();
    if (device == nullptr) return;
    stop_speaking();
    std::vector<std::int16_t> samples;
    if (!engine_->synthesize(text, voices_[selected_voice], &samples) || samples.empty()) return;
    wave_format format;
    format.channels = 1;
    format.bits_per_sample = 16;
    format.block_align = 2;
    format.samples_per_sec = static_cast<std::uint32_t>(engine_->sample_rate());
    format.avg_bytes_per_sec = format.samples_per_sec * 2;
    if (failed(device->create_buffer(format, reinterpret_cast<const std::uint8_t*>(samples.data()),
                                     samples.size() * 2, &playing_)))
        return;
    playing_->set_volume(speech_volume_to_hundredths_db(output_->volume_speech));
    playing_->play(false);
}

void speech::set_volume(int volume) {
    if (playing_ != nullptr) playing_->set_volume(speech_volume_to_hundredths_db(volume));
}

void speech::stop_speaking() {
    // The message in progress is dropped, not paused: the next one starts afresh.
    if (playing_ != nullptr) playing_->stop();
    playing_.reset();
}

bool speech::speaking() const { return playing_ != nullptr && playing_->playing(); }

void speech::release() {
    playing_.reset();
    engine_.reset();
    voice_count = 0;
    voice_present = 0;
}
