#include "game/boxpick.h"

#include "chat/chatlink.h"
#include "chat/waits.h"

#include <QScopeGuard>

#include <algorithm>

namespace {

constexpr std::array<const char16_t *, BoxCount> Captions = {
    u"Black", u"Red",    u"Orange", u"Yellow", u"Green",
    u"Blue",  u"Purple", u"Pink",   u"Aqua",   u"White",
};

void say(ChatLink *link, const QString &line, const GameState &gs, bool pause)
{
    if (!link)
        return;
    link->SendChat(SendMode::Room, QString(), line);
    if (pause)
        link->My_Wait(gs.Delay);
}

} // namespace

QString boxCaption(int index)
{
    return index >= 0 && index < BoxCount ? QString::fromUtf16(Captions[index]) : QString();
}

QString BoxPickState::callCaption() const
{
    return mode == BoxMode::EditDefaults ? QStringLiteral("Set Default")
                                         : QStringLiteral("Call Boxes");
}

template <typename T> void BoxPick::set(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    changed();
}

void BoxPick::setMode(BoxMode mode)
{
    set(m_state.mode, mode);
}

void BoxPick::setChecked(int index, bool checked)
{
    if (index >= 0 && index < BoxCount)
        set(m_state.checked[index], checked);
}

void BoxPick::setCalling(bool calling)
{
    set(m_state.calling, calling);
}

void BoxPick::end()
{
    m_requests.clear();
    set(m_state.ended, true);
}

void BoxPick::ask(Request request)
{
    if (m_state.ended || m_requests.size() >= MaxRequests)
        return;
    if (request.what != Ask::Pick &&
        std::find(m_requests.begin(), m_requests.end(), request) != m_requests.end())
        return;
    m_requests.push_back(request);
}

std::optional<BoxPick::Request> BoxPick::takeRequest()
{
    if (m_requests.empty())
        return std::nullopt;
    const Request request = m_requests.front();
    m_requests.pop_front();
    return request;
}

int BoxPick::subscribe(Observer observer)
{
    m_observers.emplace_back(++m_lastId, std::move(observer));
    return m_lastId;
}

void BoxPick::unsubscribe(int id)
{
    std::erase_if(m_observers, [id](const auto &o) { return o.first == id; });
}

void BoxPick::changed()
{
    // A copy, so an observer may leave while it is told; one that left is
    // not told any more.
    const auto observers = m_observers;
    for (const auto &[id, observer] : observers) {
        if (std::any_of(m_observers.begin(), m_observers.end(),
                        [id = id](const auto &o) { return o.first == id; }))
            observer();
    }
}

void openBoxes(GameState &gs, BoxPick &pick, BoxMode mode)
{
    for (int i = 0; i < BoxCount; ++i)
        gs.Boxes[i].Color = boxCaption(i);
    pick.setMode(mode);
    for (int i = 0; i < BoxCount; ++i) {
        const BoxRec &box = gs.Boxes[i];
        pick.setChecked(i, mode == BoxMode::EditDefaults ? box.InDefault : box.Available);
    }
}

void callBoxes(GameState &gs, ChatLink *link, BoxPick &pick)
{
    pick.setCalling(true);
    const auto over = qScopeGuard([&pick] { pick.setCalling(false); });
    const auto &checked = pick.state().checked;
    if (pick.state().mode == BoxMode::CallWinner) {
        QString lineB;
        for (int i = 0; i < BoxCount; ++i) {
            if (!checked[i])
                continue;
            lineB += lineB.isEmpty() ? QStringLiteral(" -- ") : QStringLiteral(", ");
            lineB += gs.Boxes[i].Color;
        }
        if (!lineB.isEmpty()) {
            lineB += QStringLiteral(" -- ");
            say(link, QStringLiteral(" -- Select a box color -- "), gs, true);
            say(link, lineB, gs, true);
        } else {
            say(link, QStringLiteral(" -- No boxes left -- "), gs, false);
        }
    } else {
        for (int i = 0; i < BoxCount; ++i)
            gs.Boxes[i].InDefault = gs.Boxes[i].Available = checked[i];
    }
}

void clickBox(GameState &gs, ChatLink *link, BoxPick &pick, int index)
{
    if (index < 0 || index >= BoxCount)
        return;
    const bool forWinner = pick.state().mode == BoxMode::CallWinner;
    if (pick.state().checked[index]) {
        pick.setChecked(index, false);
        if (forWinner && gs.WinnerCount >= 1 && gs.WinnerCount <= MaxWinners)
            gs.Winners[gs.WinnerCount].Box = boxCaption(index);
    } else if (forWinner) {
        say(link, boxCaption(index) + QStringLiteral(" is not available."), gs, false);
    } else {
        pick.setChecked(index, true);
    }
}

void resetBoxes(const GameState &gs, BoxPick &pick)
{
    for (int i = 0; i < BoxCount; ++i)
        if (gs.Boxes[i].InDefault)
            pick.setChecked(i, true);
}

void closeBoxes(GameState &gs, BoxPick &pick)
{
    const bool editing = pick.state().mode == BoxMode::EditDefaults;
    for (int i = 0; i < BoxCount; ++i)
        (editing ? gs.Boxes[i].InDefault : gs.Boxes[i].Available) = pick.state().checked[i];
    gs.BoxMode = BoxMode::EditDefaults;
    pick.end();
}

void runBoxRequest(GameState &gs, ChatLink *link, BoxPick &pick, const BoxPick::Request &request)
{
    switch (request.what) {
    case BoxPick::Ask::Call:
        callBoxes(gs, link, pick);
        break;
    case BoxPick::Ask::Pick:
        clickBox(gs, link, pick, request.index);
        break;
    case BoxPick::Ask::Reset:
        resetBoxes(gs, pick);
        break;
    case BoxPick::Ask::Close:
        closeBoxes(gs, pick);
        break;
    }
}

void runBoxPick(GameState &gs, ChatLink &link, BoxPick &pick,
                const std::function<void()> &whileWaiting)
{
    const auto over = qScopeGuard([&] {
        gs.BoxMode = BoxMode::EditDefaults;
        pick.end();
    });
    while (!pick.state().ended) {
        Waits::pumpUntil([&] {
            const bool wake = pick.hasRequest() || pick.state().ended;
            if (!wake && whileWaiting)
                whileWaiting();
            return wake;
        });
        if (const auto request = pick.takeRequest())
            runBoxRequest(gs, &link, pick, *request);
    }
}
