// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/EndCheck.h"
#include "timecode/FrameArithmetic.h"
#include "timecode/FrameRate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class CommandContext;
class QTimer;

// One run of the unit's generator from Start to End, as the panel's Play
// does it: Locate to Start, Play, and the End check on the unit's own time
// code (to a quarter frame, with the input decoder's alarm set on End, and
// never on a position from before the Locate). At End it stops the unit and
// watches for a lost Stop, or with loop on goes back to Start and plays
// again. The run is over once a stopped unit's stream has stopped too.
class GeneratorRun : public QObject
{
    Q_OBJECT
public:
    struct Range
    {
        FrameArithmetic::Label start;
        FrameArithmetic::Label end;
        FrameRate rate;
        bool loop = false;
    };
    static constexpr int kLoopRestartDelayMs = 30;

    GeneratorRun(CommandContext &context, const Range &range, QObject *parent = nullptr);
    ~GeneratorRun() override;

    // Sends Locate and Play; false when the port would not take them.
    bool start();
    // The Stop went out at End and the stream has stopped since.
    bool isOver() const { return m_over; }
    // Time code came since the start.
    bool heardTimecode() const { return m_heard; }
    int passes() const { return m_passes; }
    // Where the unit stopped: End when it stopped on it, else the last label.
    QString landing() const;
    // Time code came, the run is not over, and none came for this long: the
    // unit stopped, or was stopped, short of End.
    bool stalled(int ms) const;

private:
    void follow(const FrameArithmetic::Label &label, int quarterFrames);
    void restart();
    void stopAtEnd(bool exact);

    CommandContext &m_context;
    Range m_range;
    long long m_endQuarterFrames;
    EndCheck m_check;
    QTimer *m_restartPlay;
    // While stopping: looks for the stream to stop.
    QTimer *m_stopPoll;
    bool m_reverse = false;
    bool m_stopping = false;
    bool m_exact = false;
    bool m_over = false;
    bool m_heard = false;
    QElapsedTimer m_lastPosition;
    int m_passes = 0;
};
