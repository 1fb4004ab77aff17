#pragma once

#include "game/gamestate.h"

#include <QString>

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class ChatLink;

// The caption of box colour i (Black, Red, ... White); index i is the same in
// GameState::Boxes, the boxes window, the settings file and the recovery log.
QString boxCaption(int index);

// What the boxes window shows, as plain values.
struct BoxPickState
{
    BoxMode mode = BoxMode::EditDefaults;
    // Checked: available for the winner, or in EditDefaults in the default set.
    std::array<bool, BoxCount> checked{};
    bool calling = false; // a call goes out: the button is off, the hourglass shows
    bool ended = false;   // the pick is over: the window closes
    QString callCaption() const;
};

// The record of one opening of the boxes window, and what the host asked of
// it. For a winner, the match runs the host's requests in its own frame, so
// a link that breaks while the room hears of the boxes ends the step; the
// window only draws the record and hands requests in. A change tells every
// observer before it returns. Its destruction ends it, so no window stays
// over a pick that has gone.
class BoxPick
{
public:
    enum class Ask
    {
        Call,  // "Call Boxes" / "Set Default"
        Pick,  // a click on colour index
        Reset, // "Reset Boxes"
        Close, // the host closes the window
    };
    struct Request
    {
        Ask what = Ask::Call;
        int index = -1;
        bool operator==(const Request &) const = default;
    };
    // The host cannot click faster than a few requests per call; the rest of
    // a flood is dropped.
    static constexpr std::size_t MaxRequests = 8;
    using Observer = std::function<void()>;

    BoxPick() = default;
    BoxPick(const BoxPick &) = delete;
    BoxPick &operator=(const BoxPick &) = delete;
    ~BoxPick() { end(); }

    const BoxPickState &state() const { return m_state; }
    void setMode(BoxMode mode);
    void setChecked(int index, bool checked);
    void setCalling(bool calling);
    void end();

    // Queued for whoever runs the pick; a Call, Reset or Close already
    // waiting is not queued twice (a second click on a colour means more).
    void ask(Request request);
    bool hasRequest() const { return !m_requests.empty(); }
    std::optional<Request> takeRequest();

    // Observers may unsubscribe while they are told.
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    template <typename T> void set(T &field, const T &value);
    void changed();

    BoxPickState m_state;
    std::deque<Request> m_requests;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_lastId = 0;
};

// The window's handlers as game steps over the pick. The link speaks only for
// a winner (CallWinner); a null link says nothing. LinkDown and WaitAbandoned
// leave them.

// Opening: the boxes' captions into GameState, the marks from InDefault or Available.
void openBoxes(GameState &gs, BoxPick &pick, BoxMode mode);
// For a winner, says the checked colours in the room; editing, makes them the
// default set and available.
void callBoxes(GameState &gs, ChatLink *link, BoxPick &pick);
// For a winner, a checked colour goes to him and is unchecked, an unchecked
// one is said to be not available; editing, toggles it.
void clickBox(GameState &gs, ChatLink *link, BoxPick &pick, int index);
// Checks every box of the default set; unchecks none.
void resetBoxes(const GameState &gs, BoxPick &pick);
// The marks become Available (winner) or InDefault (editing); BoxMode goes
// back to EditDefaults and the pick ends.
void closeBoxes(GameState &gs, BoxPick &pick);
void runBoxRequest(GameState &gs, ChatLink *link, BoxPick &pick, const BoxPick::Request &request);

// Runs the host's requests to a winner's pick as they come, until it ends;
// whileWaiting runs before each wait for an event. However it is left,
// BoxMode is EditDefaults again and the pick has ended.
void runBoxPick(GameState &gs, ChatLink &link, BoxPick &pick,
                const std::function<void()> &whileWaiting);
