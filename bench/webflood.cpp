#include "webflood.h"

#include "webpage.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject parsed(const QByteArray &message)
{
    return QJsonDocument::fromJson(message).object();
}

QByteArray joinMessage(const QString &name, const QString &code)
{
    return json({{u"type"_qs, u"join"_qs}, {u"name"_qs, name}, {u"code"_qs, code}});
}

} // namespace

FloodPace::FloodPace(int burst, double perSecond)
    : m_burst(burst), m_perMs(perSecond / Slack / 1000), m_tokens(burst)
{}

void FloodPace::refill()
{
    if (!m_clock.isValid())
        return;
    const qint64 now = m_clock.elapsed();
    const qint64 from = std::max(m_counted, SettleMs);
    if (now > from)
        m_tokens = std::min<double>(m_burst, m_tokens + double(now - from) * m_perMs);
    m_counted = std::max(m_counted, now);
}

bool FloodPace::ready()
{
    refill();
    return m_tokens >= 1;
}

void FloodPace::take()
{
    if (!m_clock.isValid())
        m_clock.start();
    refill();
    m_tokens -= 1;
}

int FloodPace::msToNext()
{
    refill();
    if (m_tokens >= 1)
        return 0;
    const qint64 settling =
        m_clock.isValid() ? std::max<qint64>(0, SettleMs - m_clock.elapsed()) : 0;
    return int(settling + std::ceil((1 - m_tokens) / m_perMs)) + 1;
}

struct WebFlood::Member
{
    QString name;
    QPointer<WebPage> page;
    FloodPace controls{FloodLimits::ControlBurst, FloodLimits::ControlsPerSecond};
    FloodPace lines{FloodLimits::PersonLineBurst, FloodLimits::PersonLinesPerSecond};
    QTimer pinger;
    bool answered = false;
    bool in = false;
    bool cut = false;
};

WebFlood::WebFlood(const QHostAddress &from, quint16 port, const QString &code, QObject *parent)
    : QObject(parent), m_from(from), m_port(port), m_code(code),
      // Letters a code may have, so only the room's check tells it is wrong.
      m_wrongCode(code == u"MXQPB" ? u"MXQPC"_qs : u"MXQPB"_qs)
{
    m_knocker.setSingleShot(true);
    m_speaker.setSingleShot(true);
    connect(&m_knocker, &QTimer::timeout, this, &WebFlood::knock);
    connect(&m_speaker, &QTimer::timeout, this, &WebFlood::speak);
}

WebFlood::~WebFlood()
{
    // The pages' handlers know the members; they go first.
    qDeleteAll(findChildren<WebPage *>());
}

WebPage *WebFlood::page()
{
    auto *p = new WebPage(m_from, this);
    connect(p, &WebPage::closed, p, &QObject::deleteLater);
    return p;
}

void WebFlood::refused(const QString &why)
{
    ++m_refusals[why];
}

void WebFlood::start()
{
    static_assert(People + 2 < FloodLimits::Connections);
    static_assert(People <= FloodLimits::JoinBurst);
    for (int k = 0; k < People; ++k) {
        auto member = std::make_unique<Member>();
        Member *m = member.get();
        m->name = QStringLiteral("Flood%1").arg(k + 1);
        m_joins.take();
        WebPage *p = m->page = page();
        connect(p, &WebPage::opened, p,
                [this, m, p] { p->sendText(joinMessage(m->name, m_code)); });
        connect(p, &WebPage::textReceived, p, [this, m](const QByteArray &message) {
            // Of the room's traffic, only what answers these people is read.
            if (!message.contains("\"welcome\"") && !message.contains("\"refused\"") &&
                !message.contains(": flood "))
                return;
            const QJsonObject o = parsed(message);
            const QString type = o.value(u"type").toString();
            if (type == u"welcome") {
                m->answered = m->in = true;
                ++m_counts.peopleIn;
                ping(*m);
                speak();
            } else if (type == u"refused") {
                m->answered = true;
                refused(o.value(u"why").toString());
                if (m->in && !m->cut) {
                    m->cut = true;
                    ++m_counts.peopleCut;
                }
            } else if (type == u"line" &&
                       o.value(u"text").toString().startsWith(m->name + u": flood "_qs)) {
                ++m_counts.linesBack;
            }
        });
        connect(p, &WebPage::pong, p, [this] { ++m_counts.pongs; });
        connect(p, &WebPage::closed, p, [this, m] {
            m->pinger.stop();
            if (!m->answered)
                ++m_counts.unanswered;
            if (m->in && !m->cut && !m_stopped) {
                m->cut = true;
                ++m_counts.peopleCut;
            }
        });
        m->pinger.setSingleShot(true);
        connect(&m->pinger, &QTimer::timeout, this, [this, m] { ping(*m); });
        m_people.push_back(std::move(member));
        p->open(m_port);
    }
    knock();
}

void WebFlood::stop()
{
    m_stopped = true;
    m_knocker.stop();
    m_speaker.stop();
    for (const auto &m : m_people)
        m->pinger.stop();
    for (WebPage *p : findChildren<WebPage *>())
        p->close();
}

