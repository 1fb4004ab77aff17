#pragma once

#include <QList>
#include <QString>

#include <array>

class QIODevice;

// The macro file: a [Substitutions] section and the twenty macro blocks,
// Windows-1252, lines ending in CR LF.

struct MacroFileRecord
{
    static constexpr int SubCount = 10;
    static constexpr int MacroCount = 20;

    struct Macro
    {
        QString name;
        QString text; // lines joined by CR LF
    };
    std::array<QString, SubCount> subs{};
    // Counted from 1; a file may also fill entry 0.
    std::array<Macro, MacroCount + 1> macros{};
};

// Reads substitutions and macros from in. Entries the file does not mention
// keep their values. Throws Failure; what was read before the failure stays.
void readMacros(QIODevice &in, MacroFileRecord &file);

// Writes the substitutions and macros 1..20. A macro whose text is empty, a
// single space or starts with a control character is written as its header
// alone.
void writeMacros(QIODevice &out, const MacroFileRecord &file);

// What readMacros would refuse of the file writeMacros makes from file, by
// the reader's own limits, so a save can refuse first and keep the old file.
struct MacroFileExcess
{
    // The substitutions (0..9) and macros (1..20) that write a line longer
    // than LineReader::MaxLineBytes.
    QList<int> longSubs, longMacros;
    // The file's size when above LineReader::MaxFileBytes, else 0.
    qint64 tooLargeBytes = 0;

    bool any() const { return !longSubs.isEmpty() || !longMacros.isEmpty() || tooLargeBytes; }
};
MacroFileExcess macroFileExcess(const MacroFileRecord &file);
