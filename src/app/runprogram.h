#pragma once

// The program itself, in a QApplication that exists: the chat link, the
// timers, the main window and the event loop. Returns the exit code.
int runProgram();