void WebFlood::ping(Member &m)
{
    if (m_stopped || !m.page || !m.page->isOpen())
        return;
    while (m.controls.ready()) {
        m.controls.take();
        m.page->ping();
        ++m_counts.pings;
    }
    m.pinger.start(m.controls.msToNext());
}

void WebFlood::speak()
{
    if (m_stopped)
        return;
    const auto live = [](const Member &m) { return m.in && !m.cut && m.page && m.page->isOpen(); };
    while (m_lines.ready()) {
        Member *who = nullptr;
        for (size_t k = 0; k < m_people.size() && !who; ++k) {
            Member &m = *m_people[(m_nextSpeaker + k) % m_people.size()];
            if (live(m) && m.lines.ready()) {
                who = &m;
                m_nextSpeaker = (m_nextSpeaker + k + 1) % m_people.size();
            }
        }
        if (!who)
            break;
        m_lines.take();
        who->lines.take();
        who->page->sendText(json({{u"type"_qs, u"say"_qs},
                                  {u"text"_qs, QStringLiteral("flood %1").arg(m_counts.lines++)}}));
    }
    int personWait = INT_MAX;
    for (const auto &m : m_people) {
        if (live(*m))
            personWait = std::min(personWait, m->lines.msToNext());
    }
    if (personWait != INT_MAX)
        m_speaker.start(std::max(m_lines.msToNext(), personWait));
}

void WebFlood::knock()
{
    if (m_stopped)
        return;
    using FloodLimits::WrongCodeIsAJoin;
    for (;;) {
        if (m_wrong.ready() && (!WrongCodeIsAJoin || m_joins.ready())) {
            m_wrong.take();
            if (WrongCodeIsAJoin)
                m_joins.take();
            wrongCode();
        } else if (m_joins.ready()) {
            m_joins.take();
            joinAndLeave();
        } else {
            break;
        }
    }
    const int wrongWait =
        WrongCodeIsAJoin ? std::max(m_wrong.msToNext(), m_joins.msToNext()) : m_wrong.msToNext();
    m_knocker.start(std::min(m_joins.msToNext(), wrongWait));
}

void WebFlood::wrongCode()
{
    ++m_counts.wrongTried;
    tryJoin(QStringLiteral("X"), m_wrongCode, [this](WebPage *, bool welcomed, const QString &why) {
        if (welcomed)
            ++m_counts.wrongIn;
        else
            refused(why);
    });
}

void WebFlood::joinAndLeave()
{
    ++m_counts.churnTried;
    tryJoin(QStringLiteral("Churn%1").arg(++m_churned), m_code,
            [this](WebPage *p, bool welcomed, const QString &why) {
                if (welcomed) {
                    ++m_counts.churnIn;
                    p->sendText(json({{u"type"_qs, u"leave"_qs}}));
                } else {
                    ++m_counts.churnRefused;
                    refused(why);
                }
            });
}

void WebFlood::tryJoin(const QString &name, const QString &code,
                       std::function<void(WebPage *, bool, const QString &)> answered)
{
    WebPage *p = page();
    auto told = std::make_shared<bool>(false);
    connect(p, &WebPage::opened, p, [p, name, code] { p->sendText(joinMessage(name, code)); });
    connect(p, &WebPage::textReceived, p, [this, p, told, answered](const QByteArray &message) {
        const QJsonObject o = parsed(message);
        const QString type = o.value(u"type").toString();
        // After a welcome, a refusal is the room's goodbye to a leave.
        if (*told || (type != u"welcome" && type != u"refused"))
            return;
        *told = true;
        answered(p, type == u"welcome", o.value(u"why").toString());
        p->close();
    });
    connect(p, &WebPage::closed, p, [this, told] {
        if (!*told)
            ++m_counts.unanswered;
    });
    p->open(m_port);
}

QStringList WebFlood::report() const
{
    const Counts &c = m_counts;
    QStringList out{
        QStringLiteral("flooder at %1: %2 of its %3 people in, %4 cut off; %5 pings, %6 "
                       "answered; %7 lines said, %8 heard back")
            .arg(m_from.toString())
            .arg(c.peopleIn)
            .arg(People)
            .arg(c.peopleCut)
            .arg(c.pings)
            .arg(c.pongs)
            .arg(c.lines)
            .arg(c.linesBack),
        QStringLiteral("  %1 wrong codes tried, %2 let in; %3 joins and leaves tried, %4 got in, "
                       "%5 refused; %6 join tries never answered")
            .arg(c.wrongTried)
            .arg(c.wrongIn)
            .arg(c.churnTried)
            .arg(c.churnIn)
            .arg(c.churnRefused)
            .arg(c.unanswered)};
    for (auto it = m_refusals.begin(); it != m_refusals.end(); ++it)
        out << QStringLiteral("  refused %1 times: %2").arg(it.value()).arg(it.key());
    return out;
}
