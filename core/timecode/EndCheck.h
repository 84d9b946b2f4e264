// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// When a generator run between Start and End is over, and whether the Stop
// that ended it was lost. The panel's transport and quill-ctl's run both
// decide with it; they differ only in where the positions come from.
//
// Conventions
// - Positions are quarter frames from Start (see FrameArithmetic for the
//   counting at each rate); End is the range in frames times four.
// - The run is over when the unit, running forward, stands at or past End.
//   Reaching End within a quarter frame is reaching it exactly. In reverse,
//   and with a range of 0 frames or fewer, nothing is ever over.
// - With loop on, the caller restarts from Start; until the unit reports a
//   position short of End again, positions at or past End are still on
//   their way from the pass before and end nothing.
// - After the Stop at End, time code that still runs kStopLostAfterQuarterFrames
//   past where the Stop went out means the Stop was lost on its way (a JACK
//   cycle that overruns drops its MIDI events): it is sent again, at most
//   kStopResends times.
class EndCheck
{
public:
    static constexpr int kStopLostAfterQuarterFrames = 16;
    static constexpr int kStopResends = 3;

    enum class Verdict {
        Going,     // not at End yet, or nothing to check
        Restart,   // loop on: go back to Start and play again
        StopExact, // stop: the unit stands on End
        StopPast,  // stop: the unit overshot End
    };

    // A position the unit reported, before check() looks at it.
    void notePosition(long long current, long long end);
    // The End check. Stop verdicts arm the lost-Stop watch.
    Verdict check(long long current, long long end, bool reverse, bool loop);
    // While the watch is armed: true when the Stop must go out again now.
    bool stopLost(long long current);
    bool watchingStop() const { return m_watch.active; }
    void stopWatching() { m_watch.active = false; }
    bool awaitingRestart() const { return m_awaitingRestart; }
    // A new run, a Stop or a drag: no restart is awaited, no Stop watched.
    void reset();

private:
    struct StopWatch
    {
        bool active = false;
        long long resendFrom = 0;
        int resends = 0;
    };
    bool m_awaitingRestart = false;
    StopWatch m_watch;
};
