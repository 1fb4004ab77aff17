#pragma once

#include <QProxyStyle>

// The platform's style, but for the menu bar's extension button: its icon
// is drawn rather than read from an image, which would load every image
// format plugin at start-up for a button that shows only when the menus do
// not fit.
class ProgramStyle final : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override;
};
