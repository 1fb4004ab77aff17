#include "roomwindow/frmroom.h"

#include "chat/chatlink.h"
#include "game/chatlines.h"
#include "game/gamestate.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString NotOffered =
    QStringLiteral("This chat client does not copy the room's text to Orvella, so the room "
                   "cannot be shown here. The game is not affected.");
const QString MalformedMsg = QStringLiteral("To send an ESP, type /msg NAME text.");
// Outcomes stand apart from anything the room can say.
const QString OutcomeMark = QStringLiteral("\u00BB ");

QTextCharFormat outcomeFormat()
{
    QTextCharFormat f;
    f.setForeground(QColor(0, 110, 0));
    f.setFontItalic(true);
    f.setBackground(QColor(235, 245, 235));
    return f;
}

QTextCharFormat formatFor(RoomLineKind kind)
{
    QTextCharFormat f;
    switch (kind) {
    case RoomLineKind::Own:
        f.setFontWeight(QFont::Bold);
        f.setForeground(QColor(0, 0, 160));
        break;
    case RoomLineKind::ToHost:
        f.setForeground(QColor(128, 0, 128));
        f.setFontWeight(QFont::Bold);
        break;
    case RoomLineKind::FromHost:
        f.setForeground(QColor(128, 0, 128));
        f.setFontItalic(true);
        break;
    case RoomLineKind::Said:
        break;
    }
    return f;
}

// The name a line of the room speaks for, or empty.
QString speakerOf(QStringView line)
{
    if (const auto esp = privateMessage(line))
        line = *esp;
    const qsizetype colon = line.indexOf(u": ");
    if (colon <= 0)
        return {};
    const QStringView name = line.left(colon);
    return plausibleName(name) && !name.contains(u' ') ? name.toString() : QString();
}

} // namespace

frmRoom::frmRoom(RoomContext context, QWidget *parent)
    : SavesOnClose(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("frmRoom"));
    setWindowTitle(QStringLiteral("Room"));
    auto *layout = new QVBoxLayout(this);
    m_note = new QLabel(NotOffered);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->hide();
    m_text = new QPlainTextEdit;
    m_text->setObjectName(QStringLiteral("txtRoom"));
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setMaximumBlockCount(MaxLines);
    m_text->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_text, &QWidget::customContextMenuRequested, this, &frmRoom::showTextMenu);
    m_say = new QLineEdit;
    m_say->setObjectName(QStringLiteral("txtSay"));
    m_say->setMaxLength(int(MaxHostLine) + 64);
    m_say->setPlaceholderText(
        QStringLiteral("Say in the room, or /msg NAME text, /kick NAME, /mute NAME, /ban NAME"));
    connect(m_say, &QLineEdit::returnPressed, this, &frmRoom::sendTyped);
    layout->addWidget(m_note);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_say);

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    connect(m_flushTimer, &QTimer::timeout, this, &frmRoom::flush);

    const GameState &gs = m_context.child.gs;
    resize(420, 480);
    if (gs.RoomWidth > 0) {
        resizeToTwips(*this, gs.RoomWidth, gs.RoomHeight);
        moveToTwips(*this, gs.RoomLeft, gs.RoomTop);
    }

    if (ChatLink *link = m_context.child.link ? m_context.child.link() : nullptr) {
        setOffered(link->liveOffered());
        // A reconnect may reach a client that offers otherwise.
        link->setLiveOfferHook([this](bool offered) { setOffered(offered); });
        link->setLiveReceiver([this](const QString &text) { addText(text); });
        link->setLiveCopy(true);
    }
}

frmRoom::~frmRoom()
{
    leaveLink();
}

void frmRoom::leaveLink()
{
    // The room's text is no longer wanted, and nothing may reach us after.
    if (ChatLink *link = m_context.child.link ? m_context.child.link() : nullptr) {
        link->setLiveCopy(false);
        link->setLiveReceiver({});
        link->setLiveOfferHook({});
    }
    m_context.child.link = nullptr;
}

