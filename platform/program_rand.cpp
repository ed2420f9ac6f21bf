#include "platform/program_rand.h"

namespace {
std::uint32_t g_state = 1;
}

void program_srand(std::uint32_t seed) { g_state = seed; }

int program_rand() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

std::uint32_t program_rand_state() { return g_state; }
