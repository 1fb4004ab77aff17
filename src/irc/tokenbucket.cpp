#include "irc/tokenbucket.h"

#include <algorithm>

TokenBucket::TokenBucket(int burst, qint64 intervalMs)
    : m_burst(std::max(1, burst)), m_interval(std::max<qint64>(1, intervalMs)), m_tokens(m_burst)
{}

bool TokenBucket::take(qint64 now)
{
    refill(now);
    if (m_tokens == 0)
        return false;
    --m_tokens;
    return true;
}

qint64 TokenBucket::wait(qint64 now)
{
    refill(now);
    return m_tokens > 0 ? 0 : m_interval - (now - m_last);
}

void TokenBucket::refill(qint64 now)
{
    // A full bucket starts counting afresh, so idle time is not saved up.
    if (m_tokens == m_burst) {
        m_last = now;
        return;
    }
    const qint64 gained = (now - m_last) / m_interval;
    m_tokens = static_cast<int>(std::min<qint64>(m_burst, m_tokens + gained));
    m_last = m_tokens == m_burst ? now : m_last + gained * m_interval;
}
