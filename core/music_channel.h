// The music channel: one media device at a time under an alias ("MediaFile"), driven by the
// media command strings the game sends ("open \"music\\x.mp3\" alias MediaFile",
// "play MediaFile notify", "stop MediaFile", "close MediaFile",
// "setaudio MediaFile volume to 500"). The track is decoded in pieces from the main loop
// (`pump`); when a track played with "notify" reaches its natural end, MM_MCINOTIFY with
// MCI_NOTIFY_SUCCESSFUL is posted to the program's message queue. Stop and close post nothing.
#pragma once

#include <memory>

#include "platform/audio.h"

// Results of media commands: 0 is success.
constexpr int MEDIA_OK = 0;
constexpr int MEDIA_ERR_UNRECOGNIZED_COMMAND = 261;
constexpr int MEDIA_ERR_INVALID_DEVICE_NAME = 263;
constexpr int MEDIA_ERR_DEVICE_OPEN = 265;
constexpr int MEDIA_ERR_MISSING_PARAMETER = 273;
constexpr int MEDIA_ERR_FILE_NOT_FOUND = 275;
constexpr int MEDIA_ERR_NO_DEVICE = 266;

// The device identifier sent as the long parameter of the end-of-track notice.
constexpr long k_media_device_id = 1;

class music_channel {
public:
    music_channel() = default;
    music_channel(const music_channel&) = delete;
    music_channel& operator=(const music_channel&) = delete;

    // The output device tracks are opened on; none makes every open fail.
    void attach(audio_device* device);
    // Closes any open track and forgets the device.
    void detach();

    // Runs one command string; MEDIA_OK or one of the errors above.
    int command(const char* text);
    // Keeps the open track fed; posts the end-of-track notice when it is due.
    void pump();

    bool is_open() const { return stream_ != nullptr; }
    bool is_playing() const { return stream_ != nullptr && stream_->playing(); }
    int volume() const { return volume_; }

private:
    int open(const char* file, const char* alias);
    int play(bool notify);
    int stop();
    int close();
    int set_volume(int volume);

    audio_device* device_ = nullptr;
    std::unique_ptr<music_stream> stream_;
    char alias_[64] = {};
    bool notify_ = false;
    int volume_ = 1000;  // 0..1000, linear
};
