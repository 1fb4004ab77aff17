#include "files/wordfile.h"

#include "base/ansi.h"
#include "files/fileio.h"
#include "files/linereader.h"

void readWords(QIODevice &in, QStringList &words)
{
    LineReader lines(in);
    // The limit is checked before reading, so a file may hold anything (or
    // fail to read) after its tenth word.
    for (int n = 0; n < WordFileMaxWords && !lines.atEnd();) {
        const QString candidate = Ansi::trimSpaces(Ansi::upper(lines.readLine()));
        // Only spaces are trimmed: a line led by a tab is skipped whole.
        if (candidate.isEmpty() || candidate.at(0).unicode() < 32)
            continue;
        ++n;
        words << candidate;
    }
}

void readWordFile(const QString &path, QStringList &words)
{
    FileIO::readFile(path, [&](QIODevice &in) { readWords(in, words); });
}
