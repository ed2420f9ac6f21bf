// Textures loaded from files, shared by name and load mode: a texture used by many meshes,
// effects and GUI elements is loaded once, counted by references and freed when its last user
// gives it back. The load mode also picks the texel format and an optional alpha derived from
// brightness, so one picture serves as an opaque texture, a colour-keyed sprite or a glow.
//
// Load modes:
//   0  R5G6B5, no colour key, full mip chain with [use_mipmaps] (else one level)
//   1  A1R5G5B5, opaque black becomes transparent, mip chain as mode 0
//   2  A8R8G8B8, keyed, one level; every texel white with alpha = (r + g + b) / 3
//   3  A8R8G8B8, keyed, one level; colour kept, alpha = min(255, (r + g + b) / 2)
// A name containing ".dds" is loaded as A8R8G8B8 without key or alpha step (mip chain as
// mode 0) whatever its mode; the mode still tells its slot apart.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/texture_image.h"

class gfx_texture;

// What the cache needs of the graphics device: make a texture from a picture file as a
// request asks, reach the texels of its first level, and free it. A texture made here
// belongs to the cache until the cache gives it back to `release`.
class texture_loader {
public:
    virtual ~texture_loader() = default;
    // None when the file is missing or unreadable or the device refuses.
    virtual gfx_texture* load(const char* name, const texture_request& request) = 0;
    // Locks level 0 when it holds A8R8G8B8 texels: B,G,R,A rows `pitch` bytes apart.
    // False when the format differs or the lock fails.
    virtual bool lock_first_level(gfx_texture* texture, std::uint8_t** bits, int* pitch,
                                  int* width, int* height) = 0;
    virtual void unlock_first_level(gfx_texture* texture) = 0;
    virtual void release(gfx_texture* texture) = 0;
};

// The colour key of modes 1 to 3: opaque black.
constexpr std::uint32_t k_texture_color_key = 0xFF000000u;

// The mode a file name asks for: "#" 3, else "=" 2, else "_" 1, else 0.
int texture_mode_for_name(const char* name);
// The request of a load mode for a name, with the device's largest texture side.
texture_request texture_request_for_mode(const char* name, int mode, bool use_mipmaps,
                                         int max_size);
// The alpha steps of modes 2 and 3 on B,G,R,A texels; other modes change nothing.
void apply_alpha_step(int mode, std::uint8_t* bits, int pitch, int width, int height);

class texture_cache {
public:
    static constexpr int k_slots = 1024;
    static constexpr int k_name_size = 128;

    struct slot {
        int references = 0;
        int mode = 0;
        char name[k_name_size] = {};
        gfx_texture* texture = nullptr;  // a slot is free while this is none
    };

    texture_cache() = default;
    ~texture_cache();
    texture_cache(const texture_cache&) = delete;
    texture_cache& operator=(const texture_cache&) = delete;

    // The loader textures come from, none to stop loading (the cache keeps what it holds).
    void set_loader(texture_loader* loader) { loader_ = loader; }
    texture_loader* loader() const { return loader_; }
    // [use_mipmaps] and a limit on texture sides (0: the device's own), read at each load.
    bool use_mipmaps = true;
    int max_texture_size = 0;

    // With `cached`, a slot with exactly this name (case counts) and mode hands out its
    // texture and counts one more user. Otherwise the file is loaded for the mode; with
    // `cached` the first free slot takes it with one user (with every slot taken it is
    // returned uncached). Returns true when *out holds a texture.
    bool load_texture(const char* name, gfx_texture** out, int mode, bool cached);
    // The mode follows the name's characters; the path "<folder>\<name>" is lower-cased and,
    // when missing, tried with ".jpg" and then ".dds". Returns the mode, or 0 with *out none
    // when no file exists.
    int load_texture_from_folder(const char* folder, const char* name, gfx_texture** out,
                                 bool cached);
    // Gives a texture back and sets the variable to none. A cached texture loses one user and
    // is freed at none left (true) or lives on (false); one the cache does not hold is freed
    // at once (true). None: true.
    bool release_texture(gfx_texture** texture);
    // Frees every texture whatever its count and clears every slot (before the device goes).
    void release_all();

    const slot& slot_at(int index) const { return slots_[static_cast<std::size_t>(index)]; }
    // The slot holding a texture, or -1.
    int find_slot(const gfx_texture* texture) const;
    // Textures handed out uncached and not yet given back.
    int loose_count() const { return static_cast<int>(loose_.size()); }

private:
    gfx_texture* load_file(const char* name, int mode);
    void free_texture(gfx_texture* texture);

    std::vector<slot> slots_ = std::vector<slot>(k_slots);
    std::vector<gfx_texture*> loose_;
    texture_loader* loader_ = nullptr;
};
