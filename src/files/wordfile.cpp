#include "files/wordfile.h"

#include "base/ansi.h"
#include "files/fileio.h"
#include "files/linereader.h"
#include "base/failure.h"
#include "game/gamestate.h"

int readWords(QIODevice &in, GameState &gs)
{
    LineReader lines(in);
    int n = 0;
    // The limit is checked before reading, so a file may hold anything (or
    // fail to read) after its tenth word.
    while (n < MaxWords && !lines.atEnd()) {
        const QString candidate = Ansi::trimSpaces(Ansi::upper(lines.readLine()));
        // Only spaces are trimmed: a line led by a tab is skipped whole.
        if (candidate.isEmpty() || candidate.at(0).unicode() < 32)
            continue;
        ++n;
        gs.Words[n] = candidate;
        gs.Asked[n] = false;
    }
    return n;
}

int readWordFile(const QString &path, GameState &gs)
{
    int n = 0;
    FileIO::readFile(path, [&](QIODevice &in) { n = readWords(in, gs); });
    return n;
}

QString wordFileFailureText(const Failure &failure)
{
    return failure.numberedReport(QStringLiteral("Problem with Orvella file."));
}

QString unresumablePathText(const QString &path)
{
    if (Ansi::canEncode(path))
        return QString();
    return QStringLiteral("The recovery log cannot hold the name of this word file:\r\n") + path +
           QStringLiteral("\r\nThe game can be played, but if it breaks off it cannot be "
                          "resumed.\r\nTo keep it resumable, rename the file and its folders "
                          "with Western European letters only, and load it again.");
}

QString wordFileFailureTitle()
{
    return QStringLiteral("Problem with File");
}
