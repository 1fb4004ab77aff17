#include "boxes/frmbox.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/waits.h"
#include "files/settingsfile.h"
#include "game/gamestate.h"
#include "game/reportwrite.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

const std::array<frmBox::Colour, BoxCount> frmBox::Colours = {{
    {u"Black", 0x000000, true},
    {u"Red", 0xFF0000, false},
    {u"Orange", 0xFF8000, false},
    {u"Yellow", 0xFFFF00, false},
    {u"Green", 0x00FF00, false},
    {u"Blue", 0x0000FF, true},
    {u"Purple", 0xC000C0, true},
    {u"Pink", 0xFFC0C0, false},
    {u"Aqua", 0x00FFFF, false},
    {u"White", 0xFFFFFF, false},
}};

frmBox::frmBox(const ChildContext &context, QWidget *parent)
    : SavesOnClose(parent), m_gs(context.gs), m_dialogs(context.dialogs),
      m_writeSettings(context.writeSettings), m_link(context.link), m_mainObject(context.main)
{
    setObjectName(QStringLiteral("frmBox"));
    setWindowTitle(QStringLiteral("Box Caller"));

    mnuOptions = menuBar()->addMenu(QStringLiteral("Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuReset = mnuOptions->addAction(QStringLiteral("Reset Boxes"));
    mnuReset->setObjectName(QStringLiteral("mnuReset"));
    connect(mnuReset, &QAction::triggered, this, [this] { mnuReset_Click(); });

    auto *central = new QWidget;
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(3);

    // The dummy button lies under cmdCall: it only takes the focus.
    auto *top = new QWidget;
    auto *stack = new QStackedLayout(top);
    stack->setStackingMode(QStackedLayout::StackAll);
    Command2 = newFocusSink(QStringLiteral("Command2"));
    cmdCall = new QPushButton(QStringLiteral("Call Boxes"));
    cmdCall->setObjectName(QStringLiteral("cmdCall"));
    stack->addWidget(Command2);
    stack->addWidget(cmdCall);
    stack->setCurrentWidget(cmdCall);
    cmdCall->raise();
    v->addWidget(top);
    connect(cmdCall, &QPushButton::clicked, this, [this] { cmdCall_Click(); });

    for (int i = 0; i < BoxCount; ++i) {
        const Colour &c = Colours[i];
        const QColor background = QColor::fromRgb(c.rgb);
        const QColor text = c.whiteText ? Qt::white : Qt::black;

        auto *check = new QCheckBox;
        check->setObjectName(QStringLiteral("chkBox%1").arg(i));
        check->setAccessibleName(QString::fromUtf16(c.caption)); // its label is a control apart
        auto *label = new QLabel(QString::fromUtf16(c.caption));
        label->setObjectName(QStringLiteral("lblBox%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(110);
        label->setMinimumHeight(22);
        label->setContentsMargins(6, 0, 6, 0);
        label->installEventFilter(this);
        for (QWidget *w : {static_cast<QWidget *>(check), static_cast<QWidget *>(label)}) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, background);
            p.setColor(QPalette::Button, background);
            p.setColor(QPalette::WindowText, text);
            w->setPalette(p);
            w->setAutoFillBackground(true);
        }

        auto *row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(check);
        row->addWidget(label, 1);
        v->addLayout(row);
        chkBox[i] = check;
        lblBox[i] = label;
    }
    setCentralWidget(central);

    // The main window may close while a winner's box is being called.
    if (context.main)
        context.main->installEventFilter(this);
    Form_Load();
}

void frmBox::Form_Load()
{
    if (m_gs.BoxLeft != 0)
        moveToTwips(*this, m_gs.BoxLeft, m_gs.BoxTop);
    for (int i = 0; i < BoxCount; ++i)
        m_gs.Boxes[i].Color = lblBox[i]->text();
    m_mode = m_gs.BoxMode;
    if (m_mode == BoxMode::EditDefaults) {
        cmdCall->setText(QStringLiteral("Set Default"));
        for (int i = 0; i < BoxCount; ++i)
            chkBox[i]->setChecked(m_gs.Boxes[i].InDefault);
    } else if (m_mode == BoxMode::CallWinner) {
        for (int i = 0; i < BoxCount; ++i)
            chkBox[i]->setChecked(m_gs.Boxes[i].Available);
    }
}

void frmBox::Form_Activate()
{
    // An activation queued before the window closed may arrive after it.
    if (unloaded())
        return;
    Command2->setFocus();
    // The main window's busy state shows the hourglass over every window;
    // the host works here, so the normal pointer shows until this one closes.
    if (!m_normalPointer && !m_callPointer && BusyPointer::hourglass())
        m_normalPointer.emplace();
}

bool frmBox::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
        const bool handled = QMainWindow::event(event);
        Form_Activate();
        return handled;
    }
    return QMainWindow::event(event);
}

