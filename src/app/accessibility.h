#pragma once

// Makes screen readers announce every top-level window as a window with its
// title. Qt gives a plain QWidget the role of a filler even when it stands
// alone on screen (the settings, substitutions and About windows). Keeps
// the windows' dummy buttons (newFocusSink) out of what they are told. Call
// once the application object exists; later calls do nothing.
void installWindowAccessibility();
