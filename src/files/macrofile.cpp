#include "files/macrofile.h"

#include "base/ansi.h"
#include "base/failure.h"
#include "files/fileio.h"
#include "files/linereader.h"
#include "files/values.h"

#include <QIODevice>
#include <QRegularExpression>

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

void readSubstitutions(LineReader &reader, MacroFileRecord &file)
{
    for (QString line = reader.readLine(); !line.isEmpty(); line = reader.readLine()) {
        for (int n = 0; n < MacroFileRecord::SubCount; ++n) {
            if (line.startsWith(subPlaceholder(n), Qt::CaseInsensitive)) {
                // The character after the placeholder, normally "=", is skipped unchecked.
                file.subs[n] = line.mid(7);
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

void readMacroSection(LineReader &reader, MacroFileRecord &file, QString line)
{
    int last = 0;
    while (last < MacroFileRecord::MacroCount) {
        if (line.startsWith(u"[macro", Qt::CaseInsensitive)) {
            const Integer index = macroIndex(line);
            last = index;
            if (index > MacroFileRecord::MacroCount)
                return;
            MacroFileRecord::Macro &macro = file.macros[index];
            const QString name = reader.readLine();
            if (name.isEmpty()) {
                macro.name = defaultName(index);
                macro.text.clear();
            } else {
                macro.name = name;
                // The empty line that ends the text is kept, so a text ends in CR LF.
                macro.text = reader.readLine();
                for (QString text = macro.text; !text.isEmpty();) {
                    text = reader.readLine();
                    macro.text += CrLf + text;
                }
            }
        } else if (line.startsWith(u"[end", Qt::CaseInsensitive)) {
            reader.readLine();
            return;
        }
        line = reader.readLine();
    }
}

// The writer's own test for a text worth writing.
bool isWritten(const MacroFileRecord::Macro &macro)
{
    return QString::compare(macro.text, u" ", Qt::CaseSensitive) > 0;
}

// A nameless macro gets the name the reader would give it anyway: an empty
// name line would make the reader drop the text.
QString writtenName(const MacroFileRecord::Macro &macro, int index)
{
    return macro.name.isEmpty() ? defaultName(index) : macro.name;
}

QString macroFileText(const MacroFileRecord &file)
{
    QString text = QStringLiteral("[Substitutions]") + CrLf;
    for (int n = 0; n < MacroFileRecord::SubCount; ++n)
        text += subPlaceholder(n) + u'=' + file.subs[n] + CrLf;
    text += CrLf;
    for (int i = 1; i <= MacroFileRecord::MacroCount; ++i) {
        text += QStringLiteral("[Macro ") + Values::writeNumber(i) + u']' + CrLf;
        const MacroFileRecord::Macro &macro = file.macros[i];
        if (isWritten(macro))
            text += writtenName(macro, i) + CrLf + macro.text + CrLf;
        text += CrLf;
    }
    text += QStringLiteral("[End Macros]") + CrLf + CrLf;
    return text;
}

// Whether text, written as it is, holds a line the reader refuses; every line
// counts, also those after an empty one, which the reader reads as structure.
bool holdsLongLine(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    for (const QString &line : text.split(lineEnd)) {
        if (Ansi::encode(line).size() > LineReader::MaxLineBytes)
            return true;
    }
    return false;
}

} // namespace

void readMacros(QIODevice &in, MacroFileRecord &file)
{
    LineReader reader(in, LineReader::MaxFileBytes);
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        if (line.startsWith(u"[substitutions]", Qt::CaseInsensitive))
            readSubstitutions(reader, file);
        else if (line.startsWith(u"[macro", Qt::CaseInsensitive))
            readMacroSection(reader, file, line);
    }
}

void writeMacros(QIODevice &out, const MacroFileRecord &file)
{
    FileIO::writeText(out, macroFileText(file));
}

MacroFileExcess macroFileExcess(const MacroFileRecord &file)
{
    MacroFileExcess excess;
    for (int n = 0; n < MacroFileRecord::SubCount; ++n) {
        if (holdsLongLine(subPlaceholder(n) + u'=' + file.subs[n]))
            excess.longSubs << n;
    }
    for (int i = 1; i <= MacroFileRecord::MacroCount; ++i) {
        const MacroFileRecord::Macro &macro = file.macros[i];
        if (isWritten(macro) && holdsLongLine(writtenName(macro, i) + CrLf + macro.text))
            excess.longMacros << i;
    }
    const qint64 bytes = Ansi::encode(macroFileText(file)).size();
    if (bytes > LineReader::MaxFileBytes)
        excess.tooLargeBytes = bytes;
    return excess;
}
