#include "protocol/TrafficLog.h"
#include "protocol/MidiTimecodeIn.h"

#include "protocol/SysEx.h"

#include <QDebug>

#include <utility>

namespace {
constexpr int kLongSourceReportSize = 16;
constexpr int kLongSourceMarkerIndex = 9;
constexpr quint8 kLongSourceMarker = 0x7F;
constexpr int kLongSourceNumberIndex = 14;

// Piece-7 data bytes that carry a frame rate with the hour's bit 4 clear.
constexpr quint8 kPiece7Rate24 = 0x70;
constexpr quint8 kPiece7Rate25 = 0x72;
constexpr quint8 kPiece7Rate30Drop = 0x74;
constexpr quint8 kPiece7Rate30 = 0x76;

constexpr int kPiecesPerLabel = 8;
// A completed label stands for the frame two frames on.
constexpr int kLabelAdvance = 2;

// Rate code of piece 7 (bits 1-2 of its nibble): 24, 25, 30 drop, 30.
int framesPerSecondForCode(int code)
{
    static const int fps[] = {24, 25, 30, 30};
    return fps[code & 0x03];
}
bool dropFrameForCode(int code)
{
    return (code & 0x03) == 2;
}

quint8 byteAt(const QByteArray &message, int index)
{
    return quint8(message.at(index));
}

bool isSourceNumber(int n)
{
    return n >= 1 && n <= 6;
}

QString two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The alarm word: bit 31 set, bits 28-29 the rate as piece 7 codes it, then
// hours, minutes, seconds and frames in 7 bits each from bit 21 down.
constexpr quint32 kAlarmSet = 1u << 31;
constexpr int kAlarmRateShift = 28;
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

void MidiTimecodeIn::setPositionAlarm(const FrameArithmetic::Label &end, int framesPerSecond, bool dropFrame)
{
    const bool fits = end.hours >= 0 && end.hours <= int(kAlarmFieldMask) && end.minutes >= 0
        && end.minutes <= int(kAlarmFieldMask) && end.seconds >= 0 && end.seconds <= int(kAlarmFieldMask)
        && end.frames >= 0 && end.frames <= int(kAlarmFieldMask);
    if (!fits) {
        clearPositionAlarm();
        return;
    }
    const quint32 rateCode = framesPerSecond == 24 ? 0 : framesPerSecond == 25 ? 1 : dropFrame ? 2 : 3;
    quint32 alarm = kAlarmSet | (rateCode << kAlarmRateShift);
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
    if (!(alarm & kAlarmSet))
        return false;
    const int rateCode = int(alarm >> kAlarmRateShift) & 0x03;
    const FrameArithmetic::Label end{fieldOfAlarm(alarm, 3), fieldOfAlarm(alarm, 2), fieldOfAlarm(alarm, 1),
                                     fieldOfAlarm(alarm, 0)};
    const long long frames =
        FrameArithmetic::distance(end, m_label, framesPerSecondForCode(rateCode), dropFrameForCode(rateCode));
    return 4 * frames + piece >= 0;
}

bool MidiTimecodeIn::fullFrameLabel(const QByteArray &message, FrameArithmetic::Label &label)
{
    if (message.size() < 9 || !SysEx::isUniversalRealTime(message, SysEx::kTimeCodeSubId)
        || byteAt(message, 4) != SysEx::kFullFrame)
        return false;
    label = FrameArithmetic::Label{byteAt(message, 5) & 0x1F, byteAt(message, 6), byteAt(message, 7),
                                   byteAt(message, 8)};
    return true;
}

void MidiTimecodeIn::startFromFullFrame(const FrameArithmetic::Label &label)
{
    // A stream that follows starts with piece 0 of this frame.
    m_label = label;
    m_labelKnown = true;
    m_lastPiece = kPiecesPerLabel - 1;
    m_piecesInOrder = 0;
}

void MidiTimecodeIn::followFullFrame(const QByteArray &message)
{
    FrameArithmetic::Label label;
    if (fullFrameLabel(message, label))
        startFromFullFrame(label);
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
    if (fullFrameLabel(message, label)) {
        const quint8 hourByte = byteAt(message, 5);
        static const char *const rateNames[] = {"24 fps", "25 fps", "30 fps (drop frame)", "30 fps (non-drop frame)"};
        qCDebug(lcMidiTraffic) << "Full frame at" << ((hourByte & 0x80) ? "Unknown frame rate" : rateNames[(hourByte >> 5) & 0x03]);
        startFromFullFrame(label);
        emit timeCodeParsed(label.hours, label.minutes, label.seconds, label.frames);
    }
}

void MidiTimecodeIn::takeQuarterFrame(quint8 data)
{
    m_quarterFrameSeen.store(true, std::memory_order_relaxed);
    const int piece = (data >> 4) & 0x07;
    const int nibble = data & 0x0F;
    // Forward within a label or on to the next one, even with pieces lost on
    // the way: the piece number alone says where in its label the unit is.
    const bool forward =
        m_lastPiece == kPiecesPerLabel - 1 ? piece < m_lastPiece : m_lastPiece >= 0 && piece > m_lastPiece;
    m_piecesInOrder = piece == 0 ? 1 : (piece == m_lastPiece + 1 && m_piecesInOrder > 0 ? m_piecesInOrder + 1 : 0);
    m_lastPiece = piece;
    if (!forward)
        m_labelKnown = false;

    if (piece == kPiecesPerLabel - 1) {
        completeLabel(data, m_piecesInOrder == kPiecesPerLabel);
        return;
    }
    // Pieces 0-6 carry frames, seconds, minutes and hours, low nibble first.
    int *const fields[] = {&m_frames, &m_seconds, &m_minutes, &m_hours};
    int &field = *fields[piece / 2];
    field = piece % 2 == 0 ? (field & 0xF0) | nibble : (field & 0x0F) | (nibble << 4);
    if (m_labelKnown && (!m_quietBetweenLabels || alarmReached(piece)))
        reportPosition(m_label, piece);
}

void MidiTimecodeIn::completeLabel(quint8 data, bool whole)
{
    const int nibble = data & 0x0F;
    // Piece 7 carries the hour's bit 4 and the rate; keeping only bit 0 of the
    // nibble clears the hour's bits 5-7.
    m_hours = (m_hours & 0x0F) | ((nibble & 0x01) << 4);
    // Whole-byte comparison: with the hour's bit 4 set (hours 16-23) no rate is
    // reported.
    switch (data) {
    case kPiece7Rate24:
        reportRate(Report24);
        break;
    case kPiece7Rate25:
        reportRate(Report25);
        break;
    case kPiece7Rate30Drop:
        reportRate(Report30Drop);
        break;
    case kPiece7Rate30:
        reportRate(Report30);
        break;
    default:
        break;
    }

    const FrameArithmetic::Label label{m_hours, m_minutes, m_seconds, m_frames};
    const int fps = framesPerSecondForCode(nibble >> 1);
    const bool drop = dropFrameForCode(nibble >> 1);
    const bool exists = FrameArithmetic::existsAtRate(label, fps, drop);
    const FrameArithmetic::Label shown =
        exists ? FrameArithmetic::advanceWithinDay(label, kLabelAdvance, fps, drop) : label;

    const QString text = QStringLiteral("%1:%2:%3:%4")
                             .arg(two(shown.hours), two(shown.minutes), two(shown.seconds), two(shown.frames));
    if (text != m_lastText) {
        m_lastText = text;
        reportText(text);
    }

    if (whole) {
        m_label = label;
        m_labelKnown = exists;
    } else if (m_labelKnown) {
        // Pieces were lost: the label put together is not to be trusted, the
        // one the stream is at is still known.
        m_labelKnown = FrameArithmetic::existsAtRate(m_label, fps, drop);
    }
    if (!m_labelKnown)
        return;
    reportPosition(m_label, kPiecesPerLabel - 1);
    m_label = FrameArithmetic::advanceWithinDay(m_label, kLabelAdvance, fps, drop);
}

void MidiTimecodeIn::reportRate(RateReport code)
{
    if (m_quietBetweenLabels)
        m_pieceReports.rateReport = code;
    else
        emit sourcecodeReceived(code);
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

MidiTimecodeIn::PieceReports MidiTimecodeIn::takePieceReports()
{
    return std::exchange(m_pieceReports, PieceReports{});
}

void MidiTimecodeIn::emitPieceReports(const PieceReports &reports)
{
    if (reports.rateReport)
        emit sourcecodeReceived(reports.rateReport);
    if (!reports.timecode.isNull())
        emit timecodeReceived(reports.timecode);
    if (reports.positionKnown)
        emit quarterFramePosition(reports.position, reports.quarterFrames);
}
