#include "app/fontsetupahead.h"
#include "app/runprogram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (const std::optional<int> told = answerWithoutWindow(argc, argv))
        return *told;
    const FontSetupAhead fonts;
    QApplication app(argc, argv);
    return runProgram();
}
