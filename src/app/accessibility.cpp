#include "app/accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

// Asked for each class of an object's ancestry in turn; answering only at
// plain QWidget leaves dialogs and main windows to Qt's own interfaces.
QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (className != u"QWidget" || !widget || !widget->isWindow())
        return nullptr;
    // A window's accessible name falls back to its title.
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void installWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    Q_UNUSED(installed);
}
