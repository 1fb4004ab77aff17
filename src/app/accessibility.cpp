#include "app/accessibility.h"

#include "windows/childwindows.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

// A dummy button only holds the focus; told of it, a screen reader would
// read out a button called "dummy" that nobody can see or press.
class FocusSinkInterface final : public QAccessibleWidget
{
public:
    explicit FocusSinkInterface(QWidget *sink) : QAccessibleWidget(sink, QAccessible::NoRole) {}
    QString text(QAccessible::Text) const override { return QString(); }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
    QStringList actionNames() const override { return {}; }
};

// The part of a window that holds a dummy button, listing its other
// children only.
class WithoutFocusSink final : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface *child(int index) const override { return shown().value(index); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(shown().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    QList<QAccessibleInterface *> shown() const
    {
        QList<QAccessibleInterface *> out;
        for (int i = 0, n = QAccessibleWidget::childCount(); i < n; ++i)
            if (QAccessibleInterface *c = QAccessibleWidget::child(i);
                c && !isFocusSink(c->object()))
                out << c;
        return out;
    }
};

bool holdsFocusSink(const QWidget *widget)
{
    for (const QObject *child : widget->children())
        if (isFocusSink(child))
            return true;
    return false;
}

// Asked for each class of an object's ancestry in turn; answering only at
// plain QWidget leaves dialogs and main windows to Qt's own interfaces.
QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (isFocusSink(widget))
        return new FocusSinkInterface(widget);
    if (className != u"QWidget")
        return nullptr;
    // A window's accessible name falls back to its title.
    if (widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (holdsFocusSink(widget))
        return new WithoutFocusSink(widget);
    return nullptr;
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
