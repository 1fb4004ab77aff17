#include "app/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// "Caption (*.TXT)|*.txt|All Files (*.*)|*.*" to Qt's filters. Qt's own
// dialog parses the pattern out of the caption and matches it in any letter
// case, so the captions stay as the host knows them; only "*.*", which Qt
// would take for names holding a dot, becomes "*".
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString caption = parts[i];
        caption.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        out << caption;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

void QtDialogs::message(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.exec();
}

HostDialogs::Answer QtDialogs::ask(const QString &text, const QString &title, bool withCancel)
{
    auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, title, text, buttons);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return withCancel ? Answer::Cancel : Answer::No;
    }
}

std::optional<QString> QtDialogs::openFile(const QString &filter)
{
    QFileDialog dialog;
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(qtFilter(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtDialogs::saveFile(const QString &filter, const QString &preset)
{
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(qtFilter(filter));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtDialogs::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
