// The sound device on OpenAL Soft: one context per device, one source per buffer, and a
// streaming source for the music track fed from libmpg123.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/files.h"

namespace {

class openal_buffer;

// The AL device and context, shared by the device object and every buffer and stream made from
// it, so a buffer released after its device (as COM reference counting allowed) stays safe.
struct al_shared {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    std::vector<openal_buffer*> live;  // buffers whose deferred 3-D settings a commit applies
    ~al_shared() {
        if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        alcCloseDevice(device);
    }
    void use() const {
        if (alcGetCurrentContext() != context) alcMakeContextCurrent(context);
    }
};
using shared_al = std::shared_ptr<al_shared>;

hresult al_result() { return alGetError() == AL_NO_ERROR ? S_OK : E_AL_FAILED; }

// Camera axes are left-handed with z ahead; OpenAL's are right-handed with -z ahead.
void to_al(const vec3& v, float out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

struct pending_3d {
    bool position = false, velocity = false, min_distance = false;
    vec3 position_value{}, velocity_value{};
    float min_distance_value = 1.0f;
};

class openal_buffer : public sound_buffer {
public:
    openal_buffer(shared_al device, ALuint buffer, ALuint source, std::uint32_t rate)
        : device_(std::move(device)), buffer_(buffer), source_(source), rate_(rate) {}
    ~openal_buffer() override;

    hresult play(bool looping) override;
    hresult stop() override;
    hresult rewind() override;
    bool playing() const override;
    hresult set_volume(int hundredths_db) override;
    hresult set_frequency(std::uint32_t hz) override;
    hresult set_position(const vec3& position) override;
    hresult set_velocity(const vec3& velocity) override;
    hresult set_min_distance(float metres) override;

    void commit();

private:
    void use() const;

    shared_al device_;
    ALuint buffer_;
    ALuint source_;
    std::uint32_t rate_;
    pending_3d pending_;
};

// The music track: mpg123 decodes 16-bit PCM into a ring of queued AL buffers.
class mpg123_stream : public music_stream {
public:
    static constexpr int k_buffers = 8;
    static constexpr std::size_t k_chunk_bytes = 16384;  // about 0.09 s of 44.1 kHz stereo

    mpg123_stream(shared_al device, mpg123_handle* handle, ALuint source,
                  std::array<ALuint, k_buffers> buffers, long rate, int channels);
    ~mpg123_stream() override;

    hresult play() override;
    hresult stop() override;
    void set_gain(float gain) override;
    bool pump() override;
    bool playing() const override;

private:
    void use() const;
    // Decodes the next piece into an AL buffer; false at the end of the file.
    bool fill(ALuint buffer);
    void queue_free_buffers();

    shared_al device_;
    mpg123_handle* handle_;
    ALuint source_;
    std::array<ALuint, k_buffers> buffers_;
    std::vector<ALuint> free_;
    long rate_;
    int channels_;
    bool started_ = false;   // play was asked and not stopped since
    bool decoded_all_ = false;
    bool ended_ = false;
    std::vector<unsigned char> chunk_;
};

class openal_device : public audio_device {
public:
    openal_device(shared_al shared, bool loopback) : shared_(std::move(shared)), loopback_(loopback) {}

    hresult create_buffer(const wave_format& format, const std::uint8_t* data, std::size_t bytes,
                          std::unique_ptr<sound_buffer>* out) override;
    hresult open_music(const char* name, std::unique_ptr<music_stream>* out) override;
    hresult set_doppler_factor(float factor) override;
    hresult commit_deferred() override;
    bool render(float* out, int frames) override;

    void use() const { shared_->use(); }

private:
    shared_al shared_;
    bool loopback_;
};

// ---- buffers

openal_buffer::~openal_buffer() {
    use();
    alSourceStop(source_);
    alDeleteSources(1, &source_);
    alDeleteBuffers(1, &buffer_);
    auto& live = device_->live;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void openal_buffer::use() const { device_->use(); }

hresult openal_buffer::play(bool looping) {
    use();
    alSourcei(source_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    if (!playing()) alSourcePlay(source_);
    return al_result();
}

hresult openal_buffer::stop() {
    use();
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) alSourcePause(source_);
    return al_result();
}

hresult openal_buffer::rewind() {
    use();
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING)
        alSourcei(source_, AL_SAMPLE_OFFSET, 0);
    else
        alSourceRewind(source_);
    return al_result();
}

bool openal_buffer::playing() const {
    use();
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

hresult openal_buffer::set_volume(int hundredths_db) {
    use();
    alSourcef(source_, AL_GAIN, volume_to_gain(hundredths_db));
    return al_result();
}

hresult openal_buffer::set_frequency(std::uint32_t hz) {
    use();
    const float pitch = hz == DSBFREQUENCY_ORIGINAL ? 1.0f : static_cast<float>(hz) / rate_;
    // OpenAL Soft accepts any positive pitch; DirectSound allowed 100 Hz..200 kHz.
    alSourcef(source_, AL_PITCH, std::clamp(pitch, 0.001f, 100.0f));
    return al_result();
}

hresult openal_buffer::set_position(const vec3& position) {
    pending_.position = true;
    pending_.position_value = position;
    return S_OK;
}

hresult openal_buffer::set_velocity(const vec3& velocity) {
    pending_.velocity = true;
    pending_.velocity_value = velocity;
    return S_OK;
}

hresult openal_buffer::set_min_distance(float metres) {
    if (!(metres > 0.0f)) return E_INVALIDARG;
    pending_.min_distance = true;
    pending_.min_distance_value = metres;
    return S_OK;
}

void openal_buffer::commit() {
    float v[3];
    if (pending_.position) {
        to_al(pending_.position_value, v);
        alSourcefv(source_, AL_POSITION, v);
    }
    if (pending_.velocity) {
        to_al(pending_.velocity_value, v);
        alSourcefv(source_, AL_VELOCITY, v);
    }
    if (pending_.min_distance) alSourcef(source_, AL_REFERENCE_DISTANCE, pending_.min_distance_value);
    pending_ = pending_3d{};
}

// ---- music

mpg123_stream::mpg123_stream(shared_al device, mpg123_handle* handle, ALuint source,
                             std::array<ALuint, k_buffers> buffers, long rate, int channels)
    : device_(std::move(device)), handle_(handle), source_(source), buffers_(buffers),
      free_(buffers.begin(), buffers.end()), rate_(rate), channels_(channels),
      chunk_(k_chunk_bytes) {
    queue_free_buffers();
}

mpg123_stream::~mpg123_stream() {
    use();
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
    alDeleteBuffers(k_buffers, buffers_.data());
    mpg123_close(handle_);
    mpg123_delete(handle_);
}

void mpg123_stream::use() const { device_->use(); }

bool mpg123_stream::fill(ALuint buffer) {
    if (decoded_all_) return false;
    std::size_t done = 0;
    int r = mpg123_read(handle_, chunk_.data(), chunk_.size(), &done);
    // A format notice carries no samples; the output format is locked, so read on.
    for (int tries = 0; r == MPG123_NEW_FORMAT && done == 0 && tries < 4; ++tries)
        r = mpg123_read(handle_, chunk_.data(), chunk_.size(), &done);
    if (r != MPG123_OK && r != MPG123_NEW_FORMAT) decoded_all_ = true;  // the end, or a broken stream
    if (done == 0) {
        decoded_all_ = true;
        return false;
    }
    alBufferData(buffer, channels_ == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, chunk_.data(),
                 static_cast<ALsizei>(done), static_cast<ALsizei>(rate_));
    return true;
}

void mpg123_stream::queue_free_buffers() {
    while (!free_.empty()) {
        const ALuint b = free_.back();
        if (!fill(b)) break;
        alSourceQueueBuffers(source_, 1, &b);
        free_.pop_back();
    }
}

hresult mpg123_stream::play() {
    use();
    if (ended_) return S_OK;
    started_ = true;
    if (!playing()) alSourcePlay(source_);
    return al_result();
}

hresult mpg123_stream::stop() {
    use();
    started_ = false;
    if (playing()) alSourcePause(source_);
    return al_result();
}

void mpg123_stream::set_gain(float gain) {
    use();
    alSourcef(source_, AL_GAIN, std::clamp(gain, 0.0f, 1.0f));
}

bool mpg123_stream::playing() const {
    use();
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

bool mpg123_stream::pump() {
    use();
    if (ended_) return false;
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
        ALuint b = 0;
        alSourceUnqueueBuffers(source_, 1, &b);
        free_.push_back(b);
    }
    queue_free_buffers();
    if (!started_) return false;
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    if (playing()) return false;
    if (queued > 0) {
        // The source ran dry before we refilled it (a long frame): carry on.
        alSourcePlay(source_);
        return false;
    }
    ended_ = true;
    started_ = false;
    return true;
}

// ---- device

ALenum al_format(const wave_format& f) {
    if (f.format_tag != WAVE_FORMAT_PCM) return 0;
    if (f.channels == 1 && f.bits_per_sample == 8) return AL_FORMAT_MONO8;
    if (f.channels == 1 && f.bits_per_sample == 16) return AL_FORMAT_MONO16;
    if (f.channels == 2 && f.bits_per_sample == 8) return AL_FORMAT_STEREO8;
    if (f.channels == 2 && f.bits_per_sample == 16) return AL_FORMAT_STEREO16;
    return 0;
}

hresult openal_device::create_buffer(const wave_format& format, const std::uint8_t* data,
                                     std::size_t bytes, std::unique_ptr<sound_buffer>* out) {
    out->reset();
    const ALenum al = al_format(format);
    if (al == 0 || format.samples_per_sec == 0) return E_BAD_FORMAT;
    const std::size_t frame = format.channels * format.bits_per_sample / 8u;
    // AL wants whole sample frames and at least one.
    std::vector<std::uint8_t> pcm(data, data + bytes - bytes % frame);
    if (pcm.empty()) pcm.assign(frame, format.bits_per_sample == 8 ? 128 : 0);
    use();
    alGetError();
    ALuint buffer = 0, source = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return E_AL_FAILED;
    alBufferData(buffer, al, pcm.data(), static_cast<ALsizei>(pcm.size()),
                 static_cast<ALsizei>(format.samples_per_sec));
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        alDeleteBuffers(1, &buffer);
        return E_AL_FAILED;
    }
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    auto b = std::make_unique<openal_buffer>(shared_, buffer, source, format.samples_per_sec);
    shared_->live.push_back(b.get());
    *out = std::move(b);
    return S_OK;
}

bool mpg123_ready() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

hresult openal_device::open_music(const char* name, std::unique_ptr<music_stream>* out) {
    out->reset();
    if (!mpg123_ready()) return E_FAIL;
    if (!fs_is_file(name)) return E_FILE_NOT_FOUND;
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (h == nullptr) return E_OUTOFMEMORY;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Always 16-bit signed output, at whatever rate and channel count the file has.
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(h, fs_host_path(name).c_str()) != MPG123_OK ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK ||
        (channels != 1 && channels != 2)) {
        mpg123_close(h);
        mpg123_delete(h);
        return E_BAD_FORMAT;
    }
    mpg123_format_none(h);  // the format may not change in the middle of the track
    mpg123_format(h, rate, channels, encoding);
    use();
    alGetError();
    ALuint source = 0;
    std::array<ALuint, mpg123_stream::k_buffers> buffers{};
    alGenSources(1, &source);
    alGenBuffers(mpg123_stream::k_buffers, buffers.data());
    if (alGetError() != AL_NO_ERROR) {
        mpg123_close(h);
        mpg123_delete(h);
        return E_AL_FAILED;
    }
    // Music is not positional: it plays at the listener.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    *out = std::make_unique<mpg123_stream>(shared_, h, source, buffers, rate, channels);
    return S_OK;
}

hresult openal_device::set_doppler_factor(float factor) {
    use();
    alDopplerFactor(factor);
    return al_result();
}

hresult openal_device::commit_deferred() {
    use();
    for (openal_buffer* b : shared_->live) b->commit();
    return al_result();
}

bool openal_device::render(float* out, int frames) {
    if (!loopback_) return false;
    using render_fn = void(ALC_APIENTRY*)(ALCdevice*, ALCvoid*, ALCsizei);
    auto fn = reinterpret_cast<render_fn>(alcGetProcAddress(shared_->device, "alcRenderSamplesSOFT"));
    if (fn == nullptr) return false;
    use();
    fn(shared_->device, out, frames);
    return true;
}

std::unique_ptr<audio_device> finish_device(ALCdevice* device, const ALCint* attributes,
                                            bool loopback) {
    if (device == nullptr) return nullptr;
    ALCcontext* context = alcCreateContext(device, attributes);
    if (context == nullptr || alcMakeContextCurrent(context) != ALC_TRUE) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    // DirectSound's rolloff: inverse distance from the minimum distance, never louder inside.
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    auto shared = std::make_shared<al_shared>();
    shared->device = device;
    shared->context = context;
    return std::make_unique<openal_device>(std::move(shared), loopback);
}

}  // namespace

std::unique_ptr<audio_device> open_audio_device() { return open_named_audio_device(nullptr); }

std::unique_ptr<audio_device> open_named_audio_device(const char* name) {
    return finish_device(alcOpenDevice(name), nullptr, false);
}

std::unique_ptr<audio_device> open_loopback_audio_device(int rate, int channels) {
    if (channels != 2 && channels != 4) return nullptr;
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return nullptr;
    using open_fn = ALCdevice*(ALC_APIENTRY*)(const ALCchar*);
    auto open = reinterpret_cast<open_fn>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (open == nullptr) return nullptr;
    // Plain panning (no HRTF) so tests can compare the channels.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, channels == 4 ? ALC_QUAD_SOFT : ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,     ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,            rate,
                                 ALC_HRTF_SOFT,            ALC_FALSE,
                                 ALC_OUTPUT_LIMITER_SOFT,  ALC_FALSE,
                                 0};
    return finish_device(open(nullptr), attributes, true);
}
