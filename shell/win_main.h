// The program's entry and its window procedure. The entry function creates the main window,
// runs the start-up loader, shows the window and drives the program with a message loop that
// alternates waiting window messages with one scene update and one rendered frame; the window
// procedure hands every message to the scene's input handler first and then handles closing,
// destruction, resizing, the pause command and the end of a music track.
//
// Everything goes through the global objects (g_app, g_state, g_scene) and the installed
// main window (platform/window.h), so a test can run the whole flow with a scripted window.
#pragma once

#include <cstdint>

// The exit status of a run that could not start (no window, or start-up failed).
constexpr int k_exit_start_failed = 1;

// Runs the program. Returns the WM_QUIT message's word parameter after a normal run, and
// k_exit_start_failed, with a line in the log, when the window cannot be created or start-up
// fails. The previous instance, the command line and the show mode are not used.
int WinMain(void* instance, void* previous_instance, const char* command_line, int show_mode);

// The main window's procedure.
std::intptr_t WndProc(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

// The default handling of a message the procedure does not take itself: nothing to do here.
std::intptr_t DefWindowProc(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
