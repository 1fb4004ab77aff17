#pragma once

#include <thread>

// Reads the system's font set-up on a thread of its own while the program
// connects to the display; otherwise the first font the window asks for
// waits for it (fontconfig parses some fifty files, about 5 ms). Made before
// the application object; joined when it goes.
class FontSetupAhead
{
public:
    FontSetupAhead();
    ~FontSetupAhead();
    FontSetupAhead(const FontSetupAhead &) = delete;
    FontSetupAhead &operator=(const FontSetupAhead &) = delete;

private:
    std::thread m_thread;
};
