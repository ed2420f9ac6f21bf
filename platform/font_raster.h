// Glyphs of a text face drawn into memory: the fonts of the overlay measure and draw each
// character of their set once into a texture, and the start-up splash writes its caption
// with it. Characters are bytes of the Windows-1252 code page (128..255 included).
//
// A face is asked for as the system's font dialog asks: a cell height in pixels (ascent plus
// descent, not the em size), bold, italic and fixed pitch. The faces come from the Liberation
// family (platform/system, FreeType), whose Sans, Serif and Mono faces have the widths of the
// Windows faces the layouts were measured with; a name the system does not know gets the
// default face (Liberation Sans).
//
// A narrowed face keeps the cell height and draws its glyphs narrower (a width of 0.7 draws
// them at seven tenths of their width): the outlines are scaled before they are rasterised,
// so the advances are the narrowed face's own, and each glyph keeps the ink of the full one
// (its coverage grows as its width shrinks), so thin strokes and points do not fade.
#pragma once

#include <cstdint>
#include <memory>

struct font_request {
    const char* face_name = "";
    int cell_height = 12;      // pixels from the top of the ascent to the bottom of the descent
    bool bold = false;
    bool italic = false;
    bool fixed_pitch = false;
    float width = 1.0f;        // of the glyphs against the face's own, 0.25..1
};

class font_raster {
public:
    virtual ~font_raster() = default;
    // The pen advance and the cell height of one character, in pixels.
    virtual void measure(std::uint8_t ch, int* cx, int* cy) const = 0;
    // Draws one character with the top-left corner of its cell at (x, y) into a buffer of
    // 8-bit coverage (0 none .. 255 full) of width x height bytes, rows `pitch` apart; what
    // falls outside the buffer is cut off. Coverage only grows (brighter pixels stay).
    virtual void draw(std::uint8_t ch, int x, int y, std::uint8_t* coverage, int pitch,
                      int width, int height) const = 0;
};

// The face for a request, or none when no face file can be read.
std::unique_ptr<font_raster> make_font_raster(const font_request& request);

// The Unicode code point of a Windows-1252 byte (the five unassigned bytes map to themselves).
std::uint32_t cp1252_to_unicode(std::uint8_t ch);
