#include "app/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    frmMain window;
    window.show();
    return QApplication::exec();
}
