#include "settings/frmset.h"

#include "macros/editorfixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using SettingsDialogTest = EditorTest;

TEST_F(SettingsDialogTest, EmptySettingsTakeTheDesignTextsWhenClosed)
{
    frmMain &m = window();
    m.show();
    m.mnuSet->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shown<frmSet>();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->chkConfirm->isChecked() || w->chkCalldown->isChecked());
    w->close();
    deleteClosed();
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(gs.RegChar, QStringLiteral("\u00B4"));
    EXPECT_TRUE(readFile(ini()).contains("\r\nRegChar=\xB4\r\nConfirm=False\r\n"
                                         "Sorry=Sorry %player%.  %word% is not a match\r\n"
                                         "WTG=WTG %player%!  %word% is a match\r\n"
                                         "CalldownMSG=Turn ESP and ESP mail off before play "
                                         "starts\r\nCalldown=False\r\n"));
}

TEST_F(SettingsDialogTest, TheRegistrationBoxTakesOnlyItsKeysOnRelease)
{
    gs.RegChar = QStringLiteral("$");
    frmSet w(build().childContext());
    w.show();
    EXPECT_EQ(w.txtRegChar->text(), QStringLiteral("$"));
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    const auto none = Qt::KeyboardModifiers(Qt::NoModifier);
    // On the US layout Qt names Shift+3 by what it types; Caps Lock does not count.
    const std::tuple<int, Qt::KeyboardModifiers, QString> keys[] = {
        {Qt::Key_F2, shift, QStringLiteral("\u00B0")},
        {Qt::Key_F2, none, "-"},
        {Qt::Key_3, shift, "#"},
        {Qt::Key_NumberSign, shift, "#"},
        {Qt::Key_0, shift, ")"},
        {Qt::Key_3, none, "3"},
        {Qt::Key_3, Qt::KeypadModifier, "-"},
        {Qt::Key_Q, shift, "Q"},
        {Qt::Key_Q, none, "q"},
        {Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier, "q"},
        {Qt::Key_Minus, shift, "-"},
        {Qt::Key_Shift, shift, "-"},
        {Qt::Key_CapsLock, shift, "-"},
    };
    for (const auto &[key, mods, typed] : keys) {
        w.txtRegChar->setText(QStringLiteral("-"));
        release(w.txtRegChar, key, mods);
        EXPECT_EQ(w.txtRegChar->text(), typed) << key;
    }
    release(w.txtRegChar, Qt::Key_Q, none, /*autoRepeat=*/true);
    EXPECT_EQ(w.txtRegChar->text(), QStringLiteral("-")) << "a held key counts once";
    QTest::keyPress(w.txtRegChar, Qt::Key_X); // typing does not reach it
    EXPECT_EQ(w.txtRegChar->text(), QStringLiteral("-"));
}

TEST_F(SettingsDialogTest, TheTemplatesTakeGesturesAndClosingTakesEveryValueOver)
{
    gs.RegChar = QStringLiteral("$");
    gs.Confirm = true;
    gs.WTG = QStringLiteral("WTG %player%!");
    frmSet w(build().childContext());
    w.show();
    EXPECT_TRUE(w.chkConfirm->isChecked());
    w.txtWTG->setCursorPosition(4);
    release(w.txtWTG, Qt::Key_F6, Qt::ControlModifier);
    w.txtWTG->insert(QString::fromUcs4(U"\U0001F600 ")); // one character the file cannot hold
    w.txtSorry->setSelection(0, 5);
    release(w.txtSorry, Qt::Key_F11, Qt::ShiftModifier);
    release(w.txtCalldown, Qt::Key_F2, Qt::ShiftModifier); // not in this one
    w.txtRegChar->setText(QStringLiteral("ab"));
    w.chkConfirm->setCheckState(Qt::PartiallyChecked); // greyed counts as checked
    w.chkCalldown->setChecked(true);
    w.close();
    EXPECT_EQ(gs.RegChar, QStringLiteral("a"));
    EXPECT_TRUE(gs.Confirm && gs.Calldown);
    EXPECT_EQ(gs.WTG, QStringLiteral("WTG \u00B5") + QString::fromUcs4(U"\U0001F600 %player%!"));
    EXPECT_TRUE(readFile(ini()).contains(
        "\r\nRegChar=a\r\nConfirm=True\r\nSorry=\xB6 %player%.  %word% is not a match\r\n"
        "WTG=WTG \xB5? %player%!\r\nCalldownMSG=Turn ESP and ESP mail off before play "
        "starts\r\nCalldown=True\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("The settings file cannot hold everything as it stands:\r\nWTG "
                             "Message: characters the file cannot hold are saved as \"?\".\r\n"
                             "The file is saved anyway."));
}
