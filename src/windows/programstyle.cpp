#include "windows/programstyle.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>

QIcon ProgramStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                                 const QWidget *widget) const
{
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(icon, option, widget);
    QPixmap arrows(16, 16);
    arrows.fill(Qt::transparent);
    QPainter painter(&arrows);
    QStyleOption o;
    o.palette = widget ? widget->palette() : QPalette();
    o.state = State_Enabled;
    const PrimitiveElement arrow = icon == SP_ToolBarHorizontalExtensionButton
                                       ? PE_IndicatorArrowRight
                                       : PE_IndicatorArrowDown;
    // Two arrows one after the other, as the chevron of the image has it.
    for (int i = 0; i < 2; ++i) {
        o.rect = icon == SP_ToolBarHorizontalExtensionButton ? QRect(i * 6, 0, 10, 16)
                                                             : QRect(0, i * 6, 16, 10);
        drawPrimitive(arrow, &o, &painter, widget);
    }
    return QIcon(arrows);
}
