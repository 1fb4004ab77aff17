#include "macroeditor/frmsubs.h"

#include "chat/gesturekeys.h"
#include "game/gamefiles.h"
#include "game/reportwrite.h"
#include "game/savewarnings.h"
#include "windows/childwindows.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

frmSubs::frmSubs(GameState &gs, HostDialogs &dialogs, QWidget *parent)
    : SavesOnClose(parent), m_gs(gs), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmSubs"));
    setWindowTitle(QStringLiteral("Macro Substitutions"));
    auto *grid = new QGridLayout(this);
    Label1 = new QLabel(QStringLiteral("At this Code"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Substitute this text"));
    Label2->setObjectName(QStringLiteral("Label2"));
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    for (int i = 0; i < SubCount; ++i) {
        Label3[i] = new QLabel(QStringLiteral("%sub") + QString::number(i) + u'%');
        Label3[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        txtSub[i] = new QLineEdit(m_gs.Subs[i]);
        txtSub[i]->setObjectName(QStringLiteral("txtSub%1").arg(i));
        txtSub[i]->installEventFilter(this);
        Label3[i]->setBuddy(txtSub[i]);
        connect(txtSub[i], &QLineEdit::textChanged, this,
                [this, i](const QString &text) { m_gs.Subs[i] = text; });
        grid->addWidget(Label3[i], i + 1, 0);
        grid->addWidget(txtSub[i], i + 1, 1);
    }
    grid->setColumnStretch(1, 1);
    resize(420, 320);
}

void frmSubs::Form_Unload()
{
    // The macros go into the file too, as they stand.
    if (!m_gs.MacroFile.isEmpty() && !warnMacroFileLosses(m_gs, m_dialogs))
        return;
    reportWrite(m_dialogs, MacroWriter(m_gs));
}

bool frmSubs::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        for (QLineEdit *box : txtSub) {
            if (watched != box)
                continue;
            const auto *key = static_cast<QKeyEvent *>(event);
            // A held key repeats its release; the character goes in once.
            if (key->isAutoRepeat())
                break;
            const QChar c = GestureKeys::inserted(key->key(), key->modifiers());
            if (!c.isNull())
                box->insert(QString(c));
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *createSubsEditor(GameState &gs, HostDialogs &dialogs)
{
    return new frmSubs(gs, dialogs);
}
