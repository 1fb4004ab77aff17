#pragma once

#include <QChar>
#include <QString>

#include <vector>

// The letter-by-letter marks of a wrong answer: for each position of the game
// word, a space (not shown), the answer's letter (right letter, right place)
// or its lower case (a letter of the word in another place). The marks are
// the pattern shown to the next player.
class MarkTable
{
public:
    struct Row
    {
        QChar WordChar = u' ';
        int WordCopies = 0; // copies of WordChar still to be accounted for
        QChar GuessChar = u' ';
        bool HasGuessChar = false; // false past the end of the answer
        int GuessCopies = 0;
        QChar Mark = u' ';
    };

    // Marks response against word. The table has one row per character of
    // the word, however long; row 0 is never used.
    static MarkTable mark(const QString &word, const QString &response);

    // The marks of rows 1..n: exactly as long as the word.
    QString marks() const;
    const std::vector<Row> &rows() const { return m_rows; }

private:
    std::vector<Row> m_rows;
};
