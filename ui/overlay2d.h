// The one 2-D drawing object: the six texture fonts all GUI text uses, the scale factors
// that tie GUI units to pixels, the immediate drawing primitives, the clip planes that keep
// a view's drawing inside its window, and the loading picture with its captions.
//
// GUI coordinates have x to the right, y up and the back buffer's centre at 0. The GUI view
// transform scales by 640 / W and 480 / H for a back buffer of W x H pixels, so one GUI unit
// is 320 pixels across and 240 pixels up at any size, and the visible area spans
// +-gui_scale (W / 640, H / 480): exactly -1..1 on a 640 x 480 back buffer, the virtual
// screen of the conversions below. One of the program's eight global objects.
#pragma once

#include <cstdint>
#include <memory>

#include "core/loading_display.h"
#include "platform/gfx_device.h"
#include "platform/image.h"
#include "platform/splash_window.h"
#include "ui/d3d_font.h"
#include "ui/marker_geometry.h"

class font_raster;

// A vertex of the untextured primitives: position and A8R8G8B8 colour.
struct overlay_vertex {
    float x, y, z;
    std::uint32_t color;
};
constexpr std::uint32_t k_overlay_vertex_fvf = FVF_XYZ | FVF_DIFFUSE;
static_assert(sizeof(overlay_vertex) == 16);

// The overlay's fonts by number.
enum : int {
    FONT_NORMAL = 0,       // 12 points
    FONT_BOLD_TEXT = 1,    // 12 points bold
    FONT_FIXED = 2,        // 12 points fixed pitch
    FONT_LARGE = 3,        // 18 points bold, large captions
    FONT_MEDIUM = 4,       // 14 points bold, medium captions
    FONT_SMALL = 5,        // 10 points, small text and graph labels
    k_overlay_fonts = 6,
};

// The program's own pictures among the embedded resources.
constexpr int IDB_SPLASH = 171;         // the start-up splash, 350 x 280
constexpr int IDR_BACKGROUND = 173;     // the loading and main menu background

// The state of the loading picture.
struct loading_screen {
    std::uint8_t active = 0;            // the device draws the loading frames
    std::uint8_t splash = 0;            // the start-up splash is shown (no device yet)
    std::uint32_t progress = 0;         // ms, 0..9,999: the bar fills in 10 s and restarts
    std::uint32_t last_tick = 0;
    std::uint32_t previous_tick = 0;
};

class overlay2d : public loading_display {
public:
    static constexpr int k_scratch_vertices = 256;
    static constexpr int k_max_arc_steps = 128;        // line strip: two vertices a step
    static constexpr int k_max_fill_arc_steps = 85;    // triangle list: three a step

    // Makes the six fonts (no textures yet) and installs itself as the loading display.
    overlay2d();
    ~overlay2d() override;
    overlay2d(const overlay2d&) = delete;
    overlay2d& operator=(const overlay2d&) = delete;

    // The device drawn with: the application object's, unless one is given here (tests, or
    // none to follow the application object again). A change of device releases the
    // textures made on the old one, which must go before it.
    void set_device(gfx_device* device);
    gfx_device* device() const;

    // After the device exists or was reset: the background picture, then the fonts.
    void restore();
    // Draws the fonts anew for the current GUI scale (at half the smaller factor).
    void rescale_fonts();
    // Releases the background and the font textures (shutdown; harmless twice).
    void release();
    // The GUI scale for a back buffer of this size: W / 640 and H / 480.
    void set_gui_scale(int back_buffer_width, int back_buffer_height);
    // The GUI view transform: a scaling by 640 / W, 480 / H and 1.
    mat4 gui_view_matrix() const;
    // Text scale from the current world transform, so text keeps its pixel size under a
    // world transform that scales the GUI.
    void update_scale();

    // Virtual-screen pixels (640 x 480, y down) of GUI coordinates, truncated toward zero.
    static int to_virtual_x(float x);
    static int to_virtual_y(float y);
    static int to_pixels_y(float y);
    static int to_pixels_y_down(float y);

    // Batched text: begin_text (n), any draws with font n, end_text (n); other numbers do
    // nothing.
    void begin_text(int font);
    void end_text(int font);
    void draw_text(float x1, float y1, float x2, float y2, const char* text, float r, float g,
                   float b, float a, bool bold, std::uint32_t flags);
    void draw_text_font_box(float x1, float y1, float x2, float y2, const char* text,
                            std::uint32_t color, float sx, float sy, int font,
                            std::uint32_t flags);
    void draw_text_font(float x, float y, const char* text, std::uint32_t color, float sx,
                        float sy, int font);
    // Immediate text.
    void draw_text_in_box(float x1, float y1, float x2, float y2, const char* text, float r,
                          float g, float b, float a, bool bold, std::uint32_t flags);
    void draw_text_in_box_font(float x1, float y1, float x2, float y2, const char* text,
                               std::uint32_t color, float sx, float sy, int font,
                               std::uint32_t flags);
    void draw_text_in_box_sized(float x1, float y1, float x2, float y2, const char* text,
                                std::uint32_t color, float size, bool bold,
                                std::uint32_t flags);

