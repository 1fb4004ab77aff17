#include "irc/tokenbucket.h"

#include <algorithm>

TokenBucket::TokenBucket(int burst, qint64 intervalMs)
    : m_burst(std::max(1, burst)), m_interval(std::max<qint64>(1, intervalMs)), m_tokens(m_burst)
{}

bool TokenBucket::take(qint64 now)
{
    refill(now);
    if (m_tokens <= 0)
        return false;
    --m_tokens;
    return true;
}

void TokenBucket::charge(qint64 now)
{
    refill(now);
    // The server's count of them fades too: a storm of retries must not
    // hold back the host's lines for longer than a bucketful.
    m_tokens = std::max(-m_burst, m_tokens - 1);
}

qint64 TokenBucket::wait(qint64 now)
{
    refill(now);
    return m_tokens > 0 ? 0 : (1 - m_tokens) * m_interval - (now - m_last);
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
