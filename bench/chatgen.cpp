#include "chatgen.h"

#include "base/ansi.h"
#include "game/banner.h"

#include <cstring>
#include <random>

namespace {

const char *const Words[] = {"hello",       "anyone", "seen",      "the",        "fountain",
                             "tonight",     "game",   "\xE9t\xE9", "gr\xFC\xDF", "100\x80",
                             "\xAByes\xBB", "lol",    "where",     "is",         "%player%",
                             "ok",          "what",   "word",      "guess",      "tiger"};
const char *const Gestures[] = {"<relax>", "<sigh>", "<wave>", "<jump>", "<bow>", "<grin>"};

} // namespace

QStringList generatedNames()
{
    QStringList names{QStringLiteral("Ann Lee")};
    const QStringList first = {QStringLiteral("Bo"),
                               QStringLiteral("Cyd"),
                               QStringLiteral("Dalia"),
                               QStringLiteral("Ede"),
                               QStringLiteral("Fenn"),
                               QStringLiteral("G\u00fcnter"),
                               QStringLiteral("H\u00e9l\u00e8ne"),
                               QStringLiteral("Ivo"),
                               QStringLiteral("Jun"),
                               QStringLiteral("Kai")};
    for (int i = 0; i < 200; ++i)
        names << first[i % first.size()] + QStringLiteral(" %1").arg(i);
    return names;
}

QByteArray generatedChat(qsizetype bytes, unsigned seed)
{
    std::mt19937 rng(seed);
    QList<QByteArray> names;
    for (const QString &n : generatedNames())
        names << Ansi::encode(n);
    auto pick = [&](auto &list) -> auto &
    {
        return list[rng() % std::size(list)];
    };
    const QByteArray echo = names[0] + ": " + Ansi::encode(titleLine());

    QByteArray chat;
    chat.reserve(bytes + 200);
    bool echoed = false;
    while (chat.size() < bytes) {
        if (!chat.isEmpty())
            chat += "\r\n";
        const QByteArray &name = names[1 + rng() % (names.size() - 1)];
        switch (rng() % 10) {
        case 0: // a registration
            chat += "ESP from " + name + ": <relax>";
            break;
        case 1: // another private message
            chat += "ESP from " + name + ": " + pick(Words) + ' ' + pick(Words);
            break;
        case 2: // the host's own line, shown back
            chat += names[0] + ": Bo, your word is T -- -- -- R ";
            break;
        case 3:
            chat += name + ": " + pick(Gestures);
            break;
        default:
            chat += name + ':';
            for (int w = 0, n = 2 + rng() % 9; w < n; ++w)
                chat += ' ' + QByteArray(pick(Words));
        }
        if (chat.size() > bytes - 300 && !echoed) {
            chat += "\r\n" + echo;
            echoed = true;
        }
    }
    return chat;
}

std::vector<std::string> plainSplit(const QByteArray &bytes)
{
    std::vector<std::string> lines;
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    while (p < end) {
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *stop = nl ? nl : end;
        lines.emplace_back(p, size_t(stop - p - (stop > p && stop[-1] == '\r')));
        p = nl ? nl + 1 : end;
    }
    return lines;
}
