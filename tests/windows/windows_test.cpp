#include "windows/programstyle.h"
#include "windows/qtdialogs.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

TEST(QtDialogsTest, BoxesAndFileDialogsOpenOverTheWindowThatAskedWithTheNormalPointer)
{
    QtDialogs real;
    real.setBusy(true); // a file being read: its boxes show the normal pointer
    for (bool fileDialog : {false, true}) {
        QPointer<QWidget> asker = new QWidget;
        QWidget *const asking = asker, *parent = nullptr;
        const QCursor *pointer = nullptr;
        asker->show();
        // Answered from inside its own loop, after the window that asked has gone.
        QTimer::singleShot(0, [&] {
            QPointer<QWidget> open = QApplication::activeModalWidget();
            parent = open ? open->parentWidget() : nullptr;
            pointer = QApplication::overrideCursor();
            // Sizes, types and dates show whole beside the names.
            if (auto *details = open ? open->findChild<QTreeView *>() : nullptr; details) {
                const QAbstractItemView *view = details;
                for (int c = 1; c < details->header()->count(); ++c)
                    EXPECT_GE(
                        details->header()->sectionSize(c),
                        std::max(view->sizeHintForColumn(c), details->header()->sectionSizeHint(c)))
                        << c;
            } else {
                EXPECT_FALSE(fileDialog) << "the file dialog has its detail view";
            }
            delete asker;
            if (open)
                open->close();
        });
        if (fileDialog)
            EXPECT_EQ(real.saveFile(u"Macro (*.TXT)|*.txt"_qs, u"m.txt"_qs), std::nullopt);
        else
            real.message(u"text"_qs, u"title"_qs);
        EXPECT_EQ(parent, asking);
        EXPECT_EQ(pointer, nullptr);
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
    }
    real.setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The menu bar's extension button has its arrows though no image is read.
TEST(ProgramStyleTest, TheMenuBarsExtensionButtonHasAnIcon)
{
    ProgramStyle style;
    QMenuBar bar;
    for (auto icon :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QImage drawn = style.standardIcon(icon, nullptr, &bar).pixmap(16, 16).toImage();
        ASSERT_FALSE(drawn.isNull());
        int inked = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                inked += qAlpha(drawn.pixel(x, y)) > 0;
        EXPECT_GT(inked, 8) << icon;
    }
}
