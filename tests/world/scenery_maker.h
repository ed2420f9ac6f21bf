// Small sceneries for the terrain tests: a header, samples and a description written into
// the test's temporary folder under "scenery/<name>/".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/temp_folder.h"

struct test_scenery {
    int rows = 64;
    int columns = 64;
    float south = 0.0f;
    float north = 64 * 30.0f / 111120.0f;  // 30 m cells
    float west = 10.0f;
    float east = 10.5f;
    std::string depth_word = "none";
    std::string type = "int16";
    float depth_value = 1.0f;
    int no_data = -9999;
    // The sample at (row, column) as stored in the ".bin" file.
    std::function<int(int, int)> sample = [](int r, int) { return 10 + 2 * r; };
};

std::string scenery_header(const test_scenery& s);
std::string scenery_samples(const test_scenery& s);
// Writes "scenery/<name>/<name>.hdr" and ".bin".
void write_scenery(const temp_folder& tmp, const std::string& name, const test_scenery& s);
