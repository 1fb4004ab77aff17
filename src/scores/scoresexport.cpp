#include "scores/scoresexport.h"

#include <QLocale>

QString csvOf(const QStringList &header, const QList<QVariantList> &rows)
{
    QString out;
    auto line = [&out](const QVariantList &fields) {
        QStringList written;
        for (const QVariant &v : fields) {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
                written << QString::number(v.toLongLong());
                continue;
            case QMetaType::Double:
                written << QString::number(v.toDouble(), 'g', 15);
                continue;
            default:
                break;
            }
            QString f = v.toString();
            if (!f.isEmpty() && QStringLiteral("=+-@").contains(f.front()))
                f.prepend(u'\'');
            written << u'"' + f.replace(u'"', QStringLiteral("\"\"")) + u'"';
        }
        out += written.join(u',') + QStringLiteral("\r\n");
    };
    QVariantList names;
    for (const QString &h : header)
        names << h;
    line(names);
    for (const QVariantList &r : rows)
        line(r);
    return out;
}

namespace {

QString esc(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        case u'\'':
            out += QStringLiteral("&#39;");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() > 0x7e)
                out += QStringLiteral("&#%1;").arg(c.unicode());
            else
                out += c;
        }
    }
    return out;
}

QString when(const QDateTime &t)
{
    return t.isValid() ? QLocale::c().toString(t.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm"))
                       : QString();
}

} // namespace

QString verdictText(ScoreStore::Verdict verdict)
{
    switch (verdict) {
    case ScoreStore::Verdict::Match:
        return QStringLiteral("match");
    case ScoreStore::Verdict::Miss:
        return QStringLiteral("miss");
    case ScoreStore::Verdict::TimeRanOut:
        return QStringLiteral("time ran out");
    }
    return QString();
}

QString reportHtml(const ScoreStore::GameRow &game,
                   const std::vector<ScoreStore::WordReport> &words)
{
    const QString title = QStringLiteral("Game of ") + when(game.opened);
    QString out = QStringLiteral("<!DOCTYPE html>\r\n<html><head><meta charset=\"us-ascii\">"
                                 "<title>") +
                  esc(title) +
                  QStringLiteral("</title><style>body{font-family:sans-serif}"
                                 "table{border-collapse:collapse}td,th{border:1px solid #999;"
                                 "padding:2px 6px;text-align:left}</style></head><body>\r\n");
    out += QStringLiteral("<h1>") + esc(title) + QStringLiteral("</h1>\r\n<p>Host: ") +
           esc(game.host) + QStringLiteral(". ") +
           (game.ended.isValid() ? QStringLiteral("Ended ") + esc(when(game.ended))
                                 : QStringLiteral("Unfinished")) +
           QStringLiteral(".</p>\r\n");
    for (const ScoreStore::WordReport &w : words) {
        out += QStringLiteral("<h2>Word %1: ").arg(w.index) + esc(w.word) +
               QStringLiteral("</h2>\r\n<p>Called down: ") +
               esc(w.calledDown.join(QStringLiteral(", "))) +
               QStringLiteral("</p>\r\n<table><tr><th>Asked</th><th>Answer</th><th>Marks</th>"
                              "<th>Verdict</th></tr>\r\n");
        for (const ScoreStore::Answer &a : w.answers)
            out += QStringLiteral("<tr><td>") + esc(a.player) + QStringLiteral("</td><td>") +
                   esc(a.answer) + QStringLiteral("</td><td><code>") + esc(a.marks) +
                   QStringLiteral("</code></td><td>") + esc(verdictText(a.verdict)) +
                   (a.countdown ? QStringLiteral(" (after the countdown)") : QString()) +
                   QStringLiteral("</td></tr>\r\n");
        out += QStringLiteral("</table>\r\n<p>") +
               (w.winner.isEmpty() ? QStringLiteral("Not won.")
                                   : QStringLiteral("Won by ") + esc(w.winner) +
                                         QStringLiteral(", box ") + esc(w.box) + u'.') +
               QStringLiteral("</p>\r\n");
    }
    return out + QStringLiteral("</body></html>\r\n");
}

WriteResult saveExport(const QString &path, const QString &text)
{
    return FileIO::save(path, [&](QIODevice &out) { FileIO::writeText(out, text); });
}