void frmRoom::addText(const QString &text)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = indexOfCrLf(text, at);
        const qsizetype next = end < 0 ? text.size() : end + 2;
        if (end < 0)
            end = text.size();
        QString line = text.mid(at, std::min(end - at, MaxLineLength));
        blankControls(line);
        m_pending.push_back(std::move(line));
        if (m_pending.size() > std::size_t(MaxLines))
            m_pending.pop_front();
        at = next;
    }
    // Whatever arrives in one event-loop turn is drawn together, and Qt
    // paints once for it, however many frames a flood brings.
    if (!m_pending.empty() && !m_flushTimer->isActive())
        m_flushTimer->start(0);
}

void frmRoom::flush()
{
    QScrollBar *bar = m_text->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    const QString host = m_context.hostName ? m_context.hostName() : QString();
    QTextCursor cursor(m_text->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = m_text->document()->isEmpty();
    for (const QString &line : m_pending) {
        if (!std::exchange(first, false))
            cursor.insertBlock();
        // Text, never markup: a line from the room cannot format or link.
        cursor.insertText(line, formatFor(classifyRoomLine(line, host)));
    }
    cursor.endEditBlock();
    m_pending.clear();
    if (atBottom)
        bar->setValue(bar->maximum());
}

void frmRoom::setOffered(bool offered)
{
    m_note->setVisible(!offered);
    if (!offered)
        m_note->setText(NotOffered);
}

void frmRoom::startEsp(const QString &name)
{
    m_say->setText(QStringLiteral("/msg ") + name + u' ');
    m_say->setFocus();
}

void frmRoom::addOutcome(const QString &line)
{
    flush();
    QString text = line.left(MaxLineLength);
    blankControls(text);
    QTextCursor cursor(m_text->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_text->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(OutcomeMark + text, outcomeFormat());
    cursor.block().setUserState(OutcomeState);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

void frmRoom::moderate(const ModRequest &request)
{
    const QString why = modRefusal(request, m_context.hostName ? m_context.hostName() : QString());
    if (!why.isEmpty())
        addOutcome(why);
    else if (m_context.moderate)
        m_context.moderate(request);
}

void frmRoom::sendTyped()
{
    // A moderation command never reaches the room as a line, even refused.
    if (const std::optional<ModParse> mod = parseModCommand(m_say->text())) {
        if (!mod->refusal.isEmpty()) {
            addOutcome(mod->refusal);
            return;
        }
        m_say->clear();
        moderate(mod->request);
        return;
    }
    const HostLine line = parseHostLine(m_say->text());
    if (line.kind == HostLine::Kind::Nothing)
        return;
    if (line.kind == HostLine::Kind::Malformed) {
        m_note->setText(MalformedMsg);
        m_note->show();
        return;
    }
    m_say->clear();
    if (m_context.send)
        m_context.send(line);
}

void frmRoom::showTextMenu(const QPoint &at)
{
    const QTextBlock block = m_text->cursorForPosition(at).block();
    const QString name = block.userState() == OutcomeState ? QString() : speakerOf(block.text());
    if (name.isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuRoomLine"));
    QAction *esp = menu.addAction(QStringLiteral("Send ESP to ") + name);
    menu.addSeparator();
    QAction *mute = menu.addAction(QStringLiteral("Mute ") + name);
    QAction *kick = menu.addAction(QStringLiteral("Kick ") + name);
    QAction *ban = menu.addAction(QStringLiteral("Ban ") + name);
    QAction *chosen = menu.exec(m_text->viewport()->mapToGlobal(at));
    if (chosen == esp)
        startEsp(name);
    else if (chosen == mute)
        moderate({ModAction::Mute, name, ModLimits::DefaultMinutes, {}});
    else if (chosen == kick)
        moderate({ModAction::Kick, name, 0, {}});
    else if (chosen == ban)
        moderate({ModAction::Ban, name, 0, {}});
}

void frmRoom::Form_Unload()
{
    GameState &gs = m_context.child.gs;
    const QPointF place = positionInTwips(*this);
    const QSizeF size = sizeInTwips(*this);
    gs.RoomLeft = twipsToInteger(place.x());
    gs.RoomTop = twipsToInteger(place.y());
    gs.RoomWidth = std::max<Integer>(1, twipsToInteger(size.width()));
    gs.RoomHeight = twipsToInteger(size.height());
    if (m_context.child.writeSettings)
        m_context.child.writeSettings();
    leaveLink();
}

frmRoom *createRoomWindow(RoomContext context)
{
    return new frmRoom(std::move(context));
}
