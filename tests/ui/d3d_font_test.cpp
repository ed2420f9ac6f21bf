// Texture fonts: the glyph texture, laying out and drawing strings, checked on the vertices
// the recording device kept (their pixels are checked on the OpenGL device).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/d3d_app.h"
#include "overlay_fixture.h"
#include "platform/files.h"
#include "platform/image_ops.h"
#include "tests/support/temp_folder.h"

namespace {

// The alpha (0..255) of a texel of the font texture.
int texel_alpha(const d3d_font& f, int x, int y) {
    const std::uint8_t* row = f.texture()->level_bits(0) + static_cast<std::size_t>(y) * f.texture()->level_pitch(0);
    std::uint16_t t;
    std::memcpy(&t, row + 2 * x, 2);
    return (t >> 12) * 17;
}

// Every glyph's cell lies inside the texture and no two cells overlap.
void expect_cells_fit(const d3d_font& f) {
    const float w = static_cast<float>(f.texture_width()), h = static_cast<float>(f.texture_height());
    for (int c = 32; c < 256; ++c) {
        const glyph_rect& g = f.glyph(static_cast<std::uint8_t>(c));
        EXPECT_LE(g.right * w, w + 0.01f) << c;
        EXPECT_LE(g.bottom * h, h + 0.01f) << "character " << c << " runs past the texture";
        EXPECT_GE(g.left, 0.0f);
    }
}

const font_vertex* verts(const recording_device& d, int draw) {
    return reinterpret_cast<const font_vertex*>(d.draws()[static_cast<std::size_t>(draw)].vertices.data());
}

// Advances and ink widths (pixels) of Liberation Sans at a cell height (its Windows ascent
// plus descent), its outlines scaled across by `width` with FreeType's own transform.
struct freetype_glyphs {
    int advance[128] = {};
    int ink[128] = {};
};
bool freetype_measure(int cell, double width, freetype_glyphs* out) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool ok = FT_Init_FreeType(&library) == 0 &&
              FT_New_Face(library, "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", 0, &face) == 0;
    const auto* os2 = ok ? static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)) : nullptr;
    if (os2 != nullptr) {
        const double em = cell * face->units_per_EM / static_cast<double>(os2->usWinAscent + os2->usWinDescent);
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72);
        FT_Matrix across = {static_cast<FT_Fixed>(std::lround(width * 65536)), 0, 0, 0x10000};
        FT_Set_Transform(face, &across, nullptr);
        for (int c = 32; c < 127; ++c) {
            if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER) != 0) continue;
            out->advance[c] = static_cast<int>((face->glyph->advance.x + 32) >> 6);
            out->ink[c] = static_cast<int>(face->glyph->bitmap.width);
        }
    }
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
    return os2 != nullptr;
}

// The columns of a glyph's cell holding ink, the strongest texel's alpha (0..255) and the
// sum of its texels' alphas.
void cell_ink(const d3d_font& f, std::uint8_t c, int* columns, int* strongest, int* total = nullptr) {
    const glyph_rect& g = f.glyph(c);
    const int w = f.texture_width(), h = f.texture_height();
    const int x1 = static_cast<int>(std::lround(g.left * w)), x2 = static_cast<int>(std::lround(g.right * w));
    const int y1 = static_cast<int>(std::lround(g.top * h)), y2 = static_cast<int>(std::lround(g.bottom * h));
    int first = x2, last = x1 - 1;
    *strongest = 0;
    if (total != nullptr) *total = 0;
    for (int x = x1; x < x2; ++x) {
        for (int y = y1; y < y2; ++y) {
            const int a = texel_alpha(f, x, y);
            if (a == 0) continue;
            first = std::min(first, x);
            last = std::max(last, x);
            *strongest = std::max(*strongest, a);
            if (total != nullptr) *total += a;
        }
    }
    *columns = last - first + 1;
}

}  // namespace

