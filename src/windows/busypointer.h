#pragma once

// The one owner of the application's override cursor. Whoever wants the
// hourglass holds a Wait; a dialog or window the host works in while a step
// waits holds a Normal. The pointer follows the newest guard alive, and shows
// no hourglass once no Wait lives, so no way out of a step, a dialog or a
// window can leave a pointer behind.
class BusyPointer
{
public:
    // The hourglass while it lives, unless a newer Normal lives.
    class Wait
    {
    public:
        Wait();
        ~Wait();
        Wait(const Wait &) = delete;
        Wait &operator=(const Wait &) = delete;
    };

    // The normal pointer while it lives, over every Wait made before it.
    class Normal
    {
    public:
        Normal();
        ~Normal();
        Normal(const Normal &) = delete;
        Normal &operator=(const Normal &) = delete;
    };

    // Whether the hourglass shows now.
    static bool hourglass();

private:
    static void add(const void *guard, bool wait);
    static void remove(const void *guard);
    static void follow();
};
