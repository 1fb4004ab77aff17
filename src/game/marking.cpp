#include "game/marking.h"

#include <QHash>

#include <algorithm>

MarkTable MarkTable::mark(const QString &word, const QString &response)
{
    const qsizetype n = word.size();
    const qsizetype L = std::min(n, response.size());

    MarkTable table;
    std::vector<Row> &row = table.m_rows;
    row.resize(n + 1);

    // Each row counts the copies of its character among rows 1..n, itself
    // included; rows past the answer count each other. Counted by character
    // rather than pair by pair, so a long word costs no more than its length.
    QHash<char16_t, int> inWord;
    QHash<char16_t, int> inAnswer;
    for (qsizetype i = 1; i <= n; ++i) {
        row[i].WordChar = word[i - 1];
        ++inWord[word[i - 1].unicode()];
        if (i <= L) {
            row[i].GuessChar = response[i - 1];
            row[i].HasGuessChar = true;
            ++inAnswer[response[i - 1].unicode()];
        }
    }
    for (qsizetype i = 1; i <= n; ++i) {
        row[i].WordCopies = inWord.value(row[i].WordChar.unicode());
        row[i].GuessCopies =
            row[i].HasGuessChar ? inAnswer.value(row[i].GuessChar.unicode()) : int(n - L - 1);
    }

    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= L; ++j) {
            Row &g = row[j];
            if (g.GuessChar != row[i].WordChar)
                continue;
            if (i == j) {
                g.Mark = g.GuessChar;
            } else if (row[i].WordCopies >= g.GuessCopies) {
                if (g.Mark == u' ')
                    g.Mark = g.GuessChar.toLower();
            } else if (row[i].WordCopies > 0 &&
                       !(row[i].HasGuessChar && row[i].WordChar == row[i].GuessChar) &&
                       g.Mark == u' ') {
                // The answer holds more copies than the word: one is given a
                // place here, and the word's copies count down so the others
                // do not all take one.
                g.Mark = g.GuessChar.toLower();
                const QChar c = row[i].WordChar;
                for (qsizetype k = i; k <= n; ++k)
                    if (row[k].WordChar == c)
                        row[k].WordCopies -= 2;
            }
        }
    }
    return table;
}

QString MarkTable::marks() const
{
    QString marks;
    marks.reserve(qsizetype(m_rows.size()));
    for (std::size_t i = 1; i < m_rows.size(); ++i)
        marks += m_rows[i].Mark;
    return marks;
}
