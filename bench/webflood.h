#pragma once

#include "room/pagesocket.h"
#include "room/peopleserver.h"
#include "room/webpeople.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class WebPage;

// The room's limits on one address and on one connection, so that the
// flood keeps within them.
namespace FloodLimits {
constexpr WebPeople::Limits Room{};
// Connections at once from one address (WebFront::maxPerAddress; the flood
// holds People and a few passing ones).
constexpr int Connections = 40;
// Join attempts from one address: a burst, then this many a second. The
// room counts a join before it checks the code, so a wrong code spends a
// join as well.
constexpr int JoinBurst = Room.joinBurst;
constexpr double JoinsPerSecond = Room.joinsPerSecond;
constexpr bool WrongCodeIsAJoin = true;
// Wrong room codes from one address.
constexpr int WrongCodeBurst = Room.wrongCodeBurst;
constexpr double WrongCodesPerSecond = Room.wrongCodesPerSecond;
// Lines from one address, all its people together, and from one person.
constexpr int LineBurst = Room.lineBurst;
constexpr double LinesPerSecond = Room.linesPerSecond;
constexpr int PersonLineBurst = PeopleServer::Burst;
constexpr double PersonLinesPerSecond = PeopleServer::PerSecond;
// Control frames (ping, pong, close) on one connection; a connection over
// them is closed.
constexpr int ControlBurst = PageSocket::ControlBurst;
constexpr double ControlsPerSecond = PageSocket::ControlPerSecond;
} // namespace FloodLimits

// How fast one kind of message may go: a burst, then a rate. It spends its
// burst at once, waits a moment, then goes a little under the rate: the
// room counts a message when it reads it, and a burst read late beside a
// later message read early would be one over, and cut off.
class FloodPace
{
public:
    static constexpr qint64 SettleMs = 200;
    static constexpr double Slack = 1.05;

    FloodPace(int burst, double perSecond);
    bool ready();
    void take();
    // How long until ready; 0 when it is.
    int msToNext();

private:
    void refill();

    int m_burst;
    double m_perMs;
    double m_tokens;
    QElapsedTimer m_clock; // from the first take
    qint64 m_counted = 0;
};

// One address that floods the web room at the highest rate the room allows,
// with everything at once: a few people in the room who ping their
// connections and say lines, wrong room codes, and people who join and
// leave at once. It counts what the room answered and refused.
class WebFlood final : public QObject
{
public:
    // People in the room all along, each pinging and speaking.
    static constexpr int People = 4;

    WebFlood(const QHostAddress &from, quint16 port, const QString &code,
             QObject *parent = nullptr);
    ~WebFlood() override;

    void start();
    // Whether all its people are in.
    bool ready() const { return m_counts.peopleIn == People; }
    // Stops and closes every connection.
    void stop();
    // What it tried and what came of it, a line each.
    QStringList report() const;

private:
    struct Member;

    void ping(Member &m);
    void speak();
    void knock();
    void wrongCode();
    void joinAndLeave();
    // One connection that joins once; answered is told whether it was
    // welcomed, and the refusal's words. No answer before it closes counts
    // as unanswered.
    void tryJoin(const QString &name, const QString &code,
                 std::function<void(WebPage *, bool, const QString &)> answered);
    // A page of the flood's address, freed when it ends.
    WebPage *page();
    void refused(const QString &why);

    QHostAddress m_from;
    quint16 m_port;
    QString m_code;
    QString m_wrongCode;
    FloodPace m_joins{FloodLimits::JoinBurst, FloodLimits::JoinsPerSecond};
    FloodPace m_wrong{FloodLimits::WrongCodeBurst, FloodLimits::WrongCodesPerSecond};
    FloodPace m_lines{FloodLimits::LineBurst, FloodLimits::LinesPerSecond};
    QTimer m_knocker;
    QTimer m_speaker;
    std::vector<std::unique_ptr<Member>> m_people;
    size_t m_nextSpeaker = 0;
    int m_churned = 0;
    bool m_stopped = false;

    struct Counts
    {
        int peopleIn = 0, peopleCut = 0;
        int pings = 0, pongs = 0;
        int lines = 0, linesBack = 0;
        int wrongTried = 0, wrongRefused = 0, wrongIn = 0;
        int churnTried = 0, churnIn = 0, churnRefused = 0;
        // Join attempts whose connection ended with no answer.
        int unanswered = 0;
    } m_counts;
    // Refusals other than those it asked for, by their reason.
    QMap<QString, int> m_refusals;
};
