#include "app/fontsetupahead.h"
#include "app/runprogram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const FontSetupAhead fonts;
    QApplication app(argc, argv);
    return runProgram();
}
