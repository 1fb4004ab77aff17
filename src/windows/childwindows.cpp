#include "windows/childwindows.h"

#include "session/session.h"

#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

ChildContext childContextOf(Session &session, QObject *main)
{
    return {session.gs(),
            session.dialogs(),
            session.folder(),
            [&session] { session.saveSettings(); },
            [&session]() -> ChatLink * { return session.ended() ? nullptr : &session.link(); },
            main};
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

QSizeF sizeInTwips(const QWidget &window)
{
    return {window.width() * 1440.0 / window.logicalDpiX(),
            window.height() * 1440.0 / window.logicalDpiY()};
}

void resizeToTwips(QWidget &window, double width, double height)
{
    window.resize(int(std::lround(width * window.logicalDpiX() / 1440.0)),
                  int(std::lround(height * window.logicalDpiY() / 1440.0)));
}

Integer twipsToInteger(double twips)
{
    const double clamped =
        std::clamp(std::round(twips), double(std::numeric_limits<Integer>::min()),
                   double(std::numeric_limits<Integer>::max()));
    return static_cast<Integer>(clamped);
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
