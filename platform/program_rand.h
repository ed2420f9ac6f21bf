// The program's own pseudo-random generator: one 32-bit state for the whole program,
// state = state x 214013 + 2531011, result (state >> 16) & 0x7FFF (0..32767). The sea seeds
// it with 1 and its wave field depends on exactly this sequence; every later draw continues it.
#pragma once

#include <cstdint>

constexpr int program_rand_max = 0x7FFF;

void program_srand(std::uint32_t seed);
int program_rand();
std::uint32_t program_rand_state();
