#include "core/app_state.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>

#include "core/loading_display.h"
#include "platform/clock.h"
#include "platform/text.h"

app_state* g_state = nullptr;

app_state::app_state() = default;

app_state::~app_state() {
    release();
    if (g_state == this) g_state = nullptr;
}

void app_state::set_message(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vformat_bounded(message, sizeof message, format, args);
    va_end(args);
}

void app_state::show_status(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vformat_bounded(status_text, sizeof status_text, format, args);
    va_end(args);
    if (suppress_status) return;
    if (loading_display* display = current_loading_display()) {
        display->show_loading_status(status_text);
    }
}

void app_state::log_message(const char* text) {
    std::memmove(history[1], history[0], sizeof(history[0]) * (k_history_lines - 1));
    const std::size_t len = copy_bounded(history[0], k_line_size, text);
    longest_line = std::max(longest_line, static_cast<int>(len));
    ++history_count;
}

void app_state::clear_messages() {
    std::memset(history, 0, sizeof history);
    history_count = 0;
    longest_line = 0;
}

bool app_state::take_message() {
    if (message[0] == '\0') return false;
    log_message(message);
    message[0] = '\0';
    return true;
}

void app_state::update_frame_timing() {
    const std::uint32_t t = tick_count();
    // The wrap-around difference read as signed, so the wrap of the tick count is small.
    const std::int32_t delta = static_cast<std::int32_t>(t - last_tick);
    now = t;
    last_tick = t;

    avg_frame_ms = 0.9f * avg_frame_ms + 0.1f * static_cast<float>(delta);
    if (avg_frame_ms >= 1000.0f / static_cast<float>(INT_MAX) && avg_frame_ms > 0.0f) {
        frame_rate = static_cast<int>(1000.0f / avg_frame_ms);
    } else {
        frame_rate = 0;  // a backwards or absurd clock gives no rate rather than an overflow
    }

    raw_step = static_cast<float>(std::clamp<std::int32_t>(delta, 1, 100)) / 1000.0f;
    smoothed_step = 0.9f * smoothed_step + 0.1f * raw_step;
    dt = smoothed_step * sim_rate;

    time_of_day += dt / 3600.0f;
    if (time_of_day > 24.0f) time_of_day -= 24.0f;
}
