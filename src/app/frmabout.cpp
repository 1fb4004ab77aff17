#include "app/frmabout.h"

#include "files/programfolder.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

QWidget *createAboutWindow()
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmAbout"));
    w->setWindowTitle(QStringLiteral("About Orvella"));
    auto *layout = new QVBoxLayout(w);
    auto *label = new QLabel(QStringLiteral("Orvella\nVersion %1").arg(versionText()));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    w->resize(320, 160);
    return w;
}
