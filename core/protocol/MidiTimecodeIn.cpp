// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/TrafficLog.h"
#include "protocol/MidiTimecodeIn.h"

#include "protocol/SysEx.h"

#include <QDebug>

#include <chrono>
#include <utility>

namespace {
constexpr int kLongSourceReportSize = 16;
constexpr int kLongSourceMarkerIndex = 9;
constexpr quint8 kLongSourceMarker = 0x7F;
constexpr int kLongSourceNumberIndex = 14;

// Piece 7's bit for the hour's bit 4 (hours 16-23).
constexpr quint8 kPieceSevenHourBit = 0x01;
// Bits that a data byte or piece 7's nibble never has set; a byte that has
// them is still counted at the rate its rate bits give.
constexpr quint8 kPieceSevenRateMask = 0x77;
constexpr quint8 kHourByteMask = 0x7F;

constexpr int kPiecesPerLabel = 8;
constexpr int kLastPiece = kPiecesPerLabel - 1;
// One label's pieces span two frames.
constexpr int kLabelFrames = 2;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString labelText(const FrameArithmetic::Label &l)
{
    return QStringLiteral("%1:%2:%3:%4")
        .arg(l.hours, 2, 10, QLatin1Char('0'))
        .arg(l.minutes, 2, 10, QLatin1Char('0'))
        .arg(l.seconds, 2, 10, QLatin1Char('0'))
        .arg(l.frames, 2, 10, QLatin1Char('0'));
}

quint8 byteAt(const QByteArray &message, int index)
{
    return quint8(message.at(index));
}

bool isSourceNumber(int n)
{
    return n >= 1 && n <= 6;
}

// The alarm word: bit 31 set, bits 28-29 the rate code, then
// hours, minutes, seconds and frames in 7 bits each from bit 21 down.
constexpr quint32 kAlarmSet = 1u << 31;
constexpr int kAlarmRateShift = 28;
constexpr int kAlarmRateBits = 0x03;
constexpr int kAlarmFieldBits = 7;
constexpr quint32 kAlarmFieldMask = (1u << kAlarmFieldBits) - 1;

quint32 alarmField(const FrameArithmetic::Label &label, int index)
{
    const int fields[] = {label.frames, label.seconds, label.minutes, label.hours};
    return (quint32(fields[index]) & kAlarmFieldMask) << (kAlarmFieldBits * index);
}
int fieldOfAlarm(quint32 alarm, int index)
{
    return int((alarm >> (kAlarmFieldBits * index)) & kAlarmFieldMask);
}
} // namespace

MidiTimecodeIn::MidiTimecodeIn(QObject *parent)
    : QObject(parent)
{
    // Positions reach the GUI thread queued when the decoder runs on the
    // input's thread.
    qRegisterMetaType<FrameArithmetic::Label>("FrameArithmetic::Label");
}

void MidiTimecodeIn::setPositionAlarm(const FrameArithmetic::Label &end, FrameRate rate)
{
    const bool fits = end.hours >= 0 && end.hours <= int(kAlarmFieldMask) && end.minutes >= 0
        && end.minutes <= int(kAlarmFieldMask) && end.seconds >= 0 && end.seconds <= int(kAlarmFieldMask)
        && end.frames >= 0 && end.frames <= int(kAlarmFieldMask);
    if (!fits) {
        clearPositionAlarm();
        return;
    }
    quint32 alarm = kAlarmSet | (quint32(rate.code()) << kAlarmRateShift);
    for (int i = 0; i < 4; ++i)
        alarm |= alarmField(end, i);
    m_alarm.store(alarm, std::memory_order_relaxed);
}

void MidiTimecodeIn::clearPositionAlarm()
{
    m_alarm.store(0, std::memory_order_relaxed);
}

bool MidiTimecodeIn::alarmReached(int piece) const
{
    const quint32 alarm = m_alarm.load(std::memory_order_relaxed);
    if (!(alarm & kAlarmSet) || m_direction != Forward)
        return false;
    const FrameRate rate = *FrameRate::fromCode(int(alarm >> kAlarmRateShift) & kAlarmRateBits);
    const FrameArithmetic::Label end{fieldOfAlarm(alarm, 3), fieldOfAlarm(alarm, 2), fieldOfAlarm(alarm, 1),
                                     fieldOfAlarm(alarm, 0)};
    const long long frames = FrameArithmetic::distance(end, m_label, rate);
    return 4 * frames + piece >= 0;
}

