#include "support/mainwindowfixture.h"

#include <QListWidget>
#include <QMenu>
#include <QTest>

// The pop-up menus act on the marked row, so a right press shows the menu
// and must not mark the row under the pointer.
TEST(ListPress, ARightPressShowsTheMenuAndChangesNothingElse)
{
    MainWindowRig rig;
    frmMain &w = rig.window();
    QList<QMenu *> shown;
    w.popupMenu = [&](QMenu *m) { shown << m; };
    w.show();
    for (auto [list, menu] : {std::pair{w.lstDown, w.mnuDPlayer}, {w.lstPlayers, w.mnuPlayer}}) {
        shown.clear();
        list->addItems({u"Al"_qs, u"Bo"_qs, u"Cy"_qs});
        list->setCurrentRow(0);
        const QPoint onCy = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, onCy);
        QTest::mouseDClick(list->viewport(), Qt::RightButton, {}, onCy);
        EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem *>({list->item(0)}));
        EXPECT_TRUE(shown.size() >= 2 && shown.count(menu) == shown.size());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onCy);
        EXPECT_EQ(list->currentRow(), 2);
    }
}
