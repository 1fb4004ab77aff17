#include "windows/childwindows.h"

#include <QWidget>

#include <cmath>

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
