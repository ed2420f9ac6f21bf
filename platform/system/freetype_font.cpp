// Faces of the Liberation family rasterised with FreeType, sized as the system's fonts are: the
// requested height is the cell (the face's Windows ascent plus descent), not the em size.
// Liberation Sans, Serif and Mono keep the advance widths of the Windows faces the GUI's boxes
// were measured for, so a caption takes the room it was laid out with.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/font_raster.h"

namespace {

constexpr const char* k_font_folder = "/usr/share/fonts/truetype/liberation2/";

// The file of a request: the fixed-pitch face for fixed pitch, serif for a serif name,
// the sans face otherwise (the default face stands in for unknown names such as "NULL").
std::string face_file(const font_request& request) {
    std::string family = "LiberationSans";
    std::string name = request.face_name ? request.face_name : "";
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool serif = name.find("times") != std::string::npos ||
                       (name.find("serif") != std::string::npos &&
                        name.find("sans") == std::string::npos);
    const bool mono = request.fixed_pitch || name.find("courier") != std::string::npos ||
                      name.find("mono") != std::string::npos;
    if (mono) family = "LiberationMono";
    else if (serif) family = "LiberationSerif";
    std::string style;
    if (request.bold) style += "Bold";
    if (request.italic) style += "Italic";
    return std::string(k_font_folder) + family + "-" + (style.empty() ? "Regular" : style) + ".ttf";
}

class freetype_font : public font_raster {
public:
    ~freetype_font() override {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    bool open(const font_request& request) {
        if (FT_Init_FreeType(&library_) != 0) return false;
        if (FT_New_Face(library_, face_file(request).c_str(), 0, &face_) != 0) return false;
        cell_ = std::max(1, request.cell_height);
        // The Windows metrics of the face; hhea values where the face has no OS/2 table.
        double ascent = face_->ascender, descent = -face_->descender;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
        const double em = cell_ * face_->units_per_EM / (ascent + descent);
        // A narrowed face is sized narrower across than high, so its outlines, advances and
        // hinting are those of the narrower size (not the full glyphs' pixels squeezed later).
        double width = 1.0;
        if (request.width < 1.0f) width = std::max(0.25, static_cast<double>(request.width));
        // 72 dots per inch: one point is one pixel; sizes are in 1/64 pixel.
        if (FT_Set_Char_Size(face_, static_cast<FT_F26Dot6>(std::lround(em * width * 64)),
                             static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72) != 0) {
            return false;
        }
        ascent_px_ = static_cast<int>(std::lround(ascent * em / face_->units_per_EM));
        // A narrowed glyph keeps the ink of the full one: its stems, narrower than a pixel,
        // would otherwise straddle two pixels at under half coverage each and read faint
        // beside the letters round them, and its points fade.
        ink_gain_ = static_cast<int>(std::lround(256.0 / width));
        for (int c = 0; c < 256; ++c) {
            advance_[c] = 0;
            if (load(static_cast<std::uint8_t>(c), false)) {
                advance_[c] = static_cast<int>((face_->glyph->advance.x + 32) >> 6);
            }
        }
        return true;
    }

    void measure(std::uint8_t ch, int* cx, int* cy) const override {
        if (cx) *cx = advance_[ch];
        if (cy) *cy = cell_;
    }

    void draw(std::uint8_t ch, int x, int y, std::uint8_t* coverage, int pitch, int width,
              int height) const override {
        if (!coverage || !load(ch, true)) return;
        const FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        const int left = x + slot->bitmap_left;
        const int top = y + ascent_px_ - slot->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r) {
            const int py = top + static_cast<int>(r);
            if (py < 0 || py >= height) continue;
            const unsigned char* src = bm.buffer + static_cast<long>(r) * bm.pitch;
            for (unsigned c = 0; c < bm.width; ++c) {
                const int px = left + static_cast<int>(c);
                if (px < 0 || px >= width) continue;
                std::uint8_t& dst = coverage[static_cast<long>(py) * pitch + px];
                const int inked = std::min(255, src[c] * ink_gain_ / 256);
                dst = std::max(dst, static_cast<std::uint8_t>(inked));
            }
        }
    }

private:
    bool load(std::uint8_t ch, bool render) const {
        const FT_UInt index = FT_Get_Char_Index(face_, cp1252_to_unicode(ch));
        const FT_Int32 flags = render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT;
        if (FT_Load_Glyph(face_, index, flags) != 0) return false;
        return !render || face_->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    int cell_ = 12;
    int ascent_px_ = 0;
    int ink_gain_ = 256;  // of the coverage, in 1/256: 256 over the face's width
    int advance_[256] = {};
};

}  // namespace

std::unique_ptr<font_raster> make_font_raster(const font_request& request) {
    auto font = std::make_unique<freetype_font>();
    if (!font->open(request)) return nullptr;
    return font;
}
