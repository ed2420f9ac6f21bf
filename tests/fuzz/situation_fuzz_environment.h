// What the situation and scenario fuzz targets set up once per process: a private run folder
// with the folder their files go in, the application object and state, and the scene the
// files are read into (built after the state it reads).
#pragma once

#include <memory>

#include "core/d3d_app.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/situation_file.h"

struct situation_fuzz_environment {
    fuzz_folder files;
    d3d_app app;
    std::unique_ptr<app_state> state;
    bool ready;
    situation_fuzz_scene world;

    explicit situation_fuzz_environment(const char* folder) : ready(prepare(folder)) {}

  private:
    bool prepare(const char* folder) {
        g_app = &app;
        fresh_state(state);
        fs_make_folder(folder);
        return true;
    }
};