    // Four user clip planes around the box (GUI units, current world transform).
    void set_clip_planes(float x1, float y1, float x2, float y2);
    void disable_clip_planes();

    // --- Primitives: GUI units under the caller's transforms; one draw each ---
    void draw_line(float x1, float y1, float x2, float y2, std::uint32_t color);
    void draw_rect(float x1, float y1, float x2, float y2, std::uint32_t color);
    void fill_rect(float x1, float y1, float x2, float y2, std::uint32_t color);
    // Colour 1 on the y1 edge, colour 2 on the y2 edge.
    void fill_rect_gradient(float x1, float y1, float x2, float y2, std::uint32_t color1,
                            std::uint32_t color2);
    void draw_bevel_frame(float x1, float y1, float x2, float y2, bool raised,
                          std::uint32_t color_a, std::uint32_t color_b);
    void draw_note_box(float x1, float y1, float x2, float y2, const char* text);
    void draw_cross(float x, float y, float half_width, float half_height, std::uint32_t color);
    void draw_box_crosshair(float x1, float y1, float x2, float y2, float dx, float dy,
                            std::uint32_t color);
    void fill_x_mark(float x1, float y1, float x2, float y2, std::uint32_t color);
    // Triangles pointing to one edge of the box; inset shrinks them inside it.
    void fill_triangle_to_y1(float x1, float y1, float x2, float y2, std::uint32_t color,
                             bool inset);
    void fill_triangle_to_y2(float x1, float y1, float x2, float y2, std::uint32_t color,
                             bool inset);
    void fill_triangle_to_x1(float x1, float y1, float x2, float y2, std::uint32_t color,
                             bool inset);
    void fill_triangle_to_x2(float x1, float y1, float x2, float y2, std::uint32_t color,
                             bool inset);
    void fill_down_chevron(float x1, float y1, float x2, float y2, std::uint32_t color);
    void draw_tab(float x1, float y1, float x2, float y2, std::uint32_t color1,
                  std::uint32_t color2, std::uint32_t outline);
    // Circles: point (cx + k r cos t, cy + r sin t); `steps` may be fractional.
    void draw_arc(float cx, float cy, float r, std::uint32_t color, float steps, float start,
                  float x_factor);
    void fill_arc(float cx, float cy, float r, std::uint32_t color, float steps, float start,
                  float x_factor);
    // Markers: point (cx - r sin t, cy + 4/3 r cos t), angle 0 up, counter-clockwise.
    void draw_direction_triangle(float cx, float cy, float size, float angle,
                                 std::uint32_t color);
    void fill_dart(float cx, float cy, float r, float y_factor, float angle,
                   std::uint32_t color);
    void fill_wedge(float cx, float cy, float r, float direction, std::uint32_t color,
                    float half_angle);
    // Outlines of the dart (tip, barb, centre, barb, tip) and of the wedge (centre, both
    // ends of its arc, centre).
    void draw_dart(float cx, float cy, float r, float y_factor, float angle,
                   std::uint32_t color);
    void draw_wedge(float cx, float cy, float r, float direction, std::uint32_t color,
                    float half_angle);
    // A filled arrowhead: the tip at the direction, the barbs 2.4 rad either side of it.
    void fill_arrowhead(float cx, float cy, float r, float direction, std::uint32_t color);
    // A box of half-sizes hw, hh turned about its centre (as the turned textured quad):
    // outline and filled.
    void draw_rotated_rect(float cx, float cy, float half_width, float half_height,
                           float angle, std::uint32_t color);
    void fill_rotated_rect(float cx, float cy, float half_width, float half_height,
                           float angle, std::uint32_t color);
    // A filled silhouette of a flying body (marker_geometry.h), nose up at angle 0.
    void fill_silhouette(float cx, float cy, float width, float height, float angle,
                         std::uint32_t color);
    // A heading scale over the box: the heading (degrees) in the middle, `span` degrees
    // across (at most 90), a tick up from y1 every 10 degrees labelled "%03d" above it.
    void draw_heading_tape(float x1, float y1, float x2, float y2, float heading, float span,
                           std::uint32_t color);
    // 3-D helpers in the caller's world.
    void draw_3d_cross(float x, float y, float z, float half_size, std::uint32_t color);
    void draw_box_3d(float x1, float y1, float z1, float x2, float y2, float z2, float depth,
                     std::uint32_t color);
    // The map views' symbols at (x, y): 0 a cross of three lines of half-size `size`, 1 a
    // direction triangle pointing up, 2 a circle of 12 segments, 3 a direction triangle
    // pointing left, 4 eight spokes between size and 2 x size, 5 a square of half-side
    // `size`. Other kinds draw nothing.
    void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t color);

    // --- Loading picture ---
    void begin_loading_screen() override;
    void show_loading_status(const char* text) override;
    void end_loading_screen() override;
    // The splash frame (no device yet) and the device's loading frame.
    void paint_splash(const char* text);
    void draw_loading_progress(const char* text);
    // The splash as last composed (for the window and for tests).
    const image& splash_picture() const { return splash_picture_; }
    // Where the splash picture goes; tests install one of their own (none: composed only).
    std::unique_ptr<splash_window> (*make_splash)() = make_splash_window;

    d3d_font* font(int n) const;
    // A font narrowed by a step: its glyphs rasterised at 1 - step / 20 of their width, the
    // same height (step 1..k_narrowing_steps; 0 the font itself). Made when first asked for,
    // at the scale of the font it narrows, and kept until the fonts are drawn anew.
    static constexpr int k_narrowing_steps = 10;
    static float narrowed_width(int step) { return 1.0f - 0.05f * static_cast<float>(step); }
    d3d_font* narrowed_font(int n, int step);
    // The same when it was made already, else none.
    d3d_font* made_font(int n, int step) const;
    gfx_texture* background() const { return background_.get(); }

    loading_screen loading;
    float gui_scale[2] = {1.0f, 1.0f};
    float text_scale[2] = {1.0f, 1.0f};
    overlay_vertex scratch_vertices[k_scratch_vertices] = {};

