#include "room/guesses.h"

#include "base/failure.h"
#include "files/wordfile.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isSmall(QChar c)
{
    return c != c.toUpper();
}

QChar randomLetter(std::mt19937 &rng)
{
    return QChar(u'A' + static_cast<char16_t>(pick(rng, 26)));
}

} // namespace

bool Guesses::learn(const QString &path, QString *error)
{
    QStringList files;
    if (QFileInfo(path).isDir()) {
        const QDir dir(path);
        for (const QString &f : dir.entryList({QStringLiteral("*.txt"), QStringLiteral("*.TXT")},
                                              QDir::Files, QDir::Name))
            files << dir.filePath(f);
    } else {
        files << path;
    }
    for (const QString &file : files) {
        try {
            QStringList words;
            readWordFile(file, words);
            learnWords(words);
        } catch (const Failure &f) {
            if (error)
                *error =
                    QStringLiteral("Cannot read the words of %1: %2").arg(file, f.description());
            return false;
        }
    }
    return true;
}

void Guesses::learnWords(const QStringList &words)
{
    for (const QString &w : words) {
        if (!w.isEmpty() && !m_known.contains(w))
            m_known << w;
    }
}

std::optional<QString> Guesses::pattern(const QString &shown)
{
    QString out;
    qsizetype i = 0;
    while (i < shown.size()) {
        if (QStringView(shown).sliced(i).startsWith(u"-- ")) {
            out += u' ';
            i += 3;
        } else if (i + 1 < shown.size() && shown.at(i + 1) == u' ' && shown.at(i) != u' ') {
            out += shown.at(i);
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (out.isEmpty())
        return std::nullopt;
    return out;
}

bool Guesses::fits(const QString &word, const QString &pattern)
{
    if (word.size() != pattern.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar p = pattern.at(i);
        if (p == u' ')
            continue;
        if (!isSmall(p) ? word.at(i) != p
                        : word.at(i) == p.toUpper() || !word.contains(p.toUpper()))
            return false;
    }
    return true;
}

QStringList Guesses::fitting(const QString &pattern) const
{
    QStringList out;
    for (const QString &w : m_known) {
        if (fits(w, pattern))
            out << w;
    }
    return out;
}

QString Guesses::likely(const QString &pattern, std::mt19937 &rng) const
{
    const QStringList fit = fitting(pattern);
    if (!fit.isEmpty())
        return fit.at(pick(rng, fit.size()));
    QString word = pattern;
    for (QChar &c : word) {
        if (c == u' ' || isSmall(c))
            c = randomLetter(rng);
    }
    return word;
}

QString Guesses::nearMiss(const QString &word, std::mt19937 &rng)
{
    if (word.isEmpty())
        return QStringLiteral("?");
    QString miss = word;
    switch (pick(rng, 4)) {
    case 0:
        if (word.size() > 1) {
            const qsizetype i = pick(rng, word.size() - 1);
            std::swap(miss[i], miss[i + 1]);
        }
        break;
    case 1:
        miss[pick(rng, word.size())] = randomLetter(rng);
        break;
    case 2:
        if (word.size() > 1)
            miss.remove(pick(rng, word.size()), 1);
        break;
    default:
        miss.insert(pick(rng, word.size() + 1), randomLetter(rng));
        break;
    }
    // Swapping equal letters or drawing the same letter changes nothing.
    if (miss == word)
        miss += u'S';
    return miss;
}
