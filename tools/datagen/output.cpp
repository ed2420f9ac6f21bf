#include "output.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
std::string g_root = ".";
}

void set_output_root(const std::string& root) { g_root = root; }

std::string output_path(const std::string& name)
{
    std::string rel = name;
    for (char& c : rel) {
        if (c == '\\') c = '/';
    }
    return g_root + "/" + rel;
}

void write_output(const std::string& name, const bytes& data)
{
    const std::filesystem::path path(output_path(name));
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    const size_t written = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
    const bool closed = std::fclose(f) == 0;
    if (written != data.size() || !closed) {
        std::fprintf(stderr, "datagen: short write on %s\n", path.c_str());
        std::exit(1);
    }
}

void write_output_text(const std::string& name, const std::string& text)
{
    write_output(name, bytes(text.begin(), text.end()));
}

void put_u8(bytes& b, std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
void put_u16(bytes& b, std::uint32_t v)
{
    put_u8(b, v & 0xFF);
    put_u8(b, (v >> 8) & 0xFF);
}
void put_u32(bytes& b, std::uint32_t v)
{
    put_u16(b, v & 0xFFFF);
    put_u16(b, (v >> 16) & 0xFFFF);
}
void put_i16(bytes& b, int v) { put_u16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
void put_text(bytes& b, const char* text)
{
    for (const char* p = text; *p; ++p) put_u8(b, static_cast<unsigned char>(*p));
}
