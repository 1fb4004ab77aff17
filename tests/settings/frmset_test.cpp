#include "settings/frmset.h"

#include "support/sessionrig.h"

#include <QTest>

using SettingsDialogTest = ChildWindowTest;

// An empty setting shows the design text, the
// registration box takes only its keys, on release, and closing takes every
// value over.
TEST_F(SettingsDialogTest, TheBoxesTakeGesturesAndKeysAndClosingTakesEveryValueOver)
{
    startSession();
    gs.Confirm = true;
    gs.WTG = u"WTG %player%!"_qs;
    auto *w = open<frmSet>(createSettingsDialog(childContext()));
    EXPECT_TRUE(w->chkConfirm->isChecked() && !w->chkCalldown->isChecked());
    EXPECT_EQ(w->txtRegChar->text(), u"\u00B4"_qs);

    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    // On the US layout Qt names Shift+3 by what it types; Caps Lock does not count.
    const std::tuple<int, Qt::KeyboardModifiers, QString> keys[] = {
        {Qt::Key_F2, shift, u"\u00B0"_qs},
        {Qt::Key_F2, {}, "-"},
        {Qt::Key_3, shift, "#"},
        {Qt::Key_NumberSign, shift, "#"},
        {Qt::Key_0, shift, ")"},
        {Qt::Key_3, {}, "3"},
        {Qt::Key_3, Qt::KeypadModifier, "-"},
        {Qt::Key_Q, shift, "Q"},
        {Qt::Key_Q, {}, "q"},
        {Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier, "q"},
        {Qt::Key_CapsLock, shift, "-"},
    };
    for (const auto &[key, mods, typed] : keys) {
        w->txtRegChar->setText(u"-"_qs);
        release(w->txtRegChar, key, mods);
        EXPECT_EQ(w->txtRegChar->text(), typed) << key;
    }
    release(w->txtRegChar, Qt::Key_Q, {}, /*autoRepeat=*/true);
    EXPECT_EQ(w->txtRegChar->text(), u"-"_qs) << "a held key counts once";
    QTest::keyPress(w->txtRegChar, Qt::Key_X); // typing does not reach it
    EXPECT_EQ(w->txtRegChar->text(), u"-"_qs);

    w->txtWTG->setCursorPosition(4);
    release(w->txtWTG, Qt::Key_F6, Qt::ControlModifier);
    w->txtWTG->insert(QString::fromUcs4(U"\U0001F600 ")); // one character the file cannot hold
    w->txtSorry->setSelection(0, 5);
    release(w->txtSorry, Qt::Key_F11, Qt::ShiftModifier);
    release(w->txtCalldown, Qt::Key_F2, Qt::ShiftModifier); // not in this one
    w->txtRegChar->setText(u"ab"_qs);
    w->chkConfirm->setCheckState(Qt::PartiallyChecked); // greyed counts as checked
    w->chkCalldown->setChecked(true);
    w->close();
    EXPECT_EQ(gs.WTG, u"WTG \u00B5"_qs + QString::fromUcs4(U"\U0001F600 %player%!"));
    EXPECT_EQ(room.log.filter(u"N "_qs), QStringList({u"N reg "_qs, u"N reg a"_qs}));
    EXPECT_TRUE(bytesOf(ini()).contains(
        "\r\nRegChar=a\r\nConfirm=True\r\nSorry=\xB6 %player%.  %word% is not a match\r\n"
        "WTG=WTG \xB5? %player%!\r\nCalldownMSG=Turn ESP and ESP mail off before play "
        "starts\r\nCalldown=True\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(
        dialogs.messages[0].text,
        u"The settings file cannot hold everything as it stands:\r\nWTG Message: "
        "characters the file cannot hold are saved as \"?\".\r\nThe file is saved anyway."_qs);
}
