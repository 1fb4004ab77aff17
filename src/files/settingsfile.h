#pragma once

#include "base/integer.h"
#include "files/fileio.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

class QIODevice;

// The settings file orvella.ini: sections [settings] and [boxes], Windows-1252,
// lines ending in CR LF.

// What the file keeps, under its keys' names.
struct SettingsRecord
{
    static constexpr int BoxCount = 10;

    Integer Delay = 0;
    Integer Auto = 0;
    Integer Left = 0;
    Integer Top = 0;
    bool OnTop = false;
    Integer BoxLeft = 0;
    Integer BoxTop = 0;
    QString RegChar;
    bool Confirm = false;
    QString Sorry;
    QString WTG;
    QString CalldownMSG;
    bool Calldown = false;
    QString MacroFile;
    // The Room window's place and size; a width of 0 means it never had one,
    // and the file then holds no lines for it. A section whose Room lines
    // cannot all be taken, or give no size, leaves all four at 0.
    Integer RoomLeft = 0;
    Integer RoomTop = 0;
    Integer RoomWidth = 0;
    Integer RoomHeight = 0;
    // Whether each box is in the default set; empty for a box the file
    // does not mention.
    std::array<std::optional<bool>, BoxCount> Boxes{};
};

// The one place the settings' defaults are set: what a [settings] section
// gives each key it lacks. It names no macro file, no Room window place and
// no box.
SettingsRecord defaultSettings();

// What a first start is given (orvella-start, run.sh through `orvella
// --write-settings`): the defaults with the Fast pace, every box in the
// default set and the macro file named, so a game can be played at once.
SettingsRecord starterSettings(const QString &macroFile);

// Reads the whole file into settings. Meeting [settings] first gives every
// stored setting its default, then the keys overwrite them; [boxes] sets the
// boxes it names. macroFileRead runs as soon as the macrofile key has set
// MacroFile. Throws Failure, never for a Room line; fields read before the
// failure keep their new values.
void readSettings(QIODevice &in, SettingsRecord &settings,
                  const std::function<void()> &macroFileRead);

// Writes the 28 lines of the file (32 once the Room window has a place); a box without a value is
// written as False. left and top are the main window's edges at this moment, kept within
// -32768..32767 so the reader always accepts them again.
void writeSettings(QIODevice &out, const SettingsRecord &settings, double left, double top);

// folder + "/orvella.ini"; folder carries no trailing separator.
QString settingsPath(const QString &folder);

// Rewrites the settings file of folder whole, or leaves it as it was and
// returns the failure, naming the file orvella.ini; never throws.
[[nodiscard]] WriteResult saveSettings(const QString &folder, const SettingsRecord &settings,
                                       double left, double top);
