#pragma once

#include <optional>

// --help, --version and --write-settings (the first-run step's settings
// file), answered before any window exists, so that they work without a
// display: the exit code, or none when none was asked.
std::optional<int> answerWithoutWindow(int argc, char *argv[]);

// The application's look and manners as the program has them: its style,
// how windows are told to screen readers, how many drawn images are kept.
// Call once the QApplication exists.
void setUpApplication();

// The program itself, in a QApplication that exists: the chat link, the
// timers, the main window and the event loop. Returns the exit code.
int runProgram();
