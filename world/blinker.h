// A scenery light with a timed on/off pattern and a colour that depends on the bearing it is
// seen from (a sector light): a glow sprite, optionally mounted on a model that may float on
// the sea. A small text file (".def") describes it: the pattern, the sectors and the model.
// The pattern starts at a random phase so that lights of one kind do not blink in step.
#pragma once

#include <cstdint>

#include "core/frame.h"

class decal;

class blinker : public frame {
public:
    static constexpr int k_max_steps = 31;
    static constexpr int k_max_sectors = 30;   // two wrap entries are added around them
    static constexpr int k_table = 32;

    blinker();
    ~blinker() override;

    void render() override;
    void update() override;

    // Reads the definition file (C locale) and builds the glow, and the model when it names
    // one, scaled by the placement's scale. A missing file builds nothing.
    void load_def_object(const char* file_name, float sx, float sy, float sz);
    // The sector colour (0xFFRRGGBB) for a bearing (rad, 0 north, clockwise), and whether one
    // encloses it; the later of two sectors meeting at the bearing wins.
    bool sector_colour(float bearing, std::uint32_t* colour) const;
    // Whether the current step is lit.
    bool is_lit() const;

    std::uint8_t floating = 0;
    std::int32_t step_count = 2;
    std::int32_t current_step = 0;
    float step_time = 0.0f;
    float step_end_times[k_table] = {1.0f, 4.0f};
    std::int32_t step_states[k_table] = {1, 0};
    std::int32_t sector_count = 0;
    float sector_angles[k_table] = {};
    float sector_red[k_table] = {};
    float sector_green[k_table] = {};
    float sector_blue[k_table] = {};
    float view_bearing = 0.0f;
    decal* glow = nullptr;

private:
    decal* make_glow(frame* parent, float width, float height);
};

hresult create_blinker(frame* parent, blinker** out);
hresult destroy_blinker(blinker** variable);
