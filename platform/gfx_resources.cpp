#include "platform/gfx_resources.h"

#include <algorithm>

#include "platform/gfx_device.h"

namespace {
int chain_length(int w, int h, int d) {
    int levels = 1;
    while (w > 1 || h > 1 || d > 1) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        d = std::max(1, d / 2);
        ++levels;
    }
    return levels;
}
}  // namespace

void gfx_resource::attach(gfx_device* device) {
    device_ = device;
    if (device) device->adopt(this);
}

// ---- gfx_surface ----

gfx_surface::gfx_surface(int width, int height, std::uint32_t format, std::uint32_t usage)
    : width_(width), height_(height), format_(format), usage_(usage) {}

gfx_surface::~gfx_surface() {
    if (device_) device_->forget(this);
}

hresult gfx_surface::lock(locked_rect* out, std::uint32_t flags) {
    if (!out || locked_) return D3DERR_INVALIDCALL;
    if (owner_) {
        const hresult r = owner_->lock_rect(level_, out, flags, face_);
        locked_ = r == S_OK;
        return r;
    }
    const int pitch = format_pitch(format_, width_);
    if (pitch <= 0) return D3DERR_INVALIDCALL;
    const std::size_t bytes = static_cast<std::size_t>(pitch) * format_rows(format_, height_);
    if (pixels_.size() != bytes) pixels_.assign(bytes, 0);
    out->bits = pixels_.data();
    out->pitch = pitch;
    locked_ = true;
    return S_OK;
}

hresult gfx_surface::unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return owner_ ? owner_->unlock_rect(level_, face_) : S_OK;
}

// ---- gfx_texture ----

gfx_texture::gfx_texture(texture_kind kind, int width, int height, int depth, int levels,
                         std::uint32_t usage, std::uint32_t format, std::uint32_t pool)
    : kind_(kind), width_(std::max(1, width)), height_(std::max(1, height)),
      depth_(kind == texture_kind::volume ? std::max(1, depth) : 1), usage_(usage),
      format_(format), pool_(pool) {
    const int full = chain_length(width_, height_, depth_);
    levels_ = (levels <= 0 || levels > full) ? full : levels;
    storage_.resize(static_cast<std::size_t>(face_count() * levels_));
    surfaces_.resize(storage_.size());
    locked_.assign(storage_.size(), 0);
    // A render target's image is drawn by the backend and read back when locked: its bytes
    // wait for the first lock.
    if (usage_ & USAGE_RENDERTARGET) return;
    for (int f = 0; f < face_count(); ++f)
        for (int l = 0; l < levels_; ++l) stored(static_cast<std::size_t>(slot(l, f)));
}

gfx_texture::~gfx_texture() {
    surfaces_.clear();
    if (device_) device_->forget(this);
}

int gfx_texture::level_width(int level) const { return std::max(1, width_ >> level); }
int gfx_texture::level_height(int level) const { return std::max(1, height_ >> level); }
int gfx_texture::level_depth(int level) const {
    return kind_ == texture_kind::volume ? std::max(1, depth_ >> level) : 1;
}
int gfx_texture::level_pitch(int level) const { return format_pitch(format_, level_width(level)); }

bool gfx_texture::valid(int level, int face) const {
    return level >= 0 && level < levels_ && face >= 0 && face < face_count();
}

std::size_t gfx_texture::level_bytes(int level) const {
    return static_cast<std::size_t>(level_pitch(level)) * format_rows(format_, level_height(level)) *
           level_depth(level);
}

std::uint8_t* gfx_texture::stored(std::size_t s) {
    std::vector<std::uint8_t>& bytes = storage_[s];
    if (bytes.empty()) bytes.assign(level_bytes(static_cast<int>(s) % levels_), 0);
    return bytes.data();
}

