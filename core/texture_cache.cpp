#include "core/texture_cache.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/file_helpers.h"
#include "platform/text.h"

namespace {

bool contains_dds(const char* name) {
    return ascii_lowered(name).find(".dds") != std::string::npos;
}

}  // namespace

int texture_mode_for_name(const char* name) {
    if (std::strchr(name, '#') != nullptr) return 3;
    if (std::strchr(name, '=') != nullptr) return 2;
    if (std::strchr(name, '_') != nullptr) return 1;
    return 0;
}

texture_request texture_request_for_mode(const char* name, int mode, bool use_mipmaps,
                                         int max_size) {
    texture_request request;
    request.width = request.height = k_texture_size_default;
    request.max_size = max_size;
    const int chain = use_mipmaps ? k_texture_levels_full : 1;
    if (contains_dds(name)) {
        request.format = image_format::a8r8g8b8;
        request.levels = chain;
        return request;
    }
    switch (mode) {
    case 1:
        request.format = image_format::a1r5g5b5;
        request.color_key = k_texture_color_key;
        request.levels = chain;
        break;
    case 2:
    case 3:
        request.format = image_format::a8r8g8b8;
        request.color_key = k_texture_color_key;
        request.levels = 1;
        break;
    default:
        request.format = image_format::r5g6b5;
        request.levels = chain;
        break;
    }
    return request;
}

void apply_alpha_step(int mode, std::uint8_t* bits, int pitch, int width, int height) {
    if (mode != 2 && mode != 3) return;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* texel = bits + static_cast<std::size_t>(y) * pitch;
        for (int x = 0; x < width; ++x, texel += 4) {
            const int sum = texel[0] + texel[1] + texel[2];
            if (mode == 2) {
                // A glow: white, as opaque as the texel was bright.
                texel[0] = texel[1] = texel[2] = 255;
                texel[3] = static_cast<std::uint8_t>(sum / 3);
            } else {
                texel[3] = static_cast<std::uint8_t>(std::min(255, sum / 2));
            }
        }
    }
}

texture_cache::~texture_cache() { release_all(); }

gfx_texture* texture_cache::load_file(const char* name, int mode) {
    if (loader_ == nullptr) return nullptr;
    const texture_request request =
        texture_request_for_mode(name, mode, use_mipmaps, max_texture_size);
    gfx_texture* texture = loader_->load(name, request);
    if (texture == nullptr || contains_dds(name) || (mode != 2 && mode != 3)) return texture;
    std::uint8_t* bits = nullptr;
    int pitch = 0, width = 0, height = 0;
    if (loader_->lock_first_level(texture, &bits, &pitch, &width, &height)) {
        apply_alpha_step(mode, bits, pitch, width, height);
        loader_->unlock_first_level(texture);
    }
    return texture;
}

bool texture_cache::load_texture(const char* name, gfx_texture** out, int mode, bool cached) {
    *out = nullptr;
    // A name too long for a slot could never be matched again: it is not cached.
    const bool fits = std::strlen(name) < static_cast<std::size_t>(k_name_size);
    cached = cached && fits;
    if (cached) {
        for (slot& s : slots_) {
            if (s.mode == mode && std::strcmp(s.name, name) == 0 &&
                (s.texture != nullptr || s.references > 0)) {
                // A slot whose load failed answers none until another texture takes it.
                *out = s.texture;
                s.references += 1;
                return *out != nullptr;
            }
        }
    }
    gfx_texture* texture = load_file(name, mode);
    *out = texture;
    if (cached) {
        for (slot& s : slots_) {
            if (s.texture != nullptr) continue;
            s.texture = texture;
            s.mode = mode;
            s.references = 1;
            copy_text(s.name, name);
            return texture != nullptr;
        }
    }
    if (texture != nullptr) loose_.push_back(texture);
    return texture != nullptr;
}

int texture_cache::load_texture_from_folder(const char* folder, const char* name,
                                            gfx_texture** out, bool cached) {
    *out = nullptr;
    const int mode = texture_mode_for_name(name);
    char path[260];
    format_text(path, "%s\\%s", folder, name);
    ascii_lower_in_place(path);
    if (!resolve_needed_file(path, ".jpg", ".dds")) return 0;
    load_texture(path, out, mode, cached);
    return mode;
}

int texture_cache::find_slot(const gfx_texture* texture) const {
    if (texture == nullptr) return -1;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].texture == texture) return static_cast<int>(i);
    return -1;
}

void texture_cache::free_texture(gfx_texture* texture) {
    if (texture != nullptr && loader_ != nullptr) loader_->release(texture);
}

bool texture_cache::release_texture(gfx_texture** texture) {
    if (*texture == nullptr) return true;
    const int index = find_slot(*texture);
    if (index >= 0) {
        slot& s = slots_[static_cast<std::size_t>(index)];
        s.references -= 1;
        *texture = nullptr;
        if (s.references > 0) return false;
        free_texture(s.texture);
        s = slot{};
        return true;
    }
    const auto loose = std::find(loose_.begin(), loose_.end(), *texture);
    if (loose != loose_.end()) loose_.erase(loose);
    free_texture(*texture);
    *texture = nullptr;
    return true;
}

void texture_cache::release_all() {
    for (slot& s : slots_) {
        free_texture(s.texture);
        s = slot{};
    }
    for (gfx_texture* texture : loose_) free_texture(texture);
    loose_.clear();
}
