#include "world/scenery_bitmaps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/results.h"
#include "platform/text.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "terrain";

namespace {

constexpr int k_file_header = 14;
constexpr int k_info_header = 40;
constexpr int k_data_offset = 1078;  // both headers and 256 palette entries of 4 bytes

void put_u16(std::vector<std::uint8_t>* b, int at, std::uint32_t v) {
    (*b)[at] = static_cast<std::uint8_t>(v & 0xFF);
    (*b)[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void put_u32(std::vector<std::uint8_t>* b, int at, std::uint32_t v) {
    put_u16(b, at, v & 0xFFFF);
    put_u16(b, at + 2, v >> 16);
}

std::uint32_t get_u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t get_u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// File and info headers of an 8-bit bitmap; the palette is left to the caller.
void put_headers(std::vector<std::uint8_t>* b, int width, int height, int stride) {
    const std::uint32_t image = static_cast<std::uint32_t>(height) * stride;
    put_u16(b, 0, 0x4D42);
    put_u32(b, 2, image + k_data_offset);
    put_u32(b, 10, k_data_offset);
    put_u32(b, k_file_header, k_info_header);
    put_u32(b, k_file_header + 4, static_cast<std::uint32_t>(width));
    put_u32(b, k_file_header + 8, static_cast<std::uint32_t>(height));
    put_u16(b, k_file_header + 12, 1);
    put_u16(b, k_file_header + 14, 8);
    put_u32(b, k_file_header + 16, 0);
    put_u32(b, k_file_header + 20, image);
}

void put_palette_entry(std::vector<std::uint8_t>* b, int i, int red, int green, int blue) {
    const int at = k_file_header + k_info_header + 4 * i;
    (*b)[at] = static_cast<std::uint8_t>(blue);
    (*b)[at + 1] = static_cast<std::uint8_t>(green);
    (*b)[at + 2] = static_cast<std::uint8_t>(red);
    (*b)[at + 3] = 0;
}

// Land classes run 0..15; a larger byte in "txt.bmp" is not one this program wrote.
constexpr int k_class_limit = 16;

// fs_write replaces the target only after a complete write, so a failed one leaves the old file.
bool write_whole_file(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::string error;
    if (fs_write(name, bytes.data(), bytes.size(), &error)) return true;
    log_line("Could not write %s: %s", name, error.c_str());
    return false;
}

// The layout of "txt.bmp" as its headers state it; fault says why it is refused.
bool class_layout_fits(const std::vector<std::uint8_t>& file, int columns, int rows,
                       std::size_t* data_offset, std::string* fault) {
    if (file.size() < static_cast<std::size_t>(k_file_header + k_info_header) ||
        get_u16(file, 0) != 0x4D42 || get_u32(file, k_file_header) < k_info_header ||
        get_u16(file, k_file_header + 14) != 8 || get_u32(file, k_file_header + 16) != 0) {
        *fault = "not an uncompressed 8-bit bitmap";
        return false;
    }
    const long long width = static_cast<std::int32_t>(get_u32(file, k_file_header + 4));
    const long long height = static_cast<std::int32_t>(get_u32(file, k_file_header + 8));
    if (width != columns || height != rows) {
        *fault = format_string("%lld x %lld pixels for a %d x %d grid", width, height, columns, rows);
        return false;
    }
    *data_offset = get_u32(file, 10);
    const long long stride = (width + 3) / 4 * 4;
    // The last row is read from one byte after its usual place and needs no padding.
    const long long needed = static_cast<long long>(*data_offset) + 1 + (height - 1) * stride + width;
    if (*data_offset < static_cast<std::size_t>(k_file_header + k_info_header) ||
        needed > static_cast<long long>(file.size())) {
        *fault = format_string("cut short (%zu bytes, %lld needed)", file.size(), needed);
        return false;
    }
    return true;
}

}  // namespace

bool write_class_bitmap(const char* name, const std::uint8_t* map, int columns, int rows) {
    if (map == nullptr || columns <= 0 || rows <= 0) return false;
    const int stride = (columns + 3) / 4 * 4;
    // One byte more than the header states: every row sits one byte after its usual place.
    std::vector<std::uint8_t> b(k_data_offset + static_cast<std::size_t>(rows) * stride + 1, 0);
    put_headers(&b, columns, rows, stride);
    put_palette_entry(&b, 0, 31, 91, 165);
    for (int i = 1; i < 16; ++i) put_palette_entry(&b, i, 16 * i, std::min(32 * i, 255), 0);
    for (int i = 16; i < 256; ++i) put_palette_entry(&b, i, i, i, i);
    for (int r = 0; r < rows; ++r) {
        std::memcpy(b.data() + k_data_offset + 1 + static_cast<std::size_t>(r) * stride,
                    map + static_cast<std::size_t>(r) * columns, static_cast<std::size_t>(columns));
    }
    return write_whole_file(name, b);
}

bool read_class_bitmap(const char* name, std::uint8_t* map, int columns, int rows, std::string* fault) {
    fault->clear();
    std::vector<std::uint8_t> file;
    if (map == nullptr || columns <= 0 || rows <= 0 || !fs_read(name, &file)) return false;
    std::size_t data_offset = 0;
    if (!class_layout_fits(file, columns, rows, &data_offset, fault)) return false;
    const std::size_t stride = static_cast<std::size_t>(columns + 3) / 4 * 4;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = file.data() + data_offset + 1 + r * stride;
        for (int c = 0; c < columns; ++c) {
            if (row[c] >= k_class_limit) {
                *fault = format_string("land class %d at row %d, column %d", row[c], r, c);
                return false;
            }
        }
        std::memcpy(map + static_cast<std::size_t>(r) * columns, row, static_cast<std::size_t>(columns));
    }
    return true;
}

bool write_water_bitmap(const char* name, const std::uint8_t* map, int width, int height) {
    if (map == nullptr || width <= 0 || height <= 0) return false;
    indexed_image picture;
    picture.width = (width + 3) / 4 * 4;
    picture.height = height;
    for (int i = 0; i < 256; ++i) picture.palette[i] = static_cast<std::uint32_t>(i * 0x010101);
    picture.indices.assign(static_cast<std::size_t>(picture.width) * height, 0);
    // File row r (bottom-up: picture row height - 1 - r) is the padded row length of bytes of
    // the map from the start of its row r: the padding repeats the start of the next row, and
    // bytes past the map's end stay 0.
    const std::size_t total = static_cast<std::size_t>(width) * height;
    for (int r = 0; r < height; ++r) {
        std::uint8_t* row = picture.indices.data() + static_cast<std::size_t>(height - 1 - r) * picture.width;
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t from = static_cast<std::size_t>(r) * width + x;
            if (from < total) row[x] = map[from];
        }
    }
    std::vector<std::uint8_t> file;
    if (!CHECK_HR(bmp_encode_indexed(picture, &file))) return false;
    return write_whole_file(name, file);
}

bool read_water_bitmap(const char* name, std::uint8_t* map, int width, int height, std::string* fault) {
    fault->clear();
    std::vector<std::uint8_t> file;
    if (map == nullptr || width <= 0 || height <= 0 || !fs_read(name, &file)) return false;
    indexed_image picture;
    const hresult r = bmp_decode_indexed(file.data(), file.size(), &picture);
    if (r != S_OK) {
        *fault = format_string("not a whole 8-bit bitmap (%s)", result_name(r));
        return false;
    }
    // Written with the padded row length as its width; a plain width-wide picture is as good.
    const int padded = (width + 3) / 4 * 4;
    if (picture.height != height || picture.width < width || picture.width > padded) {
        *fault = format_string("%d x %d pixels for a %d x %d water map", picture.width,
                               picture.height, width, height);
        return false;
    }
    for (int i = 0; i < height; ++i) {
        const std::uint8_t* row = picture.indices.data() + static_cast<std::size_t>(height - 1 - i) * picture.width;
        std::memcpy(map + static_cast<std::size_t>(i) * width, row, static_cast<std::size_t>(width));
    }
    return true;
}
