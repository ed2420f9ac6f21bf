// A GUI without a device: a root window, the application objects it reads, a recording
// painter and recording hooks, and pointer helpers that click at virtual-screen pixels.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"

// Records every drawing call as one line of text, and text extents from a fixed cell size
// (the small font's cells narrower, a narrowed face's lines narrower again).
class recording_painter : public gui_painter {
public:
    struct text_box {
        std::string text;
        float x1, y1, x2, y2;
        float sx = 1, sy = 1;  // the text scale it was drawn at
        int font = 0;          // the font or narrowed face
        bool batched = false;
    };
    std::vector<std::string> calls;
    std::vector<std::uint32_t> tab_lines;  // the first colour of each tab drawn
    std::vector<text_box> text_boxes;  // every text drawn, with its box
    int cell_w = 7, cell_h = 16;
    int small_cell_w = 5;
    int extents = 0;  // texts measured so far

    void begin_pass(const mat4&) override { calls.push_back("begin_pass"); }
    void end_pass() override { calls.push_back("end_pass"); }
    void set_world(const mat4&) override { calls.push_back("world"); }
    void fill_rect(float x1, float y1, float x2, float y2, std::uint32_t c) override {
        add("fill", x1, y1, x2, y2, c);
    }
    void draw_rect(float x1, float y1, float x2, float y2, std::uint32_t c) override {
        add("rect", x1, y1, x2, y2, c);
    }
    void draw_line(float x1, float y1, float x2, float y2, std::uint32_t c) override {
        add("line", x1, y1, x2, y2, c);
    }
    void draw_bevel(float x1, float y1, float x2, float y2, bool raised, std::uint32_t,
                    std::uint32_t) override {
        add(raised ? "bevel_raised" : "bevel_sunken", x1, y1, x2, y2, 0);
    }
    void fill_triangle(float x1, float y1, float x2, float y2, triangle_dir, std::uint32_t c,
                       bool) override {
        add("triangle", x1, y1, x2, y2, c);
    }
    void draw_tab(float x1, float y1, float x2, float y2, std::uint32_t a, std::uint32_t b,
                  std::uint32_t) override {
        tab_lines.push_back(a);
        add("tab", x1, y1, x2, y2, b);
    }
    void draw_note_box(float x1, float y1, float x2, float y2, const char* text) override {
        char line[160];
        std::snprintf(line, sizeof line, "note %.3f %.3f %.3f %.3f %s", x1, y1, x2, y2, text);
        calls.emplace_back(line);
    }
    void draw_texture(float x1, float y1, float x2, float y2, std::uint32_t c, gfx_texture*,
                      bool point) override {
        add(point ? "texture_point" : "texture", x1, y1, x2, y2, c);
    }
    void draw_rotated_texture(float, float, float, float, float, std::uint32_t,
                              gfx_texture*) override {
        calls.push_back("rotated_texture");
    }
    void begin_text(int) override {}
    void end_text(int) override {}
    void draw_text(int font, float x1, float y1, float x2, float y2, const char* text, std::uint32_t flags,
                   float, float, float sx, float sy, std::uint32_t colour, bool batched) override {
        text_boxes.push_back({text, x1, y1, x2, y2, sx, sy, font, batched});
        char line[64];
        std::snprintf(line, sizeof line, "text %d %u %08X ", font, flags, colour);
        calls.push_back(line + std::string(text));
    }
    bool text_extent(int font, const char* text, int size[2]) override {
        ++extents;
        int lines = 1, width = 0, widest = 0;
        for (const char* p = text; *p; ++p) {
            if (*p == '\n') {
                ++lines;
                width = 0;
            } else if (*p != '\r') {
                widest = std::max(widest, ++width);
            }
        }
        // A narrowed face's line is its font's narrowed and rounded up to a whole texel, as its
        // own rasterisation's whole-pixel advances may add up to a little more.
        const int cell = gui_font::base_of(font) == gui_font::small ? small_cell_w : cell_w;
        const int twentieths = 20 - gui_font::step_of(font);  // the steps are twentieths
        size[0] = (widest * cell * twentieths + 19) / 20;
        size[1] = lines * cell_h;
        return true;
    }
    // Calls that start with a prefix.
    std::vector<std::string> find(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls) {
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        }
        return out;
    }

private:
    void add(const char* what, float x1, float y1, float x2, float y2, std::uint32_t c) {
        char line[160];
        std::snprintf(line, sizeof line, "%s %.3f %.3f %.3f %.3f %08X", what, x1, y1, x2, y2, c);
        calls.emplace_back(line);
    }
};

// What the GUI asked of the shell.
struct hook_log {
    std::vector<int> sounds;
    std::vector<std::string> documents;
    int leave_scene = 0;
    int viewport_w = 640, viewport_h = 480;
};
extern hook_log* g_hook_log;

class gui_fixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Pointer input at virtual-screen pixels of the current viewport.
    void move(int x, int y, int buttons = 0) { root->on_mouse_move(x, y, buttons); }
    bool down(int x, int y) { return root->on_mouse_down(x, y, 0); }
    void up() { root->on_mouse_up(); }
    void click(int x, int y) {
        down(x, y);
        up();
    }
    // A click at the centre of an element of a window (GUI units through its transforms).
    void click_rect(const gui_window* w, const gui_rect* r);
    void key(int vk) { root->on_key(nullptr, WM_KEYDOWN, static_cast<std::uintptr_t>(vk), 0); }
    void type(const char* text) {
        for (const char* p = text; *p; ++p) {
            root->on_key(nullptr, WM_CHAR, static_cast<unsigned char>(*p), 0);
        }
    }
    void wheel(int delta) {
        root->on_key(nullptr, WM_MOUSEWHEEL,
                     static_cast<std::uintptr_t>(static_cast<std::uint16_t>(delta)) << 16, 0);
    }
    void set_viewport(int w, int h) {
        log.viewport_w = w;
        log.viewport_h = h;
    }

    std::unique_ptr<d3d_app> app;
    std::unique_ptr<app_state> state;
    std::unique_ptr<gui> root;
    recording_painter painter;
    hook_log log;
};

// Pixel coordinates of a GUI point in the root's space (640 x 480 viewport: 320 px a unit).
int px(float x);
int py(float y);
