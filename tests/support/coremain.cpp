#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// The main of every test below the windows: no widgets, no display.
int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
