// SPDX-License-Identifier: GPL-3.0-or-later
#include "GeneratorRun.h"

#include "CommandContext.h"
#include "TimeArgument.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"

#include <QTimer>

using FrameArithmetic::Label;

namespace {
constexpr int kStopPollMs = 20;
} // namespace

GeneratorRun::GeneratorRun(CommandContext &context, const Range &range, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_range(range)
    , m_endQuarterFrames(4 * FrameArithmetic::distance(range.start, range.end, range.rate))
    , m_restartPlay(new QTimer(this))
    , m_stopPoll(new QTimer(this))
{
    MidiTimecodeIn *stream = context.streamDecoder();
    connect(stream, &MidiTimecodeIn::quarterFramePosition, this, &GeneratorRun::follow);
    connect(stream, &MidiTimecodeIn::directionChanged, this,
            [this](int direction) { m_reverse = direction == MidiTimecodeIn::Reverse; });
    connect(&context, &CommandContext::timecodeShown, this, [this] { m_heard = true; });
    m_restartPlay->setSingleShot(true);
    connect(m_restartPlay, &QTimer::timeout, this, [this] { m_context.send(MachineControl::play()); });
    connect(m_stopPoll, &QTimer::timeout, this, [this] {
        bool stopped = false;
        if (m_context.streamDecoder()->streamDirection(&stopped) == MidiTimecodeIn::Unknown) {
            m_stopPoll->stop();
            m_over = true;
        }
    });
}

GeneratorRun::~GeneratorRun()
{
    m_context.streamDecoder()->clearPositionAlarm();
}

bool GeneratorRun::start()
{
    const std::optional<QByteArray> locate = MachineControl::locate(
        m_range.start.hours, m_range.start.minutes, m_range.start.seconds, m_range.start.frames, m_range.rate);
    if (!locate || !m_context.sendLocate(*locate))
        return false;
    // Every piece at or past End reaches the check at once.
    m_context.streamDecoder()->setPositionAlarm(m_range.end, m_range.rate);
    m_passes = 1;
    return m_context.send(MachineControl::play());
}

void GeneratorRun::follow(const Label &label, int quarterFrames)
{
    m_lastPosition.start();
    const long long current = 4 * FrameArithmetic::distance(m_range.start, label, m_range.rate) + quarterFrames;
    if (m_stopping) {
        if (m_check.stopLost(current))
            m_context.send(MachineControl::stop());
        return;
    }
    m_check.notePosition(current, m_endQuarterFrames);
    switch (m_check.check(current, m_endQuarterFrames, m_reverse, m_range.loop)) {
    case EndCheck::Verdict::Going: break;
    case EndCheck::Verdict::Restart: restart(); break;
    case EndCheck::Verdict::StopExact: stopAtEnd(true); break;
    case EndCheck::Verdict::StopPast: stopAtEnd(false); break;
    }
}

void GeneratorRun::restart()
{
    m_context.send(MachineControl::stop());
    const std::optional<QByteArray> locate = MachineControl::locate(
        m_range.start.hours, m_range.start.minutes, m_range.start.seconds, m_range.start.frames, m_range.rate);
    if (locate)
        m_context.sendLocate(*locate);
    ++m_passes;
    m_restartPlay->start(kLoopRestartDelayMs);
}

void GeneratorRun::stopAtEnd(bool exact)
{
    m_context.send(MachineControl::stop());
    m_stopping = true;
    m_exact = exact;
    m_stopPoll->start(kStopPollMs);
}

bool GeneratorRun::stalled(int ms) const
{
    return m_heard && !m_stopping && m_lastPosition.isValid() && m_lastPosition.elapsed() > ms;
}

QString GeneratorRun::landing() const
{
    if (m_exact)
        return TimeArgument::text(m_range.end);
    return m_context.lastTimecode();
}