bool frmBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainObject && event->type() == QEvent::Close) {
        close();
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < BoxCount; ++i) {
            if (watched == lblBox[i] &&
                lblBox[i]->rect().contains(
                    static_cast<QMouseEvent *>(event)->position().toPoint())) {
                lblBox_Click(i);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmBox::say(const QString &line, bool pause)
{
    ChatLink *link = m_link ? m_link() : nullptr;
    if (!link)
        return false;
    try {
        link->SendChat(SendMode::Room, QString(), line);
        if (pause)
            link->My_Wait(m_gs.Delay);
        return true;
    } catch (const LinkDown &) {
        // The host has been told; the call stops and the window stays.
        return false;
    } catch (const WaitAbandoned &) {
        return false;
    }
}

void frmBox::cmdCall_Click()
{
    ++m_busy;
    Command2->setFocus();
    m_callPointer.emplace();
    cmdCall->setEnabled(false);

    if (m_mode == BoxMode::CallWinner) {
        QString lineB;
        for (int i = 0; i < BoxCount; ++i) {
            if (!chkBox[i]->isChecked())
                continue;
            lineB += lineB.isEmpty() ? QStringLiteral(" -- ") : QStringLiteral(", ");
            lineB += m_gs.Boxes[i].Color;
        }
        if (!lineB.isEmpty()) {
            lineB += QStringLiteral(" -- ");
            if (say(QStringLiteral(" -- Select a box color -- "), true))
                say(lineB, true);
        } else {
            say(QStringLiteral(" -- No boxes left -- "), false);
        }
    } else if (m_mode == BoxMode::EditDefaults) {
        for (int i = 0; i < BoxCount; ++i) {
            m_gs.Boxes[i].InDefault = chkBox[i]->isChecked();
            m_gs.Boxes[i].Available = chkBox[i]->isChecked();
        }
    }

    m_callPointer.reset();
    cmdCall->setEnabled(true);
    --m_busy;
    if (m_busy == 0 && m_closePending)
        close();
}

void frmBox::lblBox_Click(int index)
{
    if (index < 0 || index >= BoxCount)
        return;
    ++m_busy;
    Command2->setFocus();
    if (chkBox[index]->isChecked()) {
        chkBox[index]->setChecked(false);
        if (m_mode == BoxMode::CallWinner && m_gs.WinnerCount >= 1 &&
            m_gs.WinnerCount <= MaxWinners)
            m_gs.Winners[m_gs.WinnerCount].Box = lblBox[index]->text();
    } else if (m_mode == BoxMode::CallWinner) {
        say(lblBox[index]->text() + QStringLiteral(" is not available."), false);
    } else if (m_mode == BoxMode::EditDefaults) {
        chkBox[index]->setChecked(true);
    }
    --m_busy;
    if (m_busy == 0 && m_closePending)
        close();
}

void frmBox::mnuReset_Click()
{
    for (int i = 0; i < BoxCount; ++i)
        if (m_gs.Boxes[i].InDefault)
            chkBox[i]->setChecked(true);
}

void frmBox::closeEvent(QCloseEvent *event)
{
    if (m_busy > 0) {
        m_closePending = true;
        event->ignore();
        return;
    }
    SavesOnClose::closeEvent(event);
}

void frmBox::Form_Unload()
{
    const QPointF place = positionInTwips(*this);
    m_gs.BoxLeft = twipsToInteger(place.x());
    m_gs.BoxTop = twipsToInteger(place.y());
    if (m_mode == BoxMode::EditDefaults) {
        for (int i = 0; i < BoxCount; ++i)
            m_gs.Boxes[i].InDefault = chkBox[i]->isChecked();
        cmdCall->setText(QStringLiteral("Call Boxes"));
        if (m_writeSettings)
            m_writeSettings();
    } else if (m_mode == BoxMode::CallWinner) {
        for (int i = 0; i < BoxCount; ++i)
            m_gs.Boxes[i].Available = chkBox[i]->isChecked();
    }
    m_gs.BoxMode = BoxMode::EditDefaults;
    m_normalPointer.reset();
    // The main window is shown again by whoever opened this one: when editing
    // it was hidden by the menu, when calling it stayed visible.
}

QWidget *createBoxWindow(const ChildContext &context)
{
    return new frmBox(context);
}
