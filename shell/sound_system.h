// The sound service: the sound device, the 3-D listener, the sound and music switches and the
// volumes. One of the program's eight global objects.
#pragma once

class sound_system {
public:
    sound_system();
    ~sound_system();
    sound_system(const sound_system&) = delete;
    sound_system& operator=(const sound_system&) = delete;
};

// The program's one sound service; set by the entry function (tests set their own).
extern sound_system* g_sound;
