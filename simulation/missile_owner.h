// What a fired missile asks of the system that fired it: to be taken off its list once it has
// finished, and the launcher barrel whose axes the line-of-sight command law steers in. The
// missile system implements it; a missile flown without an owner (a test flight) has none.
#pragma once

class frame;
class missile;

class missile_owner {
public:
    virtual ~missile_owner() = default;
    // Takes the missile off the owner's list and flags it for removal from the scene graph.
    virtual void remove_missile(missile* m) = 0;
    // The launcher's barrel frame; none when the launcher has no barrel.
    virtual frame* launcher_barrel() = 0;
};
