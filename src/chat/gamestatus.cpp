#include "chat/gamestatus.h"

#include "base/ansi.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<GameStatus::Phase, const char *>, 5> PhaseNames{{
    {GameStatus::Phase::Idle, "idle"},
    {GameStatus::Phase::Open, "open"},
    {GameStatus::Phase::Playing, "playing"},
    {GameStatus::Phase::Won, "won"},
    {GameStatus::Phase::Over, "over"},
}};

// A value on one line, cut to its cap: a control character would start a
// line or a field of its own.
QByteArray field(const QString &value, qsizetype cap)
{
    QByteArray bytes = Ansi::encode(value.left(cap));
    for (char &c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return bytes;
}

void put(QByteArray &out, const char *key, const QByteArray &value)
{
    out += key;
    out += '=';
    out += value;
    out += "\r\n";
}

// A count or an index as the wire has it: digits only, within 0..max.
std::optional<int> number(QByteArrayView text, int max)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > max)
        return std::nullopt;
    return n;
}

// NAME<TAB>SECOND, each within the text cap.
std::optional<std::pair<QString, QByteArrayView>> pair(QByteArrayView value)
{
    const qsizetype tab = value.indexOf('\t');
    if (tab < 0 || tab > GameStatusCap::Text || value.size() - tab - 1 > GameStatusCap::Text)
        return std::nullopt;
    return std::pair{Ansi::decode(value.first(tab).toByteArray()), value.sliced(tab + 1)};
}

} // namespace

QByteArray encodeGameStatus(const GameStatus &s)
{
    QByteArray out;
    for (const auto &[phase, name] : PhaseNames)
        if (phase == s.phase)
            put(out, "phase", name);
    put(out, "word", QByteArray::number(s.word));
    put(out, "words", QByteArray::number(s.words));
    put(out, "pattern", field(s.pattern, GameStatusCap::Pattern));
    const qsizetype called = std::min(s.called.size(), GameStatusCap::Called);
    for (qsizetype i = 0; i < called; ++i)
        put(out, "called", field(s.called[i], GameStatusCap::Text));
    if (s.up >= 0 && s.up < called)
        put(out, "up", QByteArray::number(s.up));
    if (s.secondsLeft >= 0) {
        put(out, "seconds", QByteArray::number(s.secondsLeft));
        put(out, "from", QByteArray::number(s.secondsFrom));
    }
    for (const GameStatus::Winner &w :
         s.winners.first(std::min(s.winners.size(), GameStatusCap::Winners)))
        put(out, "winner",
            field(w.name, GameStatusCap::Text) + '\t' + field(w.box, GameStatusCap::Text));
    for (const GameStatus::Leader &l :
         s.leaders.first(std::min(s.leaders.size(), GameStatusCap::Leaders)))
        put(out, "leader", field(l.name, GameStatusCap::Text) + '\t' + QByteArray::number(l.wins));
    return out;
}

std::optional<GameStatus> decodeGameStatus(QByteArrayView text)
{
    if (text.size() > GameStatusCap::Bytes || (!text.isEmpty() && !text.endsWith("\r\n")))
        return std::nullopt;
    constexpr int MaxNumber = 32767; // the protocol's numbers are 16-bit
    GameStatus s;
    bool hasPhase = false;
    int up = -1;
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype end = text.indexOf("\r\n", at);
        const QByteArrayView line = text.sliced(at, end - at);
        at = end + 2;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QByteArrayView key = line.first(eq), value = line.sliced(eq + 1);
        // Only a winner's or a leader's line has a field of two parts.
        const bool paired = key == "winner" || key == "leader";
        qsizetype tabs = 0;
        for (char c : line)
            if (c == '\t')
                ++tabs;
            else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                return std::nullopt;
        if (tabs != (paired ? 1 : 0))
            return std::nullopt;
        const auto num = [&](int &into) {
            const auto n = number(value, MaxNumber);
            if (n)
                into = *n;
            return n.has_value();
        };
        if (key == "phase") {
            hasPhase = false;
            for (const auto &[phase, name] : PhaseNames)
                if (value == name) {
                    s.phase = phase;
                    hasPhase = true;
                }
            if (!hasPhase)
                return std::nullopt;
        } else if (key == "word" || key == "words" || key == "up" || key == "seconds" ||
                   key == "from") {
            int &into = key == "word"      ? s.word
                        : key == "words"   ? s.words
                        : key == "up"      ? up
                        : key == "seconds" ? s.secondsLeft
                                           : s.secondsFrom;
            if (!num(into))
                return std::nullopt;
        } else if (key == "pattern") {
            if (value.size() > GameStatusCap::Pattern)
                return std::nullopt;
            s.pattern = Ansi::decode(value.toByteArray());
        } else if (key == "called") {
            if (value.size() > GameStatusCap::Text || s.called.size() == GameStatusCap::Called)
                return std::nullopt;
            s.called << Ansi::decode(value.toByteArray());
        } else if (key == "winner") {
            const auto p = pair(value);
            if (!p || s.winners.size() == GameStatusCap::Winners)
                return std::nullopt;
            s.winners << GameStatus::Winner{p->first, Ansi::decode(p->second.toByteArray())};
        } else if (key == "leader") {
            const auto p = pair(value);
            const auto wins = p ? number(p->second, MaxNumber) : std::nullopt;
            if (!wins || s.leaders.size() == GameStatusCap::Leaders)
                return std::nullopt;
            s.leaders << GameStatus::Leader{p->first, *wins};
        }
    }
    if (!hasPhase || up >= s.called.size())
        return std::nullopt;
    s.up = up;
    return s;
}
