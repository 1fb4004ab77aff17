#include "app/childwindows.h"

#include "files/programfolder.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

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

QPointF positionInTwips(const QWidget &window)
{
    return {window.pos().x() * 1440.0 / window.logicalDpiX(),
            window.pos().y() * 1440.0 / window.logicalDpiY()};
}

void moveToTwips(QWidget &window, double left, double top)
{
    window.move(int(std::lround(left * window.logicalDpiX() / 1440.0)),
                int(std::lround(top * window.logicalDpiY() / 1440.0)));
}
