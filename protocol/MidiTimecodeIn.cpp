#include "protocol/TrafficLog.h"
#include "protocol/MidiTimecodeIn.h"

#include <QDebug>

namespace {
constexpr quint8 kQuarterFrame = 0xF1;
constexpr quint8 kSysExStart = 0xF0;
constexpr quint8 kUniversalRealTime = 0x7F;
constexpr quint8 kAllDevices = 0x7F;
constexpr quint8 kTimeCodeFamily = 0x01;
constexpr quint8 kFullFrame = 0x01;
constexpr quint8 kSourceFamily = 0x10;
constexpr int kLongSourceReportSize = 16;
constexpr int kLongSourceMarkerIndex = 9;
constexpr int kLongSourceNumberIndex = 14;

// Piece-7 data bytes that carry a frame rate with the hour's bit 4 clear.
constexpr quint8 kPiece7Rate24 = 0x70;
constexpr quint8 kPiece7Rate25 = 0x72;
constexpr quint8 kPiece7Rate30Drop = 0x74;
constexpr quint8 kPiece7Rate30 = 0x76;

struct QuarterFrameState
{
    int frames = 0;
    int seconds = 0;
    int minutes = 0;
    int hours = 0;
    QString lastText;
};

QuarterFrameState &state()
{
    static QuarterFrameState s;
    return s;
}

quint8 byteAt(const QByteArray &message, int index)
{
    return quint8(message.at(index));
}

bool startsWith(const QByteArray &message, std::initializer_list<quint8> prefix)
{
    if (message.size() < int(prefix.size()))
        return false;
    int i = 0;
    for (quint8 expected : prefix) {
        if (byteAt(message, i++) != expected)
            return false;
    }
    return true;
}

bool isSourceNumber(int n)
{
    return n >= 1 && n <= 6;
}

QString two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

MidiTimecodeIn::MidiTimecodeIn(QObject *parent)
    : QObject(parent)
{
}

void MidiTimecodeIn::processMidiMessage(QByteArray message)
{
    if (message.size() >= 2 && byteAt(message, 0) == kQuarterFrame) {
        const QString text = takeQuarterFrame(byteAt(message, 1));
        if (!text.isEmpty())
            emit timecodeReceived(text);
    }

    int source = -1;
    if (message.size() >= 5 && startsWith(message, {kSysExStart, kUniversalRealTime, kAllDevices, kSourceFamily}))
        source = byteAt(message, 4);
    else if (message.size() == kLongSourceReportSize && byteAt(message, kLongSourceMarkerIndex) == 0x7F)
        source = byteAt(message, kLongSourceNumberIndex);
    if (isSourceNumber(source))
        emit sourcecodeReceived(source);

    if (message.size() >= 9
        && startsWith(message, {kSysExStart, kUniversalRealTime, kAllDevices, kTimeCodeFamily, kFullFrame})) {
        const quint8 hourByte = byteAt(message, 5);
        static const char *const rateNames[] = {"24 fps", "25 fps", "30 fps (drop frame)", "30 fps (non-drop frame)"};
        qCDebug(lcMidiTraffic) << "Full frame at" << ((hourByte & 0x80) ? "Unknown frame rate" : rateNames[(hourByte >> 5) & 0x03]);
        emit timeCodeParsed(hourByte & 0x1F, byteAt(message, 6), byteAt(message, 7), byteAt(message, 8));
    }
}

QString MidiTimecodeIn::takeQuarterFrame(quint8 data)
{
    QuarterFrameState &s = state();
    const int piece = (data >> 4) & 0x07;
    const int nibble = data & 0x0F;
    switch (piece) {
    case 0:
        s.frames = (s.frames & 0xF0) | nibble;
        return QString();
    case 1:
        s.frames = (s.frames & 0x0F) | (nibble << 4);
        return QString();
    case 2:
        s.seconds = (s.seconds & 0xF0) | nibble;
        return QString();
    case 3:
        s.seconds = (s.seconds & 0x0F) | (nibble << 4);
        return QString();
    case 4:
        s.minutes = (s.minutes & 0xF0) | nibble;
        return QString();
    case 5:
        s.minutes = (s.minutes & 0x0F) | (nibble << 4);
        return QString();
    case 6:
        s.hours = (s.hours & 0xF0) | nibble;
        return QString();
    default:
        break;
    }

    // Piece 7 carries the hour's bit 4 and the rate; keeping only bit 0 of the
    // nibble clears the hour's bits 5-7.
    s.hours = (s.hours & 0x0F) | ((nibble & 0x01) << 4);
    // Whole-byte comparison: with the hour's bit 4 set (hours 16-23) no rate is
    // reported.
    switch (data) {
    case kPiece7Rate24:
        emit sourcecodeReceived(Report24);
        break;
    case kPiece7Rate25:
        emit sourcecodeReceived(Report25);
        break;
    case kPiece7Rate30Drop:
        emit sourcecodeReceived(Report30Drop);
        break;
    case kPiece7Rate30:
        emit sourcecodeReceived(Report30);
        break;
    default:
        break;
    }

    const QString text = QStringLiteral("%1:%2:%3:%4").arg(two(s.hours), two(s.minutes), two(s.seconds), two(s.frames));
    if (text == s.lastText)
        return QString();
    s.lastText = text;
    return text;
}
