// Textures made from picture files on the graphics device: the "texture from file" the game
// calls everywhere (a size, a format, a colour key, a mip chain), saving a texture as a
// picture (situation snapshots, scenery maps), and the application object's texture helpers.
// Every texture made here is managed: its texels live in memory and survive a device reset.
#pragma once

#include <cstdint>
#include <vector>

#include "core/texture_cache.h"
#include "platform/gfx_device.h"
#include "platform/texture_image.h"

// The request's max_size is taken from the device when it is left at 0.
hresult create_texture_from_image(gfx_device* device, const texture_image& levels,
                                  std::uint32_t pool, texture_ptr* out);
hresult load_texture_from_file(gfx_device* device, const char* name,
                               const texture_request& request, texture_ptr* out);
// For bytes that stay as they are while the program runs (the embedded resources): the
// levels built last are kept until the same bytes come again with the same request, so a
// picture loaded twice in a row (the loading screen's and the main menu's background) is
// decoded once. Bytes that changed under the same address are told apart by their hash.
hresult load_texture_from_memory(gfx_device* device, const std::uint8_t* data, std::size_t size,
                                 const texture_request& request, texture_ptr* out);

// Reads a level (and cube face) of a texture back as B,G,R,A (any format the image layer
// packs; E_BAD_FORMAT for others).
hresult read_texture_level(gfx_texture* texture, int level, int face, image* out);
// Saves level 0 as a picture file; the kind follows the name (".jpg" JPEG, ".bmp", ".png",
// ".dds"). A texture whose format holds no alpha is saved opaque.
hresult save_texture_to_file(gfx_texture* texture, const char* name);

// The helpers of the application object.
// A one-level managed A8R8G8B8 texture, every texel the colour when `fill` is set.
bool create_filled_texture(gfx_device* device, texture_ptr* out, int width, int height,
                           bool fill, std::uint32_t color);
// One level of the given format; the picture's size rounded up to a power of two.
bool load_texture_as(gfx_device* device, const char* name, texture_ptr* out, std::uint32_t format);
// One level in the file's own format.
bool load_texture_file(gfx_device* device, const char* name, texture_ptr* out);
// A V8U8 bump map from a picture read as A8R8G8B8 with opaque black keyed out: one level, or
// the full chain when `mipmapped`; `direct` takes du, dv from blue and red, otherwise from
// the differences of neighbouring blue values.
bool load_bump_texture(gfx_device* device, const char* name, texture_ptr* out, bool mipmapped,
                       bool direct);
// Splits the picture into columns x rows one-level A8R8G8B8 textures, column by column.
bool load_texture_tiles(gfx_device* device, const char* name, std::vector<texture_ptr>* out,
                        int columns, int rows);

// The texture cache's loader on a device: textures it makes belong to the cache.
class device_texture_loader : public texture_loader {
public:
    explicit device_texture_loader(gfx_device* device) : device_(device) {}
    gfx_texture* load(const char* name, const texture_request& request) override;
    bool lock_first_level(gfx_texture* texture, std::uint8_t** bits, int* pitch, int* width,
                          int* height) override;
    void unlock_first_level(gfx_texture* texture) override;
    void release(gfx_texture* texture) override;

private:
    gfx_device* device_;
};
