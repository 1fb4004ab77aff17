#pragma once

#include "files/fileio.h"

#include <QString>

#include <functional>

class QIODevice;
class HostDialogs;
struct GameState;

// The settings file orvella.ini: sections [settings] and [boxes], Windows-1252,
// lines ending in CR LF.

// Reads the whole file into gs. Meeting [settings] first gives every stored
// setting its default, then the keys overwrite them; [boxes] sets InDefault and
// Available. readMacroFile runs as soon as the macrofile key has set MacroFile.
// Throws Failure; fields read before the failure keep their new values.
void readSettings(QIODevice &in, GameState &gs, const std::function<void()> &readMacroFile);

// Writes the 28 lines of the file. left and top are the main window's edges at
// this moment (not MainLeft/MainTop), kept within -32768..32767 so the reader
// always accepts them again.
void writeSettings(QIODevice &out, const GameState &gs, double left, double top);

// folder + "/orvella.ini"; folder carries no trailing separator.
QString settingsPath(const QString &folder);

// Reads the settings file of folder, and the macro file it names. A missing
// file changes nothing and returns true. Any other failure is shown in a
// "Program Exiting" box and returns false: the caller must end the program
// without writing the file, so the faulty file survives for the host to see.
bool SettingsReader(GameState &gs, HostDialogs &dialogs, const QString &folder);

// Rewrites the settings file whole, or leaves it as it was and returns the
// failure, naming the file orvella.ini; never throws.
[[nodiscard]] WriteResult SettingsWriter(const GameState &gs, const QString &folder, double left,
                                         double top);
