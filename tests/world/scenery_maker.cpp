#include "tests/world/scenery_maker.h"

#include "platform/text.h"

std::string scenery_header(const test_scenery& s) {
    return format_string(
        "has_depth = %s\r\ndata_type = %s\r\nunits = metres\r\nleft_map_x = %.9g\r\n"
        "lower_map_y = %.9g\r\nright_map_x = %.9g\r\nupper_map_y = %.9g\r\nrows = %d\r\n"
        "columns = %d\r\nreserved = 0\r\ndepth = %.3f\r\nscale = 1.0\r\nno_data = %d\r\n",
        s.depth_word.c_str(), s.type.c_str(), s.west, s.south, s.east, s.north, s.rows, s.columns,
        s.depth_value, s.no_data);
}

std::string scenery_samples(const test_scenery& s) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(s.rows) * s.columns * 2);
    for (int r = 0; r < s.rows; ++r) {
        for (int c = 0; c < s.columns; ++c) {
            const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(s.sample(r, c)));
            bytes.push_back(static_cast<char>(v & 0xFF));
            bytes.push_back(static_cast<char>(v >> 8));
        }
    }
    return bytes;
}

void write_scenery(const temp_folder& tmp, const std::string& name, const test_scenery& s) {
    tmp.write("scenery/" + name + "/" + name + ".hdr", scenery_header(s));
    tmp.write("scenery/" + name + "/" + name + ".bin", scenery_samples(s));
}
