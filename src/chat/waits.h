#pragma once

#include <chrono>
#include <exception>
#include <functional>

// Every wait in the program keeps window events flowing without using the
// CPU, and unwinds when the program is closing or the chat link has failed.

// The chat link failed (the client does not answer or went away); the host
// has been told. The game step under way ends.
class LinkDown : public std::exception
{
public:
    const char *what() const noexcept override { return "chat link down"; }
};

// The main window closed during a wait; the step under way ends at once.
class WaitAbandoned : public std::exception
{
public:
    const char *what() const noexcept override { return "wait abandoned"; }
};

namespace Waits {

// Processes events, sleeping until the next one, until done() holds. Throws
// WaitAbandoned once abandonAll() has been called.
void pumpUntil(const std::function<bool()> &done);

// Lets the time pass while events flow; a pause of 0 processes the pending
// events once. Throws WaitAbandoned.
void pauseFor(std::chrono::milliseconds pause);

// Makes every running and future wait throw WaitAbandoned.
void abandonAll();
bool abandoned();
// For a new main window after one closed in the same process: the demo's
// next game, and tests that simulate a close and then go on.
void resetAbandoned();

} // namespace Waits
