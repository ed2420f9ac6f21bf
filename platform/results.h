// Result codes of every call that can fail. The numeric values of the well-known codes are
// kept as the game and its stored files know them; the codes of our own backends (GL, AL,
// files, images, models) live in the facility 0x8AF0.
#pragma once

#include <cstdint>

using hresult = std::int32_t;

constexpr hresult S_OK = 0;
constexpr hresult S_FALSE = 1;
constexpr hresult E_FAIL = static_cast<hresult>(0x80004005u);
constexpr hresult E_OUTOFMEMORY = static_cast<hresult>(0x8007000Eu);
constexpr hresult E_INVALIDARG = static_cast<hresult>(0x80070057u);
constexpr hresult E_NOTIMPL = static_cast<hresult>(0x80004001u);
constexpr hresult E_POINTER = static_cast<hresult>(0x80004003u);

// Device results of the graphics layer.
constexpr hresult D3DERR_INVALIDCALL = static_cast<hresult>(0x8876086Cu);
constexpr hresult D3DERR_NOTAVAILABLE = static_cast<hresult>(0x8876086Au);
constexpr hresult D3DERR_OUTOFVIDEOMEMORY = static_cast<hresult>(0x8876017Cu);
constexpr hresult D3DERR_DEVICELOST = static_cast<hresult>(0x88760868u);
constexpr hresult D3DERR_DEVICENOTRESET = static_cast<hresult>(0x88760869u);
constexpr hresult D3DERR_NOTFOUND = static_cast<hresult>(0x88760866u);
constexpr hresult D3DERR_WASSTILLDRAWING = static_cast<hresult>(0x8876021Cu);
constexpr hresult D3DXERR_INVALIDDATA = static_cast<hresult>(0x88760B59u);

// Results of our own backends.
constexpr hresult E_GL_FAILED = static_cast<hresult>(0x8AF00001u);
constexpr hresult E_GL_SHADER = static_cast<hresult>(0x8AF00002u);
constexpr hresult E_GL_FRAMEBUFFER = static_cast<hresult>(0x8AF00003u);
constexpr hresult E_AL_FAILED = static_cast<hresult>(0x8AF00010u);
constexpr hresult E_AL_NO_DEVICE = static_cast<hresult>(0x8AF00011u);
constexpr hresult E_FILE_NOT_FOUND = static_cast<hresult>(0x8AF00020u);
constexpr hresult E_FILE_READ = static_cast<hresult>(0x8AF00021u);
constexpr hresult E_FILE_WRITE = static_cast<hresult>(0x8AF00022u);
constexpr hresult E_BAD_FORMAT = static_cast<hresult>(0x8AF00023u);
// A picture whose header declares more pixels than its data can hold.
constexpr hresult E_PICTURE_TOO_LARGE = static_cast<hresult>(0x8AF00024u);
constexpr hresult E_NO_WINDOW = static_cast<hresult>(0x8AF00030u);

inline bool succeeded(hresult r) { return r >= 0; }
inline bool failed(hresult r) { return r < 0; }

// The printable name of a result ("S_FALSE", "E_FAIL", ...); unknown codes come back as
// their hexadecimal value, formatted into a per-call static buffer.
const char* result_name(hresult r);
