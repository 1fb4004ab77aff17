#include "windows/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QTreeView>

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

// Runs a dialog made over the asking window and deletes it. Should that window
// go while the dialog runs, it takes the dialog with it, and exec() answers
// Rejected; the deleted dialog is not touched again.
int run(QDialog *dialog, QStringList *files = nullptr)
{
    const QPointer<QDialog> guard(dialog);
    const BusyPointer::Normal pointer;
    const int result = dialog->exec();
    if (guard && files)
        *files = static_cast<QFileDialog *>(dialog)->selectedFiles();
    delete guard.data();
    return result;
}

// Qt's own dialog gives its detail columns fixed widths that cut sizes,
// types and dates; they fit their text, and the name takes what is left.
QFileDialog *fileDialog()
{
    auto *dialog = new QFileDialog(askingWindow());
    if (auto *details = dialog->findChild<QTreeView *>()) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->setMinimumSectionSize(header->fontMetrics().averageCharWidth() * 16);
    }
    dialog->resize(dialog->sizeHint().expandedTo(QSize(700, 420)));
    return dialog;
}

std::optional<QString> chosenFile(QFileDialog *dialog)
{
    QStringList files;
    if (run(dialog, &files) != QDialog::Accepted || files.isEmpty())
        return std::nullopt;
    return files.first();
}

} // namespace

QWidget *askingWindow()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    // Without a window manager no window may be active; the one on screen asked.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
            return w;
    }
    return nullptr;
}

void QtDialogs::message(const QString &text, const QString &title)
{
    run(new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, askingWindow()));
}

HostDialogs::Answer QtDialogs::ask(const QString &text, const QString &title, bool withCancel)
{
    auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    switch (run(new QMessageBox(QMessageBox::Question, title, text, buttons, askingWindow()))) {
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
    QFileDialog *dialog = fileDialog();
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(qtFilter(filter));
    return chosenFile(dialog);
}

std::optional<QString> QtDialogs::saveFile(const QString &filter, const QString &preset)
{
    QFileDialog *dialog = fileDialog();
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(qtFilter(filter));
    if (!preset.isEmpty())
        dialog->selectFile(preset);
    return chosenFile(dialog);
}

void QtDialogs::setBusy(bool busy)
{
    if (busy)
        m_busy.push_back(std::make_unique<BusyPointer::Wait>());
    else if (!m_busy.empty())
        m_busy.pop_back();
}
