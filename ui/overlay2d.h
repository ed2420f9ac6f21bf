// The one 2-D drawing object: fonts, lines, boxes and the loading picture over the 3-D frame.
// One of the program's eight global objects.
#pragma once

class overlay2d {
public:
    overlay2d();
    ~overlay2d();
    overlay2d(const overlay2d&) = delete;
    overlay2d& operator=(const overlay2d&) = delete;
};

// The program's one overlay; set by the entry function (tests set their own).
extern overlay2d* g_overlay;
