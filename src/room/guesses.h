#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <random>

// What a scripted player makes of a word it is asked for. It knows only what
// the room shows (the pattern of the ask line) and the candidate words it has
// seen before, like a regular who has read many word lists.
class Guesses
{
public:
    // Reads the game words of a word file, or of every .txt file in a folder.
    bool learn(const QString &path, QString *error);
    void learnWords(const QStringList &words);
    const QStringList &known() const { return m_known; }

    // The pattern of "NAME, your word is P -- a -- ": one character per
    // letter of the word, a space where nothing is shown; a capital is a
    // letter in its place, a small letter one of the word that stands
    // elsewhere. No value when the text is not shaped like that.
    static std::optional<QString> pattern(const QString &shown);
    // Whether word agrees with everything the pattern shows.
    static bool fits(const QString &word, const QString &pattern);
    // The known words that fit the pattern.
    QStringList fitting(const QString &pattern) const;

    // A word that fits the pattern: a known one when there is one, otherwise
    // the pattern with its gaps filled.
    QString likely(const QString &pattern, std::mt19937 &rng) const;
    // A near miss of word: two letters swapped, one changed, one missing or
    // one too many. Never word itself.
    static QString nearMiss(const QString &word, std::mt19937 &rng);

private:
    QStringList m_known;
};

// A uniform pick from 0 to n - 1 (n > 0).
inline qsizetype pick(std::mt19937 &rng, qsizetype n)
{
    return std::uniform_int_distribution<qsizetype>(0, n - 1)(rng);
}
