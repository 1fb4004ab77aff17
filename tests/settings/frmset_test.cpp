#include "settings/frmset.h"

#include "macros/editorfixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

namespace {

class SettingsDialogTest : public EditorTest
{
protected:
    frmSet &dialog()
    {
        if (!m_dialog) {
            m_dialog = std::make_unique<frmSet>(gs, dialogs, dir.path(), main());
            m_dialog->show();
        }
        return *m_dialog;
    }
    QString regCharAfter(int key, Qt::KeyboardModifiers mods)
    {
        dialog().txtRegChar->setText(QStringLiteral("-"));
        release(dialog().txtRegChar, key, mods);
        return dialog().txtRegChar->text();
    }

    std::unique_ptr<frmSet> m_dialog;
};

} // namespace

TEST_F(SettingsDialogTest, EmptySettingsTakeTheDesignTextsWhenClosed)
{
    frmMain &m = loadedMain();
    m.mnuSet->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shownWindow<frmSet>("frmSet");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->chkConfirm->isChecked());
    const QList<QWidget *> stops = {w->txtSorry,   w->txtWTG,      w->txtRegChar,
                                    w->chkConfirm, w->txtCalldown, w->chkCalldown};
    QList<QWidget *> order;
    for (QWidget *at = w->txtSorry; order.size() < stops.size(); at = at->nextInFocusChain()) {
        if (stops.contains(at) && !order.contains(at))
            order << at;
    }
    EXPECT_EQ(order, stops);

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

TEST_F(SettingsDialogTest, TheRegistrationBoxTakesOnlyItsKeys)
{
    gs.RegChar = QStringLiteral("$");
    EXPECT_EQ(dialog().txtRegChar->text(), QStringLiteral("$"));
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    const auto none = Qt::KeyboardModifiers(Qt::NoModifier);
    EXPECT_EQ(regCharAfter(Qt::Key_F2, shift), QStringLiteral("\u00B0"));
    EXPECT_EQ(regCharAfter(Qt::Key_F2, none), QStringLiteral("-"));
    EXPECT_EQ(regCharAfter(Qt::Key_3, shift), QStringLiteral("#"));
    // On the US layout Qt names Shift+3 by what it types.
    EXPECT_EQ(regCharAfter(Qt::Key_NumberSign, shift), QStringLiteral("#"));
    EXPECT_EQ(regCharAfter(Qt::Key_3, none), QStringLiteral("3"));
    EXPECT_EQ(regCharAfter(Qt::Key_3, Qt::KeypadModifier), QStringLiteral("-"));
    EXPECT_EQ(regCharAfter(Qt::Key_Q, shift), QStringLiteral("Q"));
    EXPECT_EQ(regCharAfter(Qt::Key_Q, none), QStringLiteral("q")); // Caps Lock or not
    EXPECT_EQ(regCharAfter(Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier),
              QStringLiteral("q"));
    for (int key : {Qt::Key_Minus, Qt::Key_Shift, Qt::Key_Control, Qt::Key_CapsLock})
        EXPECT_EQ(regCharAfter(key, shift), QStringLiteral("-")) << key;

    // Typing does not reach it; only the key-up sets it.
    QTest::keyPress(dialog().txtRegChar, Qt::Key_X);
    EXPECT_EQ(dialog().txtRegChar->text(), QStringLiteral("-"));
    EXPECT_EQ(regCharAfter(Qt::Key_0, shift), QStringLiteral(")"));
}

TEST_F(SettingsDialogTest, TheTemplatesTakeGesturesAtTheCaret)
{
    gs.WTG = QStringLiteral("WTG %player%!");
    frmSet &w = dialog();
    w.txtWTG->setCursorPosition(4);
    release(w.txtWTG, Qt::Key_F6);
    release(w.txtWTG, Qt::Key_F6, Qt::AltModifier);
    release(w.txtWTG, Qt::Key_F6, Qt::ControlModifier);
    EXPECT_EQ(w.txtWTG->text(), QStringLiteral("WTG \u00B5%player%!"));

    w.txtSorry->setSelection(0, 5);
    release(w.txtSorry, Qt::Key_F11, Qt::ShiftModifier);
    EXPECT_TRUE(w.txtSorry->text().startsWith(QStringLiteral("\u00B6 %player%.")));

    const QString calldown = w.txtCalldown->text();
    release(w.txtCalldown, Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(w.txtCalldown->text(), calldown);
}

TEST_F(SettingsDialogTest, ClosingTakesEveryValueOver)
{
    gs.RegChar = QStringLiteral("$");
    gs.Confirm = true;
    frmSet &w = dialog();
    EXPECT_TRUE(w.chkConfirm->isChecked());
    w.txtSorry->clear();
    w.txtWTG->setText(QStringLiteral("  spaced \u263A "));
    w.txtRegChar->setText(QStringLiteral("ab"));
    w.chkConfirm->setCheckState(Qt::PartiallyChecked);
    w.chkCalldown->setChecked(true);
    w.close();
    EXPECT_EQ(gs.RegChar, QStringLiteral("a"));
    EXPECT_TRUE(gs.Confirm && gs.Calldown);
    EXPECT_EQ(gs.WTG, QStringLiteral("  spaced \u263A "));
    const QByteArray bytes = readFile(ini());
    EXPECT_TRUE(bytes.contains("\r\nConfirm=True\r\nSorry=\r\nWTG=  spaced ? \r\n"));
    EXPECT_TRUE(bytes.contains("\r\nCalldown=True\r\n"));
    // The smiley cannot be stored, and the host is told so.
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("The settings file cannot hold everything as it stands:\r\nWTG "
                             "Message: characters the file cannot hold are saved as \"?\".\r\n"
                             "The file is saved anyway."));
}