// A narrowed font is a face of its own: its glyphs are rasterised at the narrower width, so
// its cells measure what FreeType measures of the outlines scaled across, not the full
// glyphs' cells times the narrowing, and thin strokes and points keep their coverage.
TEST(TextureFont, ANarrowedFontIsRasterisedAtItsOwnWidth) {
    overlay_setup s(640, 480);
    const d3d_font& full = *s.overlay->font(FONT_SMALL);
    ASSERT_EQ(s.overlay->made_font(FONT_SMALL, 6), nullptr);  // made when first asked for
    const d3d_font* narrow = s.overlay->narrowed_font(FONT_SMALL, 6);
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(s.overlay->narrowed_font(FONT_SMALL, 6), narrow);  // and kept
    EXPECT_EQ(s.overlay->made_font(FONT_SMALL, 6), narrow);
    ASSERT_NE(narrow->texture(), nullptr);
    EXPECT_FLOAT_EQ(narrow->width(), 0.7f);
    // The same height: the column it stands in keeps one line height.
    EXPECT_EQ(narrow->pixel_height(), full.pixel_height());
    EXPECT_NEAR((narrow->glyph(' ').bottom - narrow->glyph(' ').top) * narrow->texture_height(), 12.0f, 0.01f);
    expect_cells_fit(*narrow);

    freetype_glyphs wanted;
    ASSERT_TRUE(freetype_measure(12, 0.7, &wanted));
    const char* text = "Chamber Length 4000 refused: at least 80.50 (the charges + 0.5 cm)";
    int cells = 0, freetype = 0, scaled = 0;
    for (const char* t = text; *t != '\0'; ++t) {
        const auto c = static_cast<std::uint8_t>(*t);
        const int cell = static_cast<int>(std::lround((narrow->glyph(c).right - narrow->glyph(c).left) * narrow->texture_width()));
        EXPECT_NEAR(cell, wanted.advance[c], 1) << *t;
        cells += cell;
        freetype += wanted.advance[c];
        scaled += static_cast<int>(std::lround((full.glyph(c).right - full.glyph(c).left) * full.texture_width() * 0.7f));
        if (*t == ' ') continue;
        int columns = 0, strongest = 0;
        cell_ink(*narrow, c, &columns, &strongest);
        EXPECT_NEAR(columns, wanted.ink[c], 1) << *t;
    }
    // The whole line: FreeType's own width within a few pixels.
    EXPECT_NEAR(cells, freetype, 4);
    int extent[2] = {0, 0};
    ASSERT_TRUE(narrow->get_text_extent(text, extent));
    EXPECT_EQ(extent[0], cells);
    EXPECT_EQ(extent[1], 12);
    EXPECT_NE(cells, scaled);  // whole-pixel advances of its own, not the full ones narrowed
    // The points and thin stems keep the ink of the full glyphs (a stem narrowed to 0.7 pixel
    // straddles two pixels, each darker than the full stem's coverage times 0.7 would be).
    for (const std::uint8_t c : {'.', 'i', 'l', ':', 't', '1', 'r', 'n'}) {
        int columns = 0, strongest = 0, ink = 0, full_strongest = 0, full_ink = 0;
        cell_ink(*narrow, c, &columns, &strongest, &ink);
        cell_ink(full, c, &columns, &full_strongest, &full_ink);
        EXPECT_GE(strongest, 153) << c;
        EXPECT_NEAR(static_cast<float>(ink) / static_cast<float>(full_ink), 1.0f, 0.2f) << c;
    }
    // Drawn anew at another scale, the narrowed fonts are made again at it.
    s.overlay->set_gui_scale(1280, 960);
    s.overlay->rescale_fonts();
    EXPECT_EQ(s.overlay->made_font(FONT_SMALL, 6), nullptr);
    EXPECT_EQ(s.overlay->narrowed_font(FONT_SMALL, 6)->pixel_height(), 13);
    EXPECT_EQ(s.overlay->narrowed_font(FONT_SMALL, 0), s.overlay->font(FONT_SMALL));
    EXPECT_EQ(s.overlay->narrowed_font(FONT_SMALL, 11), nullptr);
    EXPECT_EQ(s.overlay->narrowed_font(k_overlay_fonts, 1), nullptr);
}

