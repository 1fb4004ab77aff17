#include "windows/childwindows.h"

#include <QPushButton>
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

namespace {
const char *const FocusSinkProperty = "orvellaFocusSink";
}

QPushButton *newFocusSink(const QString &objectName)
{
    auto *sink = new QPushButton(QStringLiteral("dummy"));
    sink->setObjectName(objectName);
    sink->setProperty(FocusSinkProperty, true);
    return sink;
}

bool isFocusSink(const QObject *object)
{
    return object && object->property(FocusSinkProperty).toBool();
}
