#include "app/accessibility.h"
#include "app/frmabout.h"
#include "boxes/frmbox.h"
#include "macroeditor/frmsubs.h"
#include "scoreswindow/frmscores.h"
#include "settings/frmset.h"
#include "support/mainwindowfixture.h"
#include "windows/programstyle.h"
#include "windows/qtdialogs.h"

#include <QAccessible>
#include <QHash>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeView>

#include <functional>
#include <memory>

using WindowsTest = EditorTest;

TEST_F(WindowsTest, EveryWindowIsAnnouncedAsAWindowWithItsTitle)
{
    installWindowAccessibility();
    std::unique_ptr<QWidget> about(createAboutWindow());
    std::unique_ptr<QWidget> scores(createScoresWindow(nullptr, dialogs, u"no store"_qs));
    frmSubs subs(gs, dialogs);
    frmSet set(build().childContext());
    QWidget inner(&subs); // a part of a window stays what it was
    for (QWidget *w : {static_cast<QWidget *>(&build()), about.get(), scores.get(),
                       static_cast<QWidget *>(&subs), static_cast<QWidget *>(&set)}) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Window) << w->windowTitle().toStdString();
        EXPECT_EQ(a->text(QAccessible::Name), w->windowTitle());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&inner)->role(), QAccessible::Client);

    // The dummy buttons are told of nowhere; the boxes' check boxes by colour.
    frmBox box(build().childContext());
    QHash<QObject *, QString> told;
    const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *a) {
        told.insert(a->object(), a->text(QAccessible::Name));
        for (int i = 0; i < a->childCount(); ++i)
            walk(a->child(i));
    };
    for (QWidget *w : {static_cast<QWidget *>(&build()), static_cast<QWidget *>(&box)})
        walk(QAccessible::queryAccessibleInterface(w));
    EXPECT_FALSE(told.contains(build().findChild<QPushButton *>(u"Command2"_qs)));
    EXPECT_FALSE(told.contains(box.Command2));
    EXPECT_FALSE(told.values().contains(u"dummy"_qs));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(told.value(box.chkBox[i]), box.lblBox[i]->text()) << i;
}

TEST_F(WindowsTest, BoxesAndFileDialogsOpenOverTheWindowThatAskedWithTheNormalPointer)
{
    QtDialogs real;
    real.setBusy(true); // a file being read: its boxes show the normal pointer
    for (bool fileDialog : {false, true}) {
        QPointer<QWidget> asker = new frmSubs(gs, dialogs);
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