TEST(TextureFont, GlyphsAreRasterisedIntoAnAlphaTextureWithCellHeightRows) {
    overlay_setup s(1280, 960);
    const d3d_font& f = *s.overlay->font(FONT_NORMAL);
    ASSERT_NE(f.texture(), nullptr);
    // The cell is the whole height of the face: ascent plus descent.
    const glyph_rect& space = f.glyph(' ');
    EXPECT_NEAR((space.bottom - space.top) * f.texture_height(), 16.0f, 0.01f);
    expect_cells_fit(f);
    // The space has no ink; 'M' and the euro sign (byte 128 of Windows-1252) have.
    auto ink = [&](std::uint8_t c) {
        const glyph_rect& g = f.glyph(c);
        int sum = 0;
        for (int y = static_cast<int>(g.top * 256); y < static_cast<int>(g.bottom * 256); ++y)
            for (int x = static_cast<int>(g.left * 256); x < static_cast<int>(g.right * 256); ++x) sum += texel_alpha(f, x, y);
        return sum;
    };
    EXPECT_EQ(ink(' '), 0);
    EXPECT_GT(ink('M'), 0);
    EXPECT_GT(ink(0x80), 0);
    // Texels are white with the glyph's coverage as alpha, or fully zero.
    const std::uint8_t* bits = f.texture()->level_bits(0);
    for (int i = 0; i < 256 * 256; ++i) {
        std::uint16_t t;
        std::memcpy(&t, bits + 2 * i, 2);
        ASSERT_TRUE(t == 0 || (t & 0x0FFF) == 0x0FFF) << i;
    }
    // Sized again at its own scale the font keeps its texture; another scale draws anew.
    d3d_font& font = *s.overlay->font(FONT_NORMAL);
    const gfx_texture* kept = font.texture();
    ASSERT_TRUE(font.create_texture(font.scale()));
    EXPECT_EQ(font.texture(), kept);
    EXPECT_EQ(font.pixel_height(), 16);
    ASSERT_TRUE(font.create_texture(font.scale() * 2));
    EXPECT_EQ(font.pixel_height(), 32);
    EXPECT_NE(font.texture_width(), 256);
}

// A glyph that reaches past the face's ascent or descent (accents over capitals) or past its
// advance is cut at its cell: the texels between the cells stay clear, or the glyph above or
// beside would show a stray mark (a dot under "m" and "p" of a caption).
TEST(TextureFont, NoGlyphMarksTheTexelsOutsideItsCell) {
    for (const auto& size : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        overlay_setup s(size.first, size.second);
        for (int n = 0; n < 6; ++n) {
            const d3d_font& f = *s.overlay->font(n);
            ASSERT_NE(f.texture(), nullptr);
            const int w = f.texture_width(), h = f.texture_height();
            std::vector<char> in_cell(static_cast<std::size_t>(w) * h, 0);
            for (int c = 32; c < 256; ++c) {
                const glyph_rect& g = f.glyph(static_cast<std::uint8_t>(c));
                const int x1 = static_cast<int>(std::lround(g.left * w)), x2 = static_cast<int>(std::lround(g.right * w));
                const int y1 = static_cast<int>(std::lround(g.top * h)), y2 = static_cast<int>(std::lround(g.bottom * h));
                for (int y = y1; y < std::min(y2, h); ++y)
                    for (int x = x1; x < std::min(x2, w); ++x) in_cell[static_cast<std::size_t>(y) * w + x] = 1;
            }
            int stray = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) stray += !in_cell[static_cast<std::size_t>(y) * w + x] && texel_alpha(f, x, y) > 0;
            EXPECT_EQ(stray, 0) << "font " << n << " at " << size.first;
        }
    }
}

TEST(TextureFont, TheTextureGrowsUntilEveryGlyphFitsAtLargeBackBuffers) {
    // At 1920 x 1080 the fonts are drawn at 1.125: the 18-point bold font's 27-pixel rows
    // no longer fit 256 texels and the texture grows instead of losing its upper characters.
    overlay_setup s(1920, 1080);
    for (int n = 0; n < k_overlay_fonts; ++n) {
        const d3d_font& f = *s.overlay->font(n);
        ASSERT_NE(f.texture(), nullptr) << n;
        expect_cells_fit(f);
    }
    const d3d_font& large = *s.overlay->font(FONT_LARGE);
    EXPECT_EQ(large.pixel_height(), 27);
    EXPECT_GT(large.texture_width(), d3d_font::texture_side_for(18));
    EXPECT_EQ(large.texture_width(), large.texture_height());
    // The characters 128..255 drawn last still have texels.
    EXPECT_LT(large.glyph(255).bottom, 1.0f);
}

TEST(TextureFont, AFontLargerThanTheLargestTextureKeepsEveryCellInOrder) {
    // 60 points at scale 2 (160-pixel cells) cannot fit the device's largest texture of 1024
    // texels: the characters past its bottom keep cells below it, in order (they draw no
    // texels), never cells of whatever was in memory.
    present_params p;
    p.back_buffer_width = 640;
    p.back_buffer_height = 480;
    device_caps caps = recording_device::default_caps();
    caps.max_texture_width = caps.max_texture_height = 1024;
    recording_device device(p, caps);
    d3d_font f("NULL", 60, 0);
    f.set_device(&device);
    ASSERT_TRUE(f.create_texture(2.0f));
    EXPECT_EQ(f.texture_width(), 1024);
    float last_top = 0.0f;
    for (int c = 32; c < 256; ++c) {
        const glyph_rect& g = f.glyph(static_cast<std::uint8_t>(c));
        EXPECT_GE(g.top, last_top) << c;
        EXPECT_LE(g.left, g.right) << c;
        EXPECT_LT(g.top, g.bottom) << c;
        last_top = g.top;
    }
    EXPECT_GT(f.glyph(255).top, 1.0f);
}

