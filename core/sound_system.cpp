#include "core/sound_system.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"

sound_system* g_sound = nullptr;

namespace {

// The smallest and largest buffer the game's sound device accepted, in bytes.
constexpr std::uint32_t k_min_buffer_bytes = 4;
constexpr std::uint32_t k_max_buffer_bytes = 0x0FFFFFFF;

std::uint32_t read_u32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t read_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct chunk {
    std::size_t data = 0;   // offset of the chunk's data in the file
    std::uint32_t size = 0; // as declared
};

// Finds a chunk by id among the chunks from begin to end (the RIFF chunk's body).
bool find_chunk(const std::vector<std::uint8_t>& file, std::size_t begin, std::size_t end,
                const char* id, chunk* out) {
    std::size_t p = begin;
    while (p + 8 <= end) {
        const std::uint32_t size = read_u32(&file[p + 4]);
        if (std::memcmp(&file[p], id, 4) == 0) {
            out->data = p + 8;
            out->size = size;
            return true;
        }
        // Chunks are padded to even sizes.
        const std::uint64_t next = static_cast<std::uint64_t>(p) + 8 + size + (size & 1);
        if (next > end) return false;
        p = static_cast<std::size_t>(next);
    }
    return false;
}

}  // namespace

bool parse_wave(const std::vector<std::uint8_t>& file, wave_format* format,
                std::vector<std::uint8_t>* pcm, bool* cut) {
    if (cut != nullptr) *cut = false;
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(&file[8], "WAVE", 4) != 0)
        return false;
    const std::size_t riff_end =
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), 8ull + read_u32(&file[4])));
    chunk fmt, data;
    if (!find_chunk(file, 12, riff_end, "fmt ", &fmt) || fmt.size < 16 ||
        fmt.data + 16 > file.size())
        return false;
    const std::uint8_t* f = &file[fmt.data];
    format->format_tag = read_u16(f);
    format->channels = read_u16(f + 2);
    format->samples_per_sec = read_u32(f + 4);
    format->avg_bytes_per_sec = read_u32(f + 8);
    format->block_align = read_u16(f + 12);
    format->bits_per_sample = read_u16(f + 14);
    if (!find_chunk(file, 12, riff_end, "data", &data)) return false;
    if (data.size < k_min_buffer_bytes || data.size > k_max_buffer_bytes) return false;
    std::size_t present = std::min<std::size_t>(data.size, file.size() - data.data);
    std::size_t size = data.size;
    // A short file is padded up to its declared size, but never beyond the size of the file
    // itself: a header alone must not ask for a buffer of hundreds of megabytes.
    if (size > file.size()) {
        const std::size_t block = std::max<std::size_t>(format->block_align, 1);
        present -= present % block;
        size = present;
        if (cut != nullptr) *cut = true;
        if (size < k_min_buffer_bytes) return false;
    }
    const std::uint8_t silence = format->bits_per_sample == 8 ? 128 : 0;
    pcm->assign(size, silence);
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(data.data), present, pcm->begin());
    return true;
}

sound_system::~sound_system() {
    release();
    if (g_sound == this) g_sound = nullptr;
}

void sound_system::init() { init_with(open_audio_device()); }

void sound_system::init_with(std::unique_ptr<audio_device> device) {
    available = 0;
    if (!check_result(device ? S_OK : E_AL_NO_DEVICE, "dmusic", __LINE__)) return;
    device_ = std::move(device);
    if (!check_result(device_->set_doppler_factor(1.0f), "dmusic", __LINE__)) {
        device_.reset();
        return;
    }
    music_.attach(device_.get());
    available = 1;
}

bool sound_system::load_wave(const char* path, std::unique_ptr<sound_buffer>* out) {
    out->reset();
    std::vector<std::uint8_t> file;
    wave_format format;
    std::vector<std::uint8_t> pcm;
    bool cut = false;
    const bool parsed = device_ != nullptr && fs_read(path, &file) && parse_wave(file, &format, &pcm, &cut);
    if (cut) log_line("%s declares more sound than the file holds: only the samples present are used", path);
    if (!parsed ||
        failed(device_->create_buffer(format, pcm.data(), pcm.size(), out)) || *out == nullptr) {
        out->reset();
        log_line("Failed to load %s", path);
        return false;
    }
    return true;
}

void sound_system::play_once(sound_buffer* buffer) const {
    if (buffer == nullptr || !sound_on) return;
    buffer->play(false);
}

void sound_system::play_looping(sound_buffer* buffer) const {
    if (buffer == nullptr || !sound_on) return;
    buffer->play(true);
}

void sound_system::restart(sound_buffer* buffer) const {
    if (buffer == nullptr || !sound_on) return;
    buffer->stop();
    buffer->rewind();
    buffer->play(false);
}

void sound_system::stop(sound_buffer* buffer) const {
    if (buffer != nullptr) buffer->stop();
}

void sound_system::set_volume(sound_buffer* buffer, int hundredths_db) const {
    if (buffer != nullptr) buffer->set_volume(hundredths_db);
}

void sound_system::set_frequency(sound_buffer* buffer, std::uint32_t hz) const {
    if (buffer != nullptr) buffer->set_frequency(hz);
}

void sound_system::commit_listener() {
    if (device_ != nullptr) device_->commit_deferred();
}

void sound_system::release() {
    music_.detach();
    device_.reset();
    available = 0;
}

void sound_system::open_music(const char* path) {
    // The command line of the game's media interface held 124 bytes. A path that does not
    // fit is refused whole: cut, it could open under a wrong alias that nothing closes.
    char command[124];
    const std::size_t length = format_text(command, "open \"%s\" alias MediaFile", path);
    if (length + 1 >= sizeof command) {
        log_line("Failed to load %s", path);
        return;
    }
    // A track that is missing or cannot be decoded plays nothing; the log names it once.
    // (Without a sound device nothing plays anyway, and that is logged once already.)
    const int result = send_media_command(command);
    if (result != MEDIA_OK && result != MEDIA_ERR_NO_DEVICE) log_line_once("Failed to load %s", path);
}

void sound_system::set_music_volume(int volume) {
    char command[64];
    format_text(command, "setaudio MediaFile volume to %d", std::clamp(volume, 0, 1000));
    send_media_command(command);
}

int sound_system::send_media_command(const char* command) { return music_.command(command); }

void sound_system::pump_music() { music_.pump(); }

int send_media_command(const char* command) {
    if (g_sound == nullptr) return MEDIA_ERR_NO_DEVICE;
    return g_sound->send_media_command(command);
}

bool sound_available() { return g_sound != nullptr && g_sound->available; }
