#include "platform/results.h"

#include <cstdio>

namespace {

struct named_result {
    hresult code;
    const char* name;
};

constexpr named_result k_names[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {E_FAIL, "E_FAIL"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_POINTER, "E_POINTER"},
    {D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL"},
    {D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE"},
    {D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY"},
    {D3DERR_DEVICELOST, "D3DERR_DEVICELOST"},
    {D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET"},
    {D3DERR_NOTFOUND, "D3DERR_NOTFOUND"},
    {D3DERR_WASSTILLDRAWING, "D3DERR_WASSTILLDRAWING"},
    {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"},
    {E_GL_FAILED, "E_GL_FAILED"},
    {E_GL_SHADER, "E_GL_SHADER"},
    {E_GL_FRAMEBUFFER, "E_GL_FRAMEBUFFER"},
    {E_AL_FAILED, "E_AL_FAILED"},
    {E_AL_NO_DEVICE, "E_AL_NO_DEVICE"},
    {E_FILE_NOT_FOUND, "E_FILE_NOT_FOUND"},
    {E_FILE_READ, "E_FILE_READ"},
    {E_FILE_WRITE, "E_FILE_WRITE"},
    {E_BAD_FORMAT, "E_BAD_FORMAT"},
    {E_PICTURE_TOO_LARGE, "E_PICTURE_TOO_LARGE"},
    {E_NO_WINDOW, "E_NO_WINDOW"},
};

}  // namespace

const char* result_name(hresult r) {
    for (const named_result& n : k_names) {
        if (n.code == r) return n.name;
    }
    static char unknown[16];
    std::snprintf(unknown, sizeof unknown, "0x%08X", static_cast<unsigned>(r));
    return unknown;
}
