#include "settings/frmset.h"

#include "chat/chatlink.h"
#include "chat/gesturekeys.h"
#include "files/settingsfile.h"
#include "game/gamestate.h"
#include "game/reportwrite.h"
#include "game/savewarnings.h"
#include "windows/childwindows.h"
#include "windows/gamefont.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QGroupBox *frame(const char *name, const QString &caption, QWidget *content)
{
    auto *box = named(new QGroupBox(caption), name);
    auto *layout = new QHBoxLayout(box);
    layout->addWidget(content);
    return box;
}

} // namespace

frmSet::frmSet(const ChildContext &context, QWidget *parent)
    : SavesOnClose(parent), m_gs(context.gs), m_dialogs(context.dialogs),
      m_writeSettings(context.writeSettings), m_link(context.link)
{
    setObjectName(QStringLiteral("frmSet"));
    setWindowTitle(QStringLiteral("Settings"));
    setFont(gameFont());
    buildControls();
    Form_Load();
}

void frmSet::buildControls()
{
    // Two sets of first texts, apart on purpose: the reader's defaults fill
    // the keys a settings file lacks, while these boxes' texts stand only
    // while a setting is empty (no settings file was read), and closing the
    // dialog saves them. A host without a file has always been given these
    // (two spaces in the match line, the jump gesture to register with, a
    // calldown line about ESP), so making them the reader's would change
    // what the room hears. Only the miss template is the same in both.
    const SettingsRecord defaults = defaultSettings();
    txtSorry = named(new QLineEdit(defaults.Sorry), "txtSorry");
    txtWTG = named(new QLineEdit(QStringLiteral("WTG %player%!  %word% is a match")), "txtWTG");
    lblReg = named(new QLabel(QStringLiteral("Registration Character:")), "lblReg");
    txtRegChar = named(new QLineEdit(QStringLiteral("\u00B4")), "txtRegChar");
    txtRegChar->setReadOnly(true);
    txtRegChar->setFixedWidth(40);
    txtRegChar->setAlignment(Qt::AlignCenter);
    chkConfirm = named(new QCheckBox(QStringLiteral("Confirm in ESP")), "chkConfirm");
    txtCalldown =
        named(new QLineEdit(QStringLiteral("Turn ESP and ESP mail off before play starts")),
              "txtCalldown");
    chkCalldown =
        named(new QCheckBox(QStringLiteral("Send Calldown Message in ESP")), "chkCalldown");

    Frame1 = frame("Frame1", QStringLiteral("Sorry Message"), txtSorry);
    Frame2 = frame("Frame2", QStringLiteral("WTG Message"), txtWTG);
    Frame3 = named(new QGroupBox, "Frame3");
    auto *reg = new QHBoxLayout(Frame3);
    reg->addWidget(lblReg);
    reg->addWidget(txtRegChar);
    reg->addStretch(1);
    reg->addWidget(chkConfirm);
    Frame4 = frame("Frame4", QStringLiteral("Calldown Message"), txtCalldown);
    Frame5 = frame("Frame5", QString(), chkCalldown);

    auto *v = new QVBoxLayout(this);
    for (QGroupBox *f : {Frame1, Frame2, Frame3, Frame4, Frame5})
        v->addWidget(f);

    setTabOrder(txtSorry, txtWTG);
    setTabOrder(txtWTG, txtRegChar);
    setTabOrder(txtRegChar, chkConfirm);
    setTabOrder(chkConfirm, txtCalldown);
    setTabOrder(txtCalldown, chkCalldown);

    for (QLineEdit *box : {txtSorry, txtWTG, txtRegChar})
        box->installEventFilter(this);
    resize(420, 330);
}

void frmSet::Form_Load()
{
    // An empty setting leaves the design-time text in its box.
    const std::pair<QLineEdit *, const QString *> texts[] = {{txtSorry, &m_gs.Sorry},
                                                             {txtWTG, &m_gs.WTG},
                                                             {txtRegChar, &m_gs.RegChar},
                                                             {txtCalldown, &m_gs.CalldownMSG}};
    for (const auto &[box, setting] : texts) {
        if (!setting->isEmpty())
            box->setText(*setting);
    }
    chkConfirm->setChecked(m_gs.Confirm);
    chkCalldown->setChecked(m_gs.Calldown);
}

void frmSet::Form_Unload()
{
    m_gs.Sorry = txtSorry->text();
    m_gs.WTG = txtWTG->text();
    const QString regChar = txtRegChar->text().left(1);
    if (regChar != m_gs.RegChar) {
        m_gs.RegChar = regChar;
        if (ChatLink *link = m_link ? m_link() : nullptr)
            link->SendNotice(NoticeKey::RegChar, regChar);
    }
    // A greyed box counts as checked.
    m_gs.Confirm = chkConfirm->checkState() != Qt::Unchecked;
    m_gs.CalldownMSG = txtCalldown->text();
    m_gs.Calldown = chkCalldown->checkState() != Qt::Unchecked;
    warnSettingsLosses({{QStringLiteral("Sorry Message"), m_gs.Sorry},
                        {QStringLiteral("WTG Message"), m_gs.WTG},
                        {QStringLiteral("Registration Character"), m_gs.RegChar},
                        {QStringLiteral("Calldown Message"), m_gs.CalldownMSG}},
                       m_dialogs);
    m_writeSettings();
}

bool frmSet::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // A held key repeats its release; it counts once.
    if (key->isAutoRepeat())
        return false;
    if (watched == txtRegChar) {
        if (const std::optional<QChar> c = GestureKeys::regChar(key->key(), key->modifiers()))
            txtRegChar->setText(QString(*c));
    } else if (watched == txtSorry || watched == txtWTG) {
        const QChar c = GestureKeys::inserted(key->key(), key->modifiers());
        if (!c.isNull())
            static_cast<QLineEdit *>(watched)->insert(QString(c));
    }
    return false;
}

QWidget *createSettingsDialog(const ChildContext &context)
{
    return new frmSet(context);
}