hresult gfx_texture::lock_rect(int level, locked_rect* out, std::uint32_t, int face) {
    if (!out || kind_ == texture_kind::volume || !valid(level, face)) return D3DERR_INVALIDCALL;
    const std::size_t s = static_cast<std::size_t>(slot(level, face));
    if (locked_[s]) return D3DERR_INVALIDCALL;
    stored(s);
    before_lock(level, face);
    locked_[s] = 1;
    out->bits = storage_[s].data();
    out->pitch = level_pitch(level);
    return S_OK;
}

hresult gfx_texture::unlock_rect(int level, int face) {
    if (kind_ == texture_kind::volume || !valid(level, face)) return D3DERR_INVALIDCALL;
    const std::size_t s = static_cast<std::size_t>(slot(level, face));
    if (!locked_[s]) return D3DERR_INVALIDCALL;
    locked_[s] = 0;
    ++revision_;
    after_unlock(level, face);
    return S_OK;
}

hresult gfx_texture::lock_box(int level, locked_box* out, std::uint32_t) {
    if (!out || kind_ != texture_kind::volume || !valid(level, 0)) return D3DERR_INVALIDCALL;
    const std::size_t s = static_cast<std::size_t>(slot(level, 0));
    if (locked_[s]) return D3DERR_INVALIDCALL;
    stored(s);
    before_lock(level, 0);
    locked_[s] = 1;
    out->bits = storage_[s].data();
    out->row_pitch = level_pitch(level);
    out->slice_pitch = out->row_pitch * format_rows(format_, level_height(level));
    return S_OK;
}

hresult gfx_texture::unlock_box(int level) {
    if (kind_ != texture_kind::volume || !valid(level, 0)) return D3DERR_INVALIDCALL;
    const std::size_t s = static_cast<std::size_t>(slot(level, 0));
    if (!locked_[s]) return D3DERR_INVALIDCALL;
    locked_[s] = 0;
    ++revision_;
    after_unlock(level, 0);
    return S_OK;
}

gfx_surface* gfx_texture::surface_level(int level, int face) {
    if (kind_ == texture_kind::volume || !valid(level, face)) return nullptr;
    auto& surface = surfaces_[static_cast<std::size_t>(slot(level, face))];
    if (!surface) {
        surface = std::make_unique<gfx_surface>(level_width(level), level_height(level), format_,
                                                usage_);
        surface->owner_ = this;
        surface->level_ = level;
        surface->face_ = face;
        surface->attach(device_);
    }
    return surface.get();
}

std::uint8_t* gfx_texture::level_bits(int level, int face) {
    return valid(level, face) ? stored(static_cast<std::size_t>(slot(level, face))) : nullptr;
}

const std::uint8_t* gfx_texture::level_bits(int level, int face) const {
    if (!valid(level, face)) return nullptr;
    const std::vector<std::uint8_t>& bytes = storage_[static_cast<std::size_t>(slot(level, face))];
    return bytes.empty() ? nullptr : bytes.data();
}

// ---- gfx_buffer ----

gfx_buffer::gfx_buffer(int bytes, std::uint32_t usage, std::uint32_t format_or_fvf,
                       std::uint32_t pool)
    : format_(format_or_fvf),
      bytes_(std::make_unique_for_overwrite<std::uint8_t[]>(
          static_cast<std::size_t>(std::max(0, bytes)))),
      size_(static_cast<std::size_t>(std::max(0, bytes))), usage_(usage), pool_(pool) {}

gfx_buffer::~gfx_buffer() {
    if (device_) device_->forget(this);
}

hresult gfx_buffer::lock(int offset, int size, void** out, std::uint32_t) {
    if (!out || locked_ || offset < 0 || size < 0) return D3DERR_INVALIDCALL;
    if (size == 0) size = this->size() - offset;
    if (offset + size > this->size()) return D3DERR_INVALIDCALL;
    locked_ = true;
    *out = bytes_.get() + offset;
    return S_OK;
}

hresult gfx_buffer::unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    ++revision_;
    after_unlock();
    return S_OK;
}

// ---- gfx_shader ----

gfx_shader::~gfx_shader() {
    if (device_) device_->forget(this);
}
