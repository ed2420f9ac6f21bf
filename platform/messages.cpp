#include "platform/messages.h"

#include <deque>

namespace {
std::deque<app_message>& queue() {
    static std::deque<app_message> q;
    return q;
}
}  // namespace

void post_app_message(std::uint32_t code, std::uintptr_t wparam, std::intptr_t lparam) {
    queue().push_back({code, wparam, lparam});
}

bool take_app_message(app_message* out) {
    if (queue().empty()) return false;
    *out = queue().front();
    queue().pop_front();
    return true;
}

void post_quit_message(int exit_code) {
    post_app_message(WM_QUIT, static_cast<std::uintptr_t>(exit_code), 0);
}

void clear_app_messages() { queue().clear(); }
