#include "platform/system/gl_state_shadow.h"

bool gl_state_shadow::changed(std::uint32_t kind, std::uint32_t detail, const void* args,
                              std::size_t bytes) {
    if (!enabled_) {
        ++calls_;
        return true;
    }
    std::vector<std::uint8_t>& last = slots_[key_of(kind, detail)];
    const auto* p = static_cast<const std::uint8_t*>(args);
    // An empty slot is unknown: no call has fewer than one byte of arguments.
    if (last.size() == bytes && std::memcmp(last.data(), p, bytes) == 0) return false;
    last.assign(p, p + bytes);
    ++calls_;
    return true;
}

void gl_state_shadow::forget(std::uint32_t kind, std::uint32_t detail) {
    slots_.erase(key_of(kind, detail));
}

void gl_state_shadow::forget_kind(std::uint32_t kind) {
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (static_cast<std::uint32_t>(it->first >> 32) == kind)
            it = slots_.erase(it);
        else
            ++it;
    }
}

void gl_state_shadow::forget_all() { slots_.clear(); }

void gl_state_shadow::set_enabled(bool on) {
    enabled_ = on;
    slots_.clear();
}

long gl_state_shadow::take_calls() {
    const long n = calls_;
    calls_ = 0;
    return n;
}