MidiTimecodeIn::StreamHealth MidiTimecodeIn::streamHealth() const
{
    return StreamHealth{m_lostPieces.load(std::memory_order_relaxed), m_rejectedLabels.load(std::memory_order_relaxed),
                        m_confirmedJumps.load(std::memory_order_relaxed)};
}

MidiTimecodeIn::Direction MidiTimecodeIn::streamDirection(bool *stopped) const
{
    const qint64 last = m_lastPieceAt.load(std::memory_order_relaxed);
    const bool running =
        last != 0 && steadyNs() - last <= kStoppedAfterFrames * m_frameNs.load(std::memory_order_relaxed);
    if (stopped)
        *stopped = last != 0 && !running;
    return running ? Direction(m_streamDirection.load(std::memory_order_relaxed)) : Unknown;
}

void MidiTimecodeIn::resetStreamHealth()
{
    m_lostPieces = 0;
    m_rejectedLabels = 0;
    m_confirmedJumps = 0;
    m_lastPieceAt = 0;
    m_streamDirection = Unknown;
    emit streamHealthReset();
}

bool MidiTimecodeIn::fullFrameLabel(const QByteArray &message, FrameArithmetic::Label &label, FrameRate *rate)
{
    if (message.size() < 9 || !SysEx::isUniversalRealTime(message, SysEx::kTimeCodeSubId)
        || byteAt(message, 4) != SysEx::kFullFrame)
        return false;
    label = FrameArithmetic::Label{byteAt(message, 5) & 0x1F, byteAt(message, 6), byteAt(message, 7),
                                   byteAt(message, 8)};
    if (rate)
        *rate = *FrameRate::fromHourByte(byteAt(message, 5) & kHourByteMask);
    return true;
}

void MidiTimecodeIn::startFromFullFrame(const FrameArithmetic::Label &label, FrameRate rate)
{
    // A locate: the stream that follows starts at this frame, whatever came
    // before, the panel's own locates included.
    forgetStream();
    m_locatesSeen = m_locates.load(std::memory_order_relaxed);
    m_label = label;
    m_rate = rate;
    m_timelineKnown = FrameArithmetic::existsAtRate(label, rate);
    m_afterFullFrame = m_timelineKnown;
}

void MidiTimecodeIn::followFullFrame(const QByteArray &message)
{
    FrameArithmetic::Label label;
    FrameRate rate;
    if (fullFrameLabel(message, label, &rate))
        startFromFullFrame(label, rate);
}

void MidiTimecodeIn::processMidiMessage(QByteArray message)
{
    if (message.size() >= 2 && byteAt(message, 0) == SysEx::kQuarterFrame)
        takeQuarterFrame(byteAt(message, 1));

    int source = -1;
    if (message.size() >= 5 && SysEx::isUniversalRealTime(message, SysEx::kSourceSubId))
        source = byteAt(message, 4);
    else if (message.size() == kLongSourceReportSize && byteAt(message, kLongSourceMarkerIndex) == kLongSourceMarker)
        source = byteAt(message, kLongSourceNumberIndex);
    if (isSourceNumber(source))
        emit sourcecodeReceived(source);

    FrameArithmetic::Label label;
    FrameRate rate;
    if (fullFrameLabel(message, label, &rate)) {
        const std::optional<FrameRate> named = FrameRate::fromHourByte(byteAt(message, 5));
        qCDebug(lcMidiTraffic).noquote() << "Full frame at"
                                         << (named ? named->description() : QStringLiteral("Unknown frame rate"));
        startFromFullFrame(label, rate);
        emit timeCodeParsed(label.hours, label.minutes, label.seconds, label.frames);
    }
}

void MidiTimecodeIn::forgetStream()
{
    m_timelineKnown = false;
    m_candidateKnown = false;
    m_afterFullFrame = false;
    m_lastPiece = -1;
    m_forwardRun = 0;
    m_reverseRun = 0;
}

void MidiTimecodeIn::setDirection(Direction direction)
{
    if (direction == m_direction)
        return;
    m_direction = direction;
    m_streamDirection.store(direction, std::memory_order_relaxed);
    reportDirection(direction);
}

