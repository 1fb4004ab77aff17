#include "app/childwindows.h"

#include "app/programfolder.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QWidget *window(const char *name, const QString &title, const QString &text)
{
    auto *w = new QWidget;
    w->setObjectName(QString::fromLatin1(name));
    w->setWindowTitle(title);
    auto *layout = new QVBoxLayout(w);
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    w->resize(320, 160);
    return w;
}

} // namespace

QWidget *createAboutWindow()
{
    return window("frmAbout", QStringLiteral("About Orvella"),
                  QStringLiteral("Orvella\nVersion %1").arg(versionText()));
}

// The editors below come with their own windows later; until then each
// opens as an empty window so the menus already behave as they will.
QWidget *createMacroEditor(GameState &, HostDialogs &, const QString &, frmMain &)
{
    return window("frmMacro", QStringLiteral("Macro Editor"), QString());
}

QWidget *createSubsEditor(GameState &, HostDialogs &)
{
    return window("frmSubs", QStringLiteral("Macro Substitutions"), QString());
}

QWidget *createBoxWindow(GameState &, HostDialogs &, const QString &, frmMain &)
{
    return window("frmBox", QStringLiteral("Box Caller"), QString());
}

QWidget *createSettingsDialog(GameState &, HostDialogs &, const QString &, frmMain &)
{
    return window("frmSet", QStringLiteral("Settings"), QString());
}
