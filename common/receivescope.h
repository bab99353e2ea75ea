#pragma once

// Marks the code that takes received bytes apart. Nothing inside may wait
// for the user: a modal box runs an event loop, and the next read would
// enter the same parser again while it still works on the last one. The
// dialogs check it (ReceiveScope::active()) and a test fails when a box
// opens inside a receive; a view defers its box instead.
class ReceiveScope
{
public:
    ReceiveScope() { ++depth(); }
    ~ReceiveScope() { --depth(); }
    ReceiveScope(const ReceiveScope &) = delete;
    ReceiveScope &operator=(const ReceiveScope &) = delete;

    static bool active() { return depth() > 0; }

private:
    static int &depth()
    {
        thread_local int receives = 0;
        return receives;
    }
};
