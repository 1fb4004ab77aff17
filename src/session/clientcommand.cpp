#include "session/clientcommand.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

QString clientCommand(const QString &programFolder, const QString &name)
{
    const QFileInfo beside(programFolder + u'/' + name);
    if (!beside.isFile() || !beside.isExecutable())
        return name;
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == beside.canonicalFilePath())
        return name;
    const QString path = beside.absoluteFilePath();
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}
