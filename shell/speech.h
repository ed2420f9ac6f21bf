// The speech service: the voices and the speaking of event messages. One of the program's
// eight global objects.
#pragma once

class speech {
public:
    speech();
    ~speech();
    speech(const speech&) = delete;
    speech& operator=(const speech&) = delete;
};

// The program's one speech service; set by the entry function (tests set their own).
extern speech* g_speech;
