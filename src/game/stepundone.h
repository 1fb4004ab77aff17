#pragma once

#include <exception>

// A game step that cannot reach its end: the host has been told why, and the
// window puts the game and its controls back as they were before the click.
class StepUndone : public std::exception
{
public:
    const char *what() const noexcept override { return "game step undone"; }
};
