#include "core/music_channel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/text.h"

namespace {

// Splits a command into words; a word in double quotes may hold spaces. An unterminated
// quote makes the command malformed (empty result).
std::vector<std::string> split_words(const char* text) {
    std::vector<std::string> words;
    const char* p = text;
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0') break;
        std::string word;
        if (*p == '"') {
            const char* end = p + 1;
            while (*end && *end != '"') ++end;
            if (*end != '"') return {};
            word.assign(p + 1, end);
            p = end + 1;
        } else {
            const char* end = p;
            while (*end && *end != ' ' && *end != '\t') ++end;
            word.assign(p, end);
            p = end;
        }
        words.push_back(word);
    }
    return words;
}

bool is_word(const std::string& word, const char* keyword) {
    return compare_nocase(word.c_str(), keyword) == 0;
}

}  // namespace

void music_channel::attach(audio_device* device) { device_ = device; }

void music_channel::detach() {
    close();
    device_ = nullptr;
}

int music_channel::command(const char* text) {
    if (text == nullptr) return MEDIA_ERR_UNRECOGNIZED_COMMAND;
    const std::vector<std::string> w = split_words(text);
    if (w.size() < 2) return MEDIA_ERR_UNRECOGNIZED_COMMAND;
    if (is_word(w[0], "open")) {
        if (w.size() != 4 || !is_word(w[2], "alias")) return MEDIA_ERR_MISSING_PARAMETER;
        return open(w[1].c_str(), w[3].c_str());
    }
    // Every other command names the open alias.
    if (stream_ == nullptr || compare_nocase(w[1].c_str(), alias_) != 0)
        return MEDIA_ERR_INVALID_DEVICE_NAME;
    if (is_word(w[0], "play")) return play(w.size() > 2 && is_word(w[2], "notify"));
    if (is_word(w[0], "stop")) return stop();
    if (is_word(w[0], "close")) return close();
    if (is_word(w[0], "setaudio")) {
        int v = 0;
        if (w.size() != 5 || !is_word(w[2], "volume") || !is_word(w[3], "to") ||
            !scan_int(w[4].c_str(), &v))
            return MEDIA_ERR_MISSING_PARAMETER;
        return set_volume(v);
    }
    return MEDIA_ERR_UNRECOGNIZED_COMMAND;
}

int music_channel::open(const char* file, const char* alias) {
    if (stream_ != nullptr) return MEDIA_ERR_DEVICE_OPEN;
    if (device_ == nullptr) return MEDIA_ERR_NO_DEVICE;
    std::unique_ptr<music_stream> stream;
    if (failed(device_->open_music(file, &stream)) || stream == nullptr)
        return MEDIA_ERR_FILE_NOT_FOUND;
    stream_ = std::move(stream);
    copy_text(alias_, alias);
    notify_ = false;
    volume_ = 1000;
    stream_->set_gain(1.0f);
    return MEDIA_OK;
}

int music_channel::play(bool notify) {
    // A new play supersedes the notice asked for by an earlier one.
    notify_ = notify;
    stream_->play();
    return MEDIA_OK;
}

int music_channel::stop() {
    notify_ = false;
    stream_->stop();
    return MEDIA_OK;
}

int music_channel::close() {
    stream_.reset();
    alias_[0] = '\0';
    notify_ = false;
    return MEDIA_OK;
}

int music_channel::set_volume(int volume) {
    volume_ = std::clamp(volume, 0, 1000);
    stream_->set_gain(volume_ / 1000.0f);
    return MEDIA_OK;
}

void music_channel::pump() {
    if (stream_ == nullptr) return;
    if (stream_->pump() && notify_) {
        notify_ = false;
        post_app_message(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, k_media_device_id);
    }
}
