#pragma once

#include <QtGlobal>

// Paces lines out: up to burst lines at once, then one more each interval.
// Times are milliseconds from any fixed start, so tests give their own.
class TokenBucket
{
public:
    TokenBucket(int burst, qint64 intervalMs);

    // Spends a token when one is there.
    bool take(qint64 now);
    // Spends a token for what cannot wait, into debt if none is there: what
    // the server counts must be paid for by the lines after it.
    void charge(qint64 now);
    // Milliseconds until take() succeeds; 0 when it would now.
    qint64 wait(qint64 now);

private:
    void refill(qint64 now);

    int m_burst;
    qint64 m_interval;
    int m_tokens;
    qint64 m_last = 0;
};
