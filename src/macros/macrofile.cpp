#include "macros/macrofile.h"

#include "files/fileio.h"
#include "files/linereader.h"
#include "files/values.h"
#include "base/failure.h"
#include "game/gamestate.h"
#include "base/hostdialogs.h"

#include <QIODevice>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// A macro header without its closing bracket fails as the classic string
// slicing did.
constexpr int ErrInvalidCall = 5;

QString subPlaceholder(int n)
{
    return QStringLiteral("%sub") + QString::number(n) + u'%';
}

// The name the reader gives a macro whose name line is empty.
QString defaultName(int index)
{
    return QStringLiteral("Macro ") + QString::number(index);
}

void readSubstitutions(LineReader &reader, GameState &gs)
{
    for (QString line = reader.readLine(); !line.isEmpty(); line = reader.readLine()) {
        for (int n = 0; n < SubCount; ++n) {
            if (line.startsWith(subPlaceholder(n), Qt::CaseInsensitive)) {
                // The character after the placeholder, normally "=", is skipped unchecked.
                gs.Subs[n] = line.mid(7);
                break;
            }
        }
    }
}

// The text between "[macro" and the first "]".
Integer macroIndex(const QString &header)
{
    const qsizetype close = header.indexOf(u']');
    if (close < 0)
        throw Failure(ErrInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    const Integer index = Values::readInteger(header.mid(6, close - 6));
    if (index < 0)
        throw Failure(ErrSubscript);
    return index;
}

void readMacroSection(LineReader &reader, GameState &gs, QString line)
{
    int last = 0;
    while (last < MacroCount) {
        if (line.startsWith(u"[macro", Qt::CaseInsensitive)) {
            const Integer index = macroIndex(line);
            last = index;
            if (index > MacroCount)
                return;
            MacroRec &macro = gs.Macros[index];
            const QString name = reader.readLine();
            if (name.isEmpty()) {
                macro.Name = defaultName(index);
                macro.Text.clear();
            } else {
                macro.Name = name;
                // The empty line that ends the text is kept, so a text ends in CR LF.
                macro.Text = reader.readLine();
                for (QString text = macro.Text; !text.isEmpty();) {
                    text = reader.readLine();
                    macro.Text += CrLf + text;
                }
            }
        } else if (line.startsWith(u"[end", Qt::CaseInsensitive)) {
            reader.readLine();
            return;
        }
        line = reader.readLine();
    }
}

// The pointer must come back on every path, a failure's message box included.
class BusyPointer
{
public:
    explicit BusyPointer(HostDialogs &dialogs) : m_dialogs(dialogs) { m_dialogs.setBusy(true); }
    ~BusyPointer() { release(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

    void release()
    {
        if (m_busy)
            m_dialogs.setBusy(false);
        m_busy = false;
    }

private:
    HostDialogs &m_dialogs;
    bool m_busy = true;
};

} // namespace

void readMacros(QIODevice &in, GameState &gs)
{
    LineReader reader(in, LineReader::MaxFileBytes);
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        if (line.startsWith(u"[substitutions]", Qt::CaseInsensitive))
            readSubstitutions(reader, gs);
        else if (line.startsWith(u"[macro", Qt::CaseInsensitive))
            readMacroSection(reader, gs, line);
    }
}

void writeMacros(QIODevice &out, const GameState &gs)
{
    QString text = QStringLiteral("[Substitutions]") + CrLf;
    for (int n = 0; n < SubCount; ++n)
        text += subPlaceholder(n) + u'=' + gs.Subs[n] + CrLf;
    text += CrLf;
    for (int i = 1; i <= MacroCount; ++i) {
        text += QStringLiteral("[Macro ") + Values::writeNumber(i) + u']' + CrLf;
        const MacroRec &macro = gs.Macros[i];
        if (QString::compare(macro.Text, u" ", Qt::CaseSensitive) > 0) {
            // An empty name line would make the reader drop the text, so a
            // nameless macro gets the name the reader would give it anyway.
            const QString name = macro.Name.isEmpty() ? defaultName(i) : macro.Name;
            text += name + CrLf + macro.Text + CrLf;
        }
        text += CrLf;
    }
    text += QStringLiteral("[End Macros]") + CrLf + CrLf;
    FileIO::writeText(out, text);
}

void MacroReader(GameState &gs, HostDialogs &dialogs)
{
    if (gs.MacroFile.isEmpty())
        return;
    BusyPointer busy(dialogs);
    try {
        FileIO::readFile(gs.MacroFile, [&](QIODevice &in) { readMacros(in, gs); });
    } catch (const Failure &f) {
        busy.release();
        dialogs.message(
            f.numberedReport(QStringLiteral("Problem with Macro file.") + CrLf + gs.MacroFile),
            QStringLiteral("Problem with Macro File"));
    }
}

WriteResult MacroWriter(const GameState &gs)
{
    if (gs.MacroFile.isEmpty())
        return std::nullopt;
    return FileIO::save(gs.MacroFile, [&](QIODevice &out) { writeMacros(out, gs); });
}
