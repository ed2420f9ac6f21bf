// JPEG through libjpeg-turbo. Its default error handler ends the process on corrupt data;
// ours jumps back to the caller, which reports E_BAD_FORMAT. Warnings (a truncated stream,
// damaged entropy data) count as failures too: a picture half grey is not what was stored.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "platform/image.h"

namespace {

struct jpeg_error_state {
    jpeg_error_mgr manager;
    std::jmp_buf resume;
    int warnings;
};

[[noreturn]] void on_error(j_common_ptr info) {
    auto* state = reinterpret_cast<jpeg_error_state*>(info->err);
    std::longjmp(state->resume, 1);
}

void on_message(j_common_ptr info, int level) {
    // Level -1 is a warning about the data; higher levels are trace output.
    if (level < 0) reinterpret_cast<jpeg_error_state*>(info->err)->warnings += 1;
}

void on_output(j_common_ptr) {}

void install_handlers(jpeg_error_state* state) {
    jpeg_std_error(&state->manager);
    state->manager.error_exit = on_error;
    state->manager.emit_message = on_message;
    state->manager.output_message = on_output;
    state->warnings = 0;
}

// Everything that lives across the jump is plain data declared before setjmp.
hresult decode_into(const std::uint8_t* data, std::size_t size, image* picture) {
    jpeg_decompress_struct info;
    jpeg_error_state errors;
    install_handlers(&errors);
    info.err = &errors.manager;
    if (setjmp(errors.resume) != 0) {
        jpeg_destroy_decompress(&info);
        return E_BAD_FORMAT;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !image_size_allowed(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return E_BAD_FORMAT;
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (!image_allocate(picture, static_cast<int>(info.output_width),
                        static_cast<int>(info.output_height))) {
        jpeg_destroy_decompress(&info);
        return E_OUTOFMEMORY;
    }
    while (info.output_scanline < info.output_height && errors.warnings == 0) {
        JSAMPROW row = picture->row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (errors.warnings == 0) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return errors.warnings == 0 ? S_OK : E_BAD_FORMAT;
}

hresult encode_into(const image& picture, int quality, unsigned char** buffer,
                    unsigned long* length) {
    jpeg_compress_struct info;
    jpeg_error_state errors;
    install_handlers(&errors);
    info.err = &errors.manager;
    if (setjmp(errors.resume) != 0) {
        jpeg_destroy_compress(&info);
        return E_FAIL;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, length);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.row(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return S_OK;
}

}  // namespace

hresult jpeg_decode(const std::uint8_t* data, std::size_t size, image* out) {
    *out = image{};
    if (data == nullptr || size < 4) return E_BAD_FORMAT;
    image picture;
    const hresult r = decode_into(data, size, &picture);
    if (failed(r)) return r;
    *out = std::move(picture);
    return S_OK;
}

hresult jpeg_encode(const image& picture, int quality, std::vector<std::uint8_t>* out) {
    out->clear();
    if (!image_size_allowed(picture.width, picture.height) || quality < 1 || quality > 100)
        return E_INVALIDARG;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    const hresult r = encode_into(picture, quality, &buffer, &length);
    if (succeeded(r) && buffer != nullptr) out->assign(buffer, buffer + length);
    std::free(buffer);
    return r;
}