bool MidiTimecodeIn::followStep(int piece, bool *wrapped)
{
    *wrapped = false;
    if (m_lastPiece < 0) {
        if (m_afterFullFrame) {
            // Forward the located frame's own label follows; in reverse the
            // label before it, whose piece 7 leaves at the frame's start - 1/4.
            m_afterFullFrame = false;
            if (piece == 0) {
                setDirection(Forward);
            } else if (piece == kLastPiece) {
                setDirection(Reverse);
                m_label = FrameArithmetic::advanceWithinDay(m_label, -kLabelFrames, m_rate);
            } else {
                m_timelineKnown = false;
            }
        }
        return true;
    }
    const int step = (piece - m_lastPiece + kPiecesPerLabel) % kPiecesPerLabel;
    Direction direction = m_direction;
    if (step == 1)
        direction = Forward;
    else if (step == kLastPiece)
        direction = Reverse;
    if (step == 0 || direction == Unknown)
        return false; // a piece again, or lost pieces before the way is known
    if (direction != m_direction) {
        // The unit turned round: its labels start again from here.
        const bool first = m_direction == Unknown;
        setDirection(direction);
        if (!first)
            return false;
    }
    const int lost = direction == Forward ? step - 1 : kLastPiece - step;
    if (lost > 0)
        m_lostPieces.fetch_add(lost, std::memory_order_relaxed);
    *wrapped = direction == Forward ? piece < m_lastPiece : piece > m_lastPiece;
    return true;
}

void MidiTimecodeIn::takeQuarterFrame(quint8 data)
{
    m_quarterFrameSeen.store(true, std::memory_order_relaxed);
    const qint64 now = steadyNs();
    const qint64 previous = m_lastPieceAt.exchange(now, std::memory_order_relaxed);
    const quint32 locates = m_locates.load(std::memory_order_relaxed);
    if (locates != m_locatesSeen) {
        m_locatesSeen = locates;
        forgetStream();
    } else if (previous != 0 && now - previous > kStoppedAfterFrames * m_frameNs.load(std::memory_order_relaxed)
               && !m_afterFullFrame) {
        // The stream stopped; where it starts again is not known.
        forgetStream();
    }

    const int piece = (data >> 4) & 0x07;
    const int nibble = data & 0x0F;
    const int previousPiece = m_lastPiece;
    bool wrapped = false;
    if (!followStep(piece, &wrapped)) {
        const int lastPiece = m_lastPiece;
        forgetStream();
        m_lastPiece = lastPiece; // still tells the way of the next step
    }
    m_forwardRun = piece == 0 ? 1 : (piece == m_lastPiece + 1 && m_forwardRun > 0 ? m_forwardRun + 1 : 0);
    m_reverseRun = piece == kLastPiece ? 1 : (piece == m_lastPiece - 1 && m_reverseRun > 0 ? m_reverseRun + 1 : 0);
    m_lastPiece = piece;
    if (wrapped) {
        const int step = m_direction == Reverse ? -kLabelFrames : kLabelFrames;
        if (m_timelineKnown)
            m_label = FrameArithmetic::advanceWithinDay(m_label, step, m_rate);
        if (m_candidateKnown)
            m_candidate = FrameArithmetic::advanceWithinDay(m_candidate, step, m_candidateRate);
    }

    // Pieces 0-6 carry frames, seconds, minutes and hours, low nibble first;
    // piece 7 the hour's bit 4 (bits 5-7 cleared) and the rate.
    if (piece == kLastPiece) {
        m_hours = (m_hours & 0x0F) | ((nibble & 0x01) << 4);
        m_pieceSevenRate = *FrameRate::fromPieceSeven(data & kPieceSevenRateMask);
        // Only a clean byte reports: with the hour's bit 4 set (hours 16-23)
        // no rate is reported.
        const std::optional<FrameRate> reported = FrameRate::fromPieceSeven(data);
        if (reported && !(data & kPieceSevenHourBit))
            reportRate(*reported);
    } else {
        int *const fields[] = {&m_frames, &m_seconds, &m_minutes, &m_hours};
        int &field = *fields[piece / 2];
        field = piece % 2 == 0 ? (field & 0xF0) | nibble : (field & 0x0F) | (nibble << 4);
    }

    const bool reverse = m_direction == Reverse;
    const bool completes = reverse ? piece == 0 : piece == kLastPiece;
    if (completes && (reverse ? m_reverseRun : m_forwardRun) == kPiecesPerLabel)
        checkLabel(FrameArithmetic::Label{m_hours, m_minutes, m_seconds, m_frames}, m_pieceSevenRate);
    if (!m_timelineKnown)
        return;

    m_frameNs.store(1000000000LL / m_rate.framesPerSecond(), std::memory_order_relaxed);
    // Forward piece 3 and piece 7 reach the next frame within a quarter; in
    // reverse piece 4 and piece 0 stand on a frame's start. When such a piece
    // was lost, the piece after it shows the frame it would have.
    const int middle = reverse ? 4 : 3;
    long long framesOn = -1;
    if (completes)
        framesOn = reverse ? 0 : kLabelFrames;
    else if (piece == middle || (!wrapped && previousPiece >= 0 && (reverse ? previousPiece > middle && piece < middle
                                                                          : previousPiece < middle && piece > middle)))
        framesOn = 1;
    else if (wrapped && previousPiece != (reverse ? 0 : kLastPiece))
        framesOn = reverse ? kLabelFrames : 0;
    const bool shows = framesOn >= 0;
    if (shows)
        showFrame(framesOn);
    if (!m_quietBetweenLabels || shows || alarmReached(piece))
        reportPosition(m_label, piece);
}

