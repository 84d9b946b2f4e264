// SPDX-License-Identifier: GPL-3.0-or-later
#include "timecode/EndCheck.h"

void EndCheck::notePosition(long long current, long long end)
{
    if (m_awaitingRestart && current < end)
        m_awaitingRestart = false;
}

EndCheck::Verdict EndCheck::check(long long current, long long end, bool reverse, bool loop)
{
    if (end <= 0 || reverse || current < end || m_awaitingRestart)
        return Verdict::Going;
    if (loop) {
        m_awaitingRestart = true;
        return Verdict::Restart;
    }
    m_watch = StopWatch{true, current + kStopLostAfterQuarterFrames, 0};
    return current == end ? Verdict::StopExact : Verdict::StopPast;
}

bool EndCheck::stopLost(long long current)
{
    // Pieces already on their way when the Stop went out still arrive; a
    // unit that took the Stop sends none from further on.
    if (!m_watch.active || current < m_watch.resendFrom)
        return false;
    m_watch.resendFrom = current + kStopLostAfterQuarterFrames;
    m_watch.active = ++m_watch.resends < kStopResends;
    return true;
}

void EndCheck::reset()
{
    m_awaitingRestart = false;
    m_watch.active = false;
}
