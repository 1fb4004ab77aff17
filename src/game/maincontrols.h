#pragma once

// What only the main window can do for a game step; everything it shows
// the step writes into the console's record (game/consolestate.h). Without
// a window it does nothing.
class MainControls
{
public:
    virtual ~MainControls() = default;
    // The dummy button takes the keyboard focus while a step runs.
    virtual void focusDummy() {}
};