bool MidiTimecodeIn::checkLabel(const FrameArithmetic::Label &label, FrameRate rate)
{
    const auto accept = [&] {
        m_label = label;
        m_rate = rate;
        m_timelineKnown = true;
        m_candidateKnown = false;
        return true;
    };
    if (!FrameArithmetic::existsAtRate(label, rate)) {
        m_rejectedLabels.fetch_add(1, std::memory_order_relaxed);
        qCInfo(lcMidiIn).noquote() << "Time code label" << labelText(label) << "rejected: no such frame at"
                                   << rate.description();
        return false;
    }
    if (!m_timelineKnown || (label == m_label && rate == m_rate))
        return accept();
    if (m_candidateKnown && label == m_candidate && rate == m_candidateRate) {
        m_confirmedJumps.fetch_add(1, std::memory_order_relaxed);
        qCInfo(lcMidiIn).noquote() << "Time code jumped from" << labelText(m_label) << "to" << labelText(label);
        return accept();
    }
    m_rejectedLabels.fetch_add(1, std::memory_order_relaxed);
    qCInfo(lcMidiIn).noquote() << "Time code label" << labelText(label) << "rejected: expected"
                               << labelText(m_label);
    m_candidateKnown = true;
    m_candidate = label;
    m_candidateRate = rate;
    return false;
}

void MidiTimecodeIn::showFrame(long long framesOn)
{
    const QString text = labelText(FrameArithmetic::advanceWithinDay(m_label, framesOn, m_rate));
    if (text != m_lastText) {
        m_lastText = text;
        reportText(text);
    }
}

void MidiTimecodeIn::reportRate(FrameRate rate)
{
    if (m_quietBetweenLabels)
        m_pieceReports.rate = rate;
    else
        emit sourcecodeReceived(rate.report());
}

void MidiTimecodeIn::reportText(const QString &timecode)
{
    if (m_quietBetweenLabels)
        m_pieceReports.timecode = timecode;
    else
        emit timecodeReceived(timecode);
}

void MidiTimecodeIn::reportPosition(const FrameArithmetic::Label &label, int quarterFrames)
{
    if (!m_quietBetweenLabels) {
        emit quarterFramePosition(label, quarterFrames);
        return;
    }
    m_pieceReports.positionKnown = true;
    m_pieceReports.position = label;
    m_pieceReports.quarterFrames = quarterFrames;
}

void MidiTimecodeIn::reportDirection(Direction direction)
{
    if (m_quietBetweenLabels)
        m_pieceReports.direction = direction;
    else
        emit directionChanged(direction);
}

MidiTimecodeIn::PieceReports MidiTimecodeIn::takePieceReports()
{
    PieceReports reports = std::exchange(m_pieceReports, PieceReports{});
    reports.locates = m_locatesSeen;
    return reports;
}

void MidiTimecodeIn::emitPieceReports(const PieceReports &reports)
{
    if (reports.rate)
        emit sourcecodeReceived(reports.rate->report());
    if (reports.direction >= 0)
        emit directionChanged(reports.direction);
    // The panel moved the unit after this piece came: what it told is stale.
    if (reports.locates != m_locates.load(std::memory_order_relaxed))
        return;
    if (!reports.timecode.isNull())
        emit timecodeReceived(reports.timecode);
    if (reports.positionKnown)
        emit quarterFramePosition(reports.position, reports.quarterFrames);
}