TEST(TextureFont, LayoutFollowsLineFeedsPaletteBytesAndTheBox) {
    overlay_setup s(640, 480);
    d3d_font& f = *s.overlay->font(FONT_NORMAL);
    const float line = 2 * (f.glyph(' ').bottom - f.glyph(' ').top) * f.texture_height() / 480.0f;

    f.begin_batch();
    f.draw_text_at(0, 0, "A\nB", 0xFFFFFFFFu, 1, 1);
    ASSERT_EQ(f.batch_triangles(), 4);
    const font_vertex* v = f.vertices();
    EXPECT_FLOAT_EQ(v[6].x, v[0].x);                 // B at the start x
    EXPECT_NEAR(v[0].y - v[6].y, line, 1e-6f);       // one line height lower

    f.begin_batch();
    f.draw_text_at(0, 0, "a\x15" "b", 0xFFFFFFFFu, 1, 1);
    ASSERT_EQ(f.batch_triangles(), 4);
    EXPECT_EQ(f.vertices()[0].color, 0xFFFFFFFFu);
    EXPECT_EQ(f.vertices()[6].color, 0xFFFF0000u);   // byte 21: red
    EXPECT_FLOAT_EQ(f.vertices()[6].x, f.vertices()[2].x);  // and it takes no room

    // A glyph whose centre lies outside the box is not drawn, but the pen moves past it.
    f.begin_batch();
    const float wa = 2 * (f.glyph('W').right - f.glyph('W').left) * f.texture_width() / 640.0f;
    f.draw_text(0, 0, wa * 1.4f, 0.5f, "WWW", 0, 0, 0, 1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(f.batch_triangles(), 2);

    // Wrap: the word that would cross the right edge starts the next line; its space is
    // neither drawn nor advanced.
    f.begin_batch();
    const float wide = 2 * 40.0f / 640.0f;  // 40 pixels
    // Lines go downwards from the pen: the pen starts 0.1 below the box's upper edge.
    f.draw_text(0, 0.5f, wide, -0.5f, "ab cdefgh", TEXT_WRAP, 0, -0.1f, 1, 1, 0xFFFFFFFFu);
    const int glyphs = f.batch_triangles() / 2;
    ASSERT_GE(glyphs, 3);
    const font_vertex* w = f.vertices();
    EXPECT_FLOAT_EQ(w[12].x, w[0].x);                  // 'c' at the start x
    EXPECT_NEAR(w[0].y - w[12].y, line, 1e-6f);

    // An empty string adds nothing; an empty batch draws nothing but restores the states.
    f.begin_batch();
    f.draw_text(0, 0, 1, 1, "", TEXT_CENTER, 0, 0, 1, 1, 0xFFFFFFFFu);
    s.device->clear_records();
    f.end_batch();
    EXPECT_TRUE(s.device->draws().empty());
    EXPECT_EQ(s.device->sampler_state(0, SAMP_MINFILTER), static_cast<std::uint32_t>(TEXF_LINEAR));
    EXPECT_EQ(s.device->texture(0), nullptr);
}

TEST(TextureFont, TheStoreDropsGlyphsBeyondItsRoomAndBadInputIsRefused) {
    overlay_setup s(640, 480);
    d3d_font& f = *s.overlay->font(FONT_SMALL);
    // The store has its whole room from the font's making: laying out never moves it.
    EXPECT_EQ(f.store_size(), static_cast<std::size_t>(d3d_font::k_store_vertices));
    const font_vertex* store = f.vertices();
    const std::string many(12000, 'x');
    f.begin_batch();
    f.draw_text_at(0, 0, many.c_str(), 0xFFFFFFFFu, 1, 1);
    EXPECT_EQ(f.batch_triangles(), 2 * 10239);
    EXPECT_EQ(f.vertices(), store);
    EXPECT_EQ(f.store_size(), static_cast<std::size_t>(d3d_font::k_store_vertices));
    f.draw_text_at(0, 0, "more", 0xFFFFFFFFu, 1, 1);
    EXPECT_EQ(f.batch_triangles(), 2 * 10239);
    f.end_batch();
    EXPECT_EQ(s.device->draws().back().primitive_count, 2 * 10239);

    int size[2] = {7, 7};
    EXPECT_FALSE(f.get_text_extent(nullptr, size));
    EXPECT_FALSE(f.get_text_extent("x", nullptr));
    f.draw_text_at(0, 0, nullptr, 0xFFFFFFFFu, 1, 1);  // nothing, no crash

    // Bytes 128..255 take no room in the measured extent (they have glyphs all the same).
    int a[2], b[2];
    f.get_text_extent("ab", a);
    f.get_text_extent("a\xE9\xFF" "b", b);
    EXPECT_EQ(a[0], b[0]);
}

TEST(TextureFont, WithoutADeviceOrFaceNothingIsDrawn) {
    d3d_font f("NULL", 12, 0);
    EXPECT_FALSE(f.create_texture(1.0f));
    EXPECT_EQ(f.texture(), nullptr);
    f.begin_batch();
    f.draw_text_at(0, 0, "abc", 0xFFFFFFFFu, 1, 1);
    EXPECT_EQ(f.batch_triangles(), 0);
    f.end_batch();

    overlay_setup s(640, 480, false);
    s.device->create_result = E_OUTOFMEMORY;
    d3d_font g("NULL", 12, 0);
    g.set_device(s.device.get());
    EXPECT_FALSE(g.create_texture(1.0f));
    EXPECT_EQ(g.texture(), nullptr);
}

TEST(TextureFont, CacheFilesRoundTripAndBadFilesAreRefused) {
    temp_folder folder;
    ASSERT_TRUE(fs_make_folder("graphics"));
    overlay_setup s(1280, 960);
    const d3d_font& made = *s.overlay->font(FONT_MEDIUM);
    made.save_cache("medium");
    EXPECT_EQ(fs_file_size("graphics\\medium.ddx"), d3d_font::k_cache_file_size);

    d3d_font loaded("other", 9, 0);
    loaded.set_device(s.device.get());
    ASSERT_TRUE(loaded.load_cache("medium"));
    EXPECT_STREQ(loaded.face_name(), "NULL");
    EXPECT_EQ(loaded.height(), 14u);
    EXPECT_EQ(loaded.flags(), static_cast<std::uint32_t>(FONT_BOLD));
    EXPECT_EQ(loaded.texture_width(), made.texture_width());
    EXPECT_FLOAT_EQ(loaded.scale(), 1.0f);
    for (int c = 32; c < 256; ++c) {
        EXPECT_FLOAT_EQ(loaded.glyph(static_cast<std::uint8_t>(c)).right, made.glyph(static_cast<std::uint8_t>(c)).right);
    }
    // The texels come back as they were.
    const int bytes = made.texture()->level_pitch(0) * made.texture_height();
    EXPECT_EQ(std::memcmp(loaded.texture()->level_bits(0), made.texture()->level_bits(0),
                          static_cast<std::size_t>(bytes)), 0);

    // A missing or short file leaves the font as it was.
    d3d_font other("kept", 10, 0);
    other.set_device(s.device.get());
    EXPECT_FALSE(other.load_cache("absent"));
    std::vector<std::uint8_t> ddx;
    ASSERT_TRUE(fs_read("graphics\\medium.ddx", &ddx));
    ASSERT_TRUE(fs_write("graphics\\medium.ddx", ddx.data(), 100));
    EXPECT_FALSE(other.load_cache("medium"));
    // A table made for another texture size is refused.
    const std::vector<std::uint8_t> good = ddx;
    ddx[88] = 0x00;
    ddx[89] = 0x08;  // 2048
    ASSERT_TRUE(fs_write("graphics\\medium.ddx", ddx.data(), ddx.size()));
    EXPECT_FALSE(other.load_cache("medium"));
    // A glyph cell far outside the texture (its measures overflow an int) or a point size no
    // font is drawn at is refused with a line naming the file.
    d3d_app app;
    g_app = &app;
    for (const std::size_t at : {std::size_t{100 + 16 * 33 + 11}, std::size_t{83}}) {
        ddx = good;
        ddx[at] = 0x75;  // the right edge of "A" about 4e32, or a point size above 1.9e9
        ASSERT_TRUE(fs_write("graphics\\medium.ddx", ddx.data(), ddx.size()));
        EXPECT_FALSE(other.load_cache("medium")) << at;
    }
    EXPECT_NE(std::string(app.log_text()).find("Font cache graphics\\medium.ddx refused"), std::string::npos);
    g_app = nullptr;
    EXPECT_STREQ(other.face_name(), "kept");
    EXPECT_EQ(other.texture(), nullptr);
}
