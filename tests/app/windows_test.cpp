#include "app/accessibility.h"
#include "app/childwindows.h"
#include "app/qtdialogs.h"
#include "macros/editorfixture.h"
#include "macros/frmsubs.h"
#include "settings/frmset.h"

#include <QAccessible>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <memory>

using WindowsTest = EditorTest;

TEST_F(WindowsTest, EveryWindowIsAnnouncedAsAWindowWithItsTitle)
{
    installWindowAccessibility();
    std::unique_ptr<QWidget> about(createAboutWindow());
    frmSubs subs(gs, dialogs);
    frmSet set(main().childContext());
    QWidget inner(&subs); // a part of a window stays what it was
    for (QWidget *w : {static_cast<QWidget *>(&main()), about.get(), static_cast<QWidget *>(&subs),
                       static_cast<QWidget *>(&set)}) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Window) << w->windowTitle().toStdString();
        EXPECT_EQ(a->text(QAccessible::Name), w->windowTitle());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&inner)->role(), QAccessible::Client);
}

TEST_F(WindowsTest, BoxesAndFileDialogsOpenOverTheWindowThatAsked)
{
    frmSubs subs(gs, dialogs);
    subs.show();
    QtDialogs real;
    QList<QWidget *> parents;
    // Each dialog is answered from inside its own loop, as the host would.
    auto answerNext = [&](bool closeAsker) {
        QTimer::singleShot(0, [&, closeAsker] {
            QWidget *open = QApplication::activeModalWidget();
            parents << (open ? open->parentWidget() : nullptr);
            if (closeAsker && open)
                delete open->parentWidget(); // the asking window goes first
            else if (open)
                static_cast<QDialog *>(open)->reject();
        });
    };
    answerNext(false);
    real.message(u"text"_qs, u"title"_qs);
    answerNext(false);
    EXPECT_EQ(real.ask(u"text"_qs, u"title"_qs, true), HostDialogs::Answer::Cancel);
    answerNext(false);
    EXPECT_EQ(real.openFile(u"Orvella (*.TXT)|*.txt"_qs), std::nullopt);
    EXPECT_EQ(parents, QList<QWidget *>({&subs, &subs, &subs}));

    auto *doomed = new frmSubs(gs, dialogs);
    subs.hide();
    doomed->show();
    answerNext(true);
    EXPECT_EQ(real.saveFile(u"Macro (*.TXT)|*.txt"_qs, u"m.txt"_qs), std::nullopt);
    EXPECT_EQ(parents.last(), doomed);
}
