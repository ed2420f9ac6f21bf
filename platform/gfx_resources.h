// The device's resources: textures (plain, cube, volume), surfaces, vertex and index buffers
// and shader programs. Each keeps its contents in memory, as a managed resource does, so a
// lock hands out plain bytes (textures: B,G,R,A for A8R8G8B8 with a row pitch) and works the
// same on every backend; a backend uploads what was written when it is unlocked. Resources
// are owned by whoever created them (std::unique_ptr) and must go before their device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx_types.h"
#include "platform/results.h"

struct locked_rect {
    void* bits = nullptr;
    int pitch = 0;  // bytes from one row (of texels, or of 4x4 blocks) to the next
};

struct locked_box {
    void* bits = nullptr;
    int row_pitch = 0;
    int slice_pitch = 0;
};

class gfx_texture;
class gfx_device;

// Every resource knows the device that made it and tells it when it goes, so the device
// never keeps a binding to a destroyed resource.
class gfx_resource {
public:
    gfx_resource() = default;
    virtual ~gfx_resource() = default;
    gfx_resource(const gfx_resource&) = delete;
    gfx_resource& operator=(const gfx_resource&) = delete;
    // Registers with the device that made it; a device that goes first detaches whatever is
    // still registered, so a late resource never reaches a destroyed device.
    void attach(gfx_device* device);
    gfx_device* device() const { return device_; }

protected:
    friend class gfx_device;
    gfx_device* device_ = nullptr;
};

// A two-dimensional image: a level (or cube face level) of a texture, a render-target or
// depth-stencil surface of its own, or the back buffer.
class gfx_surface : public gfx_resource {
public:
    gfx_surface(int width, int height, std::uint32_t format, std::uint32_t usage);
    ~gfx_surface() override;

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t format() const { return format_; }
    std::uint32_t usage() const { return usage_; }
    // The texture this surface is a level of, or none.
    gfx_texture* owner() const { return owner_; }
    int level() const { return level_; }
    int face() const { return face_; }

    // Rows come top row first, whatever the backend stores.
    virtual hresult lock(locked_rect* out, std::uint32_t flags = 0);
    virtual hresult unlock();

protected:
    friend class gfx_texture;
    int width_, height_;
    std::uint32_t format_, usage_;
    gfx_texture* owner_ = nullptr;
    int level_ = 0, face_ = 0;
    std::vector<std::uint8_t> pixels_;  // own storage when there is no owner
    bool locked_ = false;
};

enum class texture_kind { plain, cube, volume };

class gfx_texture : public gfx_resource {
public:
    // levels 0 = the whole chain down to 1 x 1.
    gfx_texture(texture_kind kind, int width, int height, int depth, int levels,
                std::uint32_t usage, std::uint32_t format, std::uint32_t pool);
    ~gfx_texture() override;

    texture_kind kind() const { return kind_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int level_count() const { return levels_; }
    int face_count() const { return kind_ == texture_kind::cube ? 6 : 1; }
    std::uint32_t usage() const { return usage_; }
    std::uint32_t format() const { return format_; }
    std::uint32_t pool() const { return pool_; }
    int level_width(int level) const;
    int level_height(int level) const;
    int level_depth(int level) const;

    // Plain textures and cube faces. Fails (D3DERR_INVALIDCALL) on a bad level or face.
    hresult lock_rect(int level, locked_rect* out, std::uint32_t flags = 0, int face = 0);
    hresult unlock_rect(int level, int face = 0);
    // Volume textures: slices of rows.
    hresult lock_box(int level, locked_box* out, std::uint32_t flags = 0);
    hresult unlock_box(int level);
    // The surface of a level (owned by the texture), none for a bad level or a volume.
    gfx_surface* surface_level(int level, int face = 0);

    // The stored bytes of a level (for backends and tests). A render target keeps no copy
    // until it is first locked or its bytes are asked for here (its image lives in the
    // backend); the const form gives none for a level not yet stored.
    std::uint8_t* level_bits(int level, int face = 0);
    const std::uint8_t* level_bits(int level, int face = 0) const;
    int level_pitch(int level) const;
    // Backends count changes to know when to upload again.
    std::uint32_t revision() const { return revision_; }

protected:
    // Called before a lock hands out the bytes (a render target reads back its image) and
    // after an unlock (a backend uploads the level).
    virtual void before_lock(int /*level*/, int /*face*/) {}
    virtual void after_unlock(int /*level*/, int /*face*/) {}

private:
    int slot(int level, int face) const { return face * levels_ + level; }
    bool valid(int level, int face) const;
    std::size_t level_bytes(int level) const;
    // The slot's bytes, zeroed when first asked for.
    std::uint8_t* stored(std::size_t slot);

    texture_kind kind_;
    int width_, height_, depth_, levels_;
    std::uint32_t usage_, format_, pool_;
    std::vector<std::vector<std::uint8_t>> storage_;  // per face, per level
    std::vector<std::unique_ptr<gfx_surface>> surfaces_;
    std::vector<std::uint8_t> locked_;
    std::uint32_t revision_ = 0;
};

// Vertex and index buffers: plain bytes, locked by range.
class gfx_buffer : public gfx_resource {
public:
    gfx_buffer(int bytes, std::uint32_t usage, std::uint32_t format_or_fvf, std::uint32_t pool);
    ~gfx_buffer() override;

    int size() const { return static_cast<int>(size_); }
    std::uint32_t usage() const { return usage_; }
    std::uint32_t pool() const { return pool_; }
    // offset 0 and size 0 lock the whole buffer.
    hresult lock(int offset, int size, void** out, std::uint32_t flags = 0);
    hresult unlock();
    const std::uint8_t* data() const { return bytes_.get(); }
    std::uint32_t revision() const { return revision_; }

protected:
    std::uint32_t format_;
    virtual void after_unlock() {}

private:
    // Not cleared: a new buffer's contents are undefined until its owner writes them, and
    // the large ones (the terrain's tiles) are written only when a scenario needs them.
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_ = 0;
    std::uint32_t usage_, pool_;
    bool locked_ = false;
    std::uint32_t revision_ = 0;
};

class gfx_vertex_buffer : public gfx_buffer {
public:
    gfx_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf, std::uint32_t pool)
        : gfx_buffer(bytes, usage, fvf, pool) {}
    std::uint32_t fvf() const { return format_; }
};

class gfx_index_buffer : public gfx_buffer {
public:
    gfx_index_buffer(int bytes, std::uint32_t usage, std::uint32_t format, std::uint32_t pool)
        : gfx_buffer(bytes, usage, format, pool) {}
    std::uint32_t format() const { return format_; }  // FMT_INDEX16 or FMT_INDEX32
};

enum class shader_stage { vertex, pixel };

// A shader program written in GLSL against the register arrays vs_c[] and ps_c[] (see the
// device for the prelude every program gets).
class gfx_shader : public gfx_resource {
public:
    gfx_shader(shader_stage stage, std::string source)
        : stage_(stage), source_(std::move(source)) {}
    ~gfx_shader() override;
    shader_stage stage() const { return stage_; }
    const std::string& source() const { return source_; }

private:
    shader_stage stage_;
    std::string source_;
};
