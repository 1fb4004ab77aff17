#include "app/accessibility.h"
#include "app/frmabout.h"
#include "boxes/frmbox.h"
#include "macroeditor/frmsubs.h"
#include "scoreswindow/frmscores.h"
#include "settings/frmset.h"
#include "support/mainwindowfixture.h"

#include <QAccessible>
#include <QHash>

using WindowsTest = MainWindowTest;

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
    EXPECT_FALSE(told.contains(part(build(), "Command2")));
    EXPECT_FALSE(told.contains(box.Command2));
    EXPECT_FALSE(told.values().contains(u"dummy"_qs));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(told.value(box.chkBox[i]), box.lblBox[i]->text()) << i;
}
