#include "game/template.h"

namespace {

// Character by character, so every position in the copy is the same
// position in the template; a whole-string conversion may lengthen it.
QString lowerKeepingPositions(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower)
        c = c.toLower();
    return lower;
}

} // namespace

QString FillTemplate(const QString &templ, const QString &name, const QString &response)
{
    const QString player = QStringLiteral("%player%");
    const QString word = QStringLiteral("%word%");

    QString text = templ;
    const qsizetype p = lowerKeepingPositions(templ).indexOf(player);
    if (p >= 0)
        text = templ.left(p) + name + templ.mid(p + player.size());

    // Searched after the name went in: a name holding "%word%" takes the answer.
    const qsizetype q = text.indexOf(word);
    if (q >= 0)
        text = text.left(q) + response + text.mid(q + word.size());
    return text;
}