private:
    void put(int index, float x, float y, std::uint32_t color, float z = 0.0f);
    void put(int index, point2 p, std::uint32_t color);
    void put_dart(float cx, float cy, float r, float y_factor, float angle, std::uint32_t color);
    void draw_scratch(std::uint32_t type, int count);
    void use_shared_material();
    void close_splash();

    gfx_device* device_ = nullptr;
    texture_ptr background_;
    std::unique_ptr<d3d_font> fonts_[k_overlay_fonts];
    std::unique_ptr<d3d_font> narrowed_[k_overlay_fonts][k_narrowing_steps];
    // The splash's own parts: its window, picture and caption font.
    std::unique_ptr<splash_window> splash_window_;
    image splash_bitmap_;
    image splash_picture_;
    std::unique_ptr<font_raster> splash_font_;
};

// The program's one overlay; set by the entry function (tests set their own).
extern overlay2d* g_overlay;

// Textured quads (stride 24) with the overlay's device: the texture is bound to stage 0 for
// the call. (x1, y1) gets (ua, va), (x2, y1) (ub, va), (x2, y2) (ub, vb), (x1, y2) (ua, vb).
void draw_textured_quad(float x1, float y1, float x2, float y2, float ua, float va, float ub,
                        float vb, std::uint32_t color, gfx_texture* texture);
// The whole picture upright when y1 is the lower edge.
void draw_texture_rect(float x1, float y1, float x2, float y2, std::uint32_t color,
                       gfx_texture* texture);
void draw_rotated_textured_quad(float cx, float cy, float half_width, float half_height,
                                float angle, std::uint32_t color, gfx_texture* texture);
// The part of a texture spread over the frame box X1..X2, Y1..Y2 that falls in the box.
void draw_texture_window(float frame_x1, float frame_y1, float frame_x2, float frame_y2,
                         float x1, float y1, float x2, float y2, std::uint32_t color,
                         gfx_texture* texture);
// The texture window u = f1..f2, v = 1 - g1..1 - g2 at x1 + f (x2 - x1), y1 + g (y2 - y1).
void draw_texture_part(float x1, float y1, float x2, float y2, float f1, float g1, float f2,
                       float g2, std::uint32_t color, gfx_texture* texture);
// Eight spokes at multiples of 45 degrees between the radii r1 and r2 (x scaled by 0.75).
void draw_spoke_ring(float cx, float cy, float r1, float r2, std::uint32_t color);

// Textures and texts of the program's embedded resources ("RCDATA" or "BITMAP" pictures,
// "TEXT" texts) by number. Keyed textures are A1R5G5B5 with opaque black transparent.
bool load_texture_from_resource(int id, texture_ptr* slot, bool color_key);
// Releases the slot's texture and makes one from a picture file (its own format, one
// level); false, and the slot empty, when the file cannot be read or the device refuses.
bool reload_texture_file(const char* name, texture_ptr* slot);
// Copies the text and a terminating zero into buffer (at most capacity - 1 bytes of text);
// false, and the buffer untouched, when there is no such text.
bool load_text_resource(int id, char* buffer, std::size_t capacity);
