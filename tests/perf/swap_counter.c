// A library preloaded into the game (LD_PRELOAD) to count the frames it presents, seen from
// outside: SDL_GL_SwapWindow, glXSwapBuffers and eglSwapBuffers are passed on to the real
// ones and counted once per frame (a swap that goes through SDL and then GLX counts once).
// The file named by VENTRASK_SWAP_FILE is rewritten at most every 0.2 s while frames come and
// once more at exit (nothing before the first frame), as "key value" lines:
//   swaps N           frames presented so far
//   last_swap S       seconds from the library's start (its constructor, just after exec)
//                     to the latest of them
//   first_swap S      the same to the first one
//   first_drawn S     the same to the first frame with anything but black in its back buffer
//                     (a few pixels read before the swap; -1 while there was none)
//   elapsed S         seconds from the library's start to this writing
//   loaded S          seconds from exec to the library's start (the loading of the shared
//                     libraries; in steps of the kernel's clock tick, 10 ms)
//   start_clock S     the library's start on CLOCK_MONOTONIC (to line up with a profile
//                     recorded with perf record -k CLOCK_MONOTONIC)
// Without VENTRASK_SWAP_FILE the library only passes the calls on.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef void (*sdl_swap_fn)(void*);
typedef void (*glx_swap_fn)(void*, unsigned long);
typedef unsigned (*egl_swap_fn)(void*, void*);
typedef void (*read_pixels_fn)(int, int, int, int, unsigned, unsigned, void*);
typedef void (*get_ints_fn)(unsigned, int*);

enum { k_gl_rgba = 0x1908, k_gl_unsigned_byte = 0x1401, k_gl_viewport = 0x0BA2 };
// Frames looked at for the first drawn one; the reads stop after it or after this many.
enum { k_frames_looked_at = 2000 };

static const char* g_path;
static double g_start;
static long g_swaps;
static double g_first_swap = -1.0;
static double g_first_drawn = -1.0;
static double g_last_swap;
static double g_last_write = -1.0;
static double g_loaded = -1.0;
static pid_t g_pid;
static __thread int g_inside;

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Only the process that presented frames writes: a child started by the game inherits the
// preload (and a forked copy its counts) and must not overwrite the game's file.
static void write_counts(double at) {
    if (!g_path || g_swaps == 0 || getpid() != g_pid) return;
    char tmp[4096];
    snprintf(tmp, sizeof tmp, "%s.part", g_path);
    FILE* f = fopen(tmp, "w");
    if (!f) return;
    fprintf(f, "swaps %ld\nlast_swap %.6f\nfirst_swap %.6f\nfirst_drawn %.6f\nelapsed %.6f\n"
            "loaded %.3f\nstart_clock %.6f\n", g_swaps, g_last_swap, g_first_swap, g_first_drawn,
            at - g_start, g_loaded, g_start);
    fclose(f);
    rename(tmp, g_path);
    g_last_write = at;
}

// True when one of nine pixels spread over the viewport of the back buffer is not black.
static int frame_drawn(void) {
    read_pixels_fn read_pixels = (read_pixels_fn)dlsym(RTLD_DEFAULT, "glReadPixels");
    get_ints_fn get_ints = (get_ints_fn)dlsym(RTLD_DEFAULT, "glGetIntegerv");
    if (!read_pixels || !get_ints) return 0;
    int view[4] = {0, 0, 0, 0};
    get_ints(k_gl_viewport, view);
    if (view[2] <= 0 || view[3] <= 0) return 0;
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            unsigned char p[4] = {0, 0, 0, 0};
            read_pixels(view[0] + view[2] * i / 4, view[1] + view[3] * j / 4, 1, 1, k_gl_rgba,
                        k_gl_unsigned_byte, p);
            if (p[0] || p[1] || p[2]) return 1;
        }
    }
    return 0;
}

// Called before the real swap of the outermost wrapper.
static void count_frame(void) {
    const double t = now();
    if (g_first_drawn < 0.0 && g_swaps < k_frames_looked_at && frame_drawn()) {
        g_first_drawn = t - g_start;
    }
    ++g_swaps;
    g_last_swap = t - g_start;
    if (g_first_swap < 0.0) g_first_swap = g_last_swap;
    if (g_last_write < 0.0 || t - g_last_write >= 0.2) write_counts(t);
}

// Seconds since the process was started (exec), from its start time in /proc/self/stat.
static double since_exec(void) {
    FILE* f = fopen("/proc/self/stat", "r");
    if (!f) return -1.0;
    char line[2048];
    const size_t n = fread(line, 1, sizeof line - 1, f);
    fclose(f);
    line[n] = 0;
    // Field 22 (start time in clock ticks since boot) counts from after the command's name.
    const char* p = strrchr(line, ')');
    unsigned long long ticks = 0;
    if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d "
                            "%*d %*d %llu", &ticks) != 1) {
        return -1.0;
    }
    struct timespec t;
    clock_gettime(CLOCK_BOOTTIME, &t);
    const double tick = (double)sysconf(_SC_CLK_TCK);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9 - (double)ticks / tick;
}

__attribute__((constructor)) static void swap_counter_start(void) {
    g_start = now();
    g_pid = getpid();
    g_loaded = since_exec();
    g_path = getenv("VENTRASK_SWAP_FILE");
    if (g_path && !*g_path) g_path = NULL;
}

__attribute__((destructor)) static void swap_counter_end(void) { write_counts(now()); }

void SDL_GL_SwapWindow(void* window) {
    static sdl_swap_fn real;
    if (!real) real = (sdl_swap_fn)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (!real) return;
    if (g_inside++ == 0) count_frame();
    real(window);
    --g_inside;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static glx_swap_fn real;
    if (!real) real = (glx_swap_fn)dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (!real) return;
    if (g_inside++ == 0) count_frame();
    real(display, drawable);
    --g_inside;
}

unsigned eglSwapBuffers(void* display, void* surface) {
    static egl_swap_fn real;
    if (!real) real = (egl_swap_fn)dlsym(RTLD_NEXT, "eglSwapBuffers");
    if (!real) return 0;
    if (g_inside++ == 0) count_frame();
    const unsigned ok = real(display, surface);
    --g_inside;
    return ok;
}
