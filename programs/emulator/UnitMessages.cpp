// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/UnitMessages.h"

#include <QRegularExpression>

namespace UnitMessages {

namespace {

constexpr quint8 kUniversal = 0x7F;
constexpr quint8 kAllCall = 0x7F;
constexpr quint8 kFullFrameSubId = 0x01;
constexpr quint8 kMachineControlSubId = 0x06;
constexpr quint8 kMcStop = 0x01;
constexpr quint8 kMcPlay = 0x02;
constexpr quint8 kMcLocate = 0x44;
constexpr quint8 kMcLocateFieldCount = 0x06;
constexpr quint8 kMcLocateTarget = 0x01;
constexpr quint8 kSourceSubId = 0x10;
constexpr quint8 kIdentifySubId = 0x11;
constexpr quint8 kOffsetSubId = 0x12;
constexpr quint8 kNetworkSubId = 0x5E;
constexpr quint8 kIpCommand = 0x0E;
constexpr quint8 kOscCommand = 0x0F;
constexpr quint8 kPortCommand = 0x10;
constexpr int kIpMessageSize = 19;
constexpr int kOscMessageSize = 24;
constexpr int kPortMessageSize = 12;
constexpr int kOffsetMessageSize = 9;
// The rate field of the hour byte (bits 5-6) and of quarter-frame piece 7
// (bits 1-2), by value.
constexpr FrameRate::Value kRateOfField[] = {FrameRate::Fps24, FrameRate::Fps25, FrameRate::Fps30Drop,
                                             FrameRate::Fps30};
constexpr int kRateFieldMask = 0x03;
constexpr int kHourByteRateShift = 5;
constexpr int kPieceSevenRateShift = 1;

int rateField(FrameRate rate)
{
    for (int field = 0; field <= kRateFieldMask; ++field) {
        if (kRateOfField[field] == rate.value())
            return field;
    }
    return 0;
}

quint8 at(const QByteArray &message, int index)
{
    return quint8(message.at(index));
}

bool hasHeader(const QByteArray &message, quint8 subId)
{
    return message.size() >= 5 && at(message, 0) == kSysExStart && at(message, 1) == kUniversal
        && at(message, 2) == kAllCall && at(message, 3) == subId && at(message, message.size() - 1) == kSysExEnd;
}

// Reads `count` decimal digit bytes; -1 when one of them is not a digit.
int readDigits(const QByteArray &message, int from, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const quint8 digit = at(message, from + i);
        if (digit > 9)
            return -1;
        value = value * 10 + digit;
    }
    return value;
}

void appendDigits(QByteArray &message, int value, int count)
{
    QByteArray digits(count, '\0');
    for (int i = count - 1; i >= 0; --i) {
        digits[i] = char(value % 10);
        value /= 10;
    }
    message.append(digits);
}

QByteArray universal(quint8 subId)
{
    QByteArray message;
    message.append(char(kSysExStart));
    message.append(char(kUniversal));
    message.append(char(kAllCall));
    message.append(char(subId));
    return message;
}

QByteArray networkHeader(quint8 command, quint8 kind)
{
    QByteArray message = universal(kNetworkSubId);
    message.append(char(command));
    message.append(char(kind));
    return message;
}

// Twelve digits from message byte `from`: false when one is not a digit.
bool readOctets(const QByteArray &message, int from, Octets *octets, bool *inRange)
{
    for (int i = 0; i < 4; ++i) {
        const int value = readDigits(message, from + 3 * i, 3);
        if (value < 0)
            return false;
        (*octets)[size_t(i)] = value;
        if (value > 255)
            *inRange = false;
    }
    return true;
}

void appendOctets(QByteArray &message, const Octets &octets)
{
    for (int octet : octets)
        appendDigits(message, octet, 3);
}

Request parseMachineControl(const QByteArray &message)
{
    Request request;
    if (message.size() == 6 && at(message, 4) == kMcStop)
        request.kind = Request::Stop;
    else if (message.size() == 6 && at(message, 4) == kMcPlay)
        request.kind = Request::Play;
    else if (message.size() == 13 && at(message, 4) == kMcLocate && at(message, 5) == kMcLocateFieldCount
             && at(message, 6) == kMcLocateTarget) {
        for (int i = 7; i < 12; ++i) {
            if (at(message, i) > 0x7F)
                return request;
        }
        const quint8 hourByte = at(message, 7);
        request.kind = Request::Locate;
        request.rate = kRateOfField[(hourByte >> kHourByteRateShift) & kRateFieldMask];
        request.label.hours = hourByte & 0x1F;
        request.label.minutes = at(message, 8);
        request.label.seconds = at(message, 9);
        request.label.frames = at(message, 10);
        request.inRange = request.label.hours < 24 && request.label.minutes < 60 && request.label.seconds < 60
            && request.label.frames < request.rate.framesPerSecond();
    }
    return request;
}

Request parseIp(const QByteArray &message)
{
    Request request;
    if (message.size() != kIpMessageSize)
        return request;
    const quint8 kind = at(message, 5);
    Octets octets {};
    bool inRange = true;
    if (!readOctets(message, 6, &octets, &inRange))
        return request;
    switch (kind) {
    case IpRead:
        request.kind = Request::IpReadRequest;
        break;
    case IpMode:
        request.kind = Request::IpSetDhcp;
        break;
    case IpAddress:
    case IpSubnet:
    case IpGateway:
        request.kind = Request::IpSetAddress;
        request.ipKind = kind;
        request.octets = octets;
        request.inRange = inRange;
        break;
    default:
        break;
    }
    return request;
}

Request parseOsc(const QByteArray &message)
{
    Request request;
    if (message.size() != kOscMessageSize)
        return request;
    const quint8 target = at(message, 5);
    const quint8 first = at(message, 6);
    if (target == OscRead) {
        request.kind = Request::OscReadRequest;
    } else if (target == OscForward) {
        if (first > 1)
            return request;
        request.kind = Request::OscSetForward;
        request.forward = first == 1;
    } else if (target == OscLocalPort || (target >= OscDevice1 && target <= OscDevice4)) {
        const int port = readDigits(message, 18, 5);
        if (port < 0)
            return request;
        request.port = port;
        request.inRange = port <= 65535;
        request.target = target;
        if (target == OscLocalPort) {
            request.kind = Request::OscSetLocalPort;
        } else {
            if (!readOctets(message, 6, &request.octets, &request.inRange))
                return Request();
            request.kind = Request::OscSetDevice;
        }
    }
    return request;
}

Request parsePort(const QByteArray &message)
{
    Request request;
    if (message.size() != kPortMessageSize || at(message, 5) > PortTcp)
        return request;
    const int port = readDigits(message, 6, 5);
    if (port < 0)
        return request;
    request.kind = Request::PortSet;
    request.portKind = at(message, 5);
    request.port = port;
    request.inRange = port <= 65535;
    return request;
}

Request parseOffset(const QByteArray &message)
{
    Request request;
    if (message.size() != kOffsetMessageSize)
        return request;
    const int code = at(message, 7);
    if (code < 1 || code > 31)
        return request;
    request.kind = Request::OffsetSet;
    request.offsetFrames = code < 16 ? -code : code - 16;
    return request;
}

} // namespace

QString modelName(Model model)
{
    switch (model) {
    case Model::Tqr10: return QStringLiteral("TQR-10");
    case Model::Tqr20: return QStringLiteral("TQR-20");
    case Model::Tqr30: return QStringLiteral("TQR-30");
    case Model::Tqr30Pro: return QStringLiteral("TQR-30 Pro");
    }
    return QString();
}

bool modelFromName(const QString &name, Model *model)
{
    QString key = name.toLower();
    key.remove(QLatin1Char('-')).remove(QLatin1Char(' ')).remove(QLatin1Char('_'));
    static const struct { const char *key; Model model; } table[] = {
        {"tqr10", Model::Tqr10}, {"tqr20", Model::Tqr20}, {"tqr30", Model::Tqr30}, {"tqr30pro", Model::Tqr30Pro},
    };
    for (const auto &entry : table) {
        if (key == QLatin1String(entry.key)) {
            *model = entry.model;
            return true;
        }
    }
    return false;
}

bool hasNetwork(Model model)
{
    return model == Model::Tqr30 || model == Model::Tqr30Pro;
}

bool hasOsc(Model model)
{
    return model == Model::Tqr30Pro;
}

bool hasGenerator(Model model)
{
    return model != Model::Tqr10;
}

Request parseRequest(const QByteArray &message)
{
    if (message.size() < 6)
        return Request();
    if (hasHeader(message, kMachineControlSubId))
        return parseMachineControl(message);
    if (hasHeader(message, kIdentifySubId)) {
        Request request;
        if (at(message, 4) == 0x01)
            request.kind = Request::Identify;
        return request;
    }
    if (hasHeader(message, kSourceSubId) && message.size() == 6) {
        Request request;
        request.kind = Request::SelectSource;
        request.number = at(message, 4);
        return request;
    }
    if (hasHeader(message, kOffsetSubId))
        return parseOffset(message);
    if (hasHeader(message, kNetworkSubId)) {
        switch (at(message, 4)) {
        case kIpCommand: return parseIp(message);
        case kOscCommand: return parseOsc(message);
        case kPortCommand: return parsePort(message);
        default: break;
        }
    }
    return Request();
}

QByteArray deviceTypeReply(Model model)
{
    return QByteArray::fromHex("F000215E010106") + char(quint8(model)) + char(kSysExEnd);
}

QByteArray sourceReport(int source)
{
    QByteArray message = universal(kSourceSubId);
    message.append(char(source & 0x7F));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray fullFrame(const FrameClock::Label &label, FrameRate rate)
{
    QByteArray message = universal(kFullFrameSubId);
    message.append(char(0x01));
    message.append(char((rateField(rate) << kHourByteRateShift) | (label.hours & 0x1F)));
    message.append(char(label.minutes & 0x7F));
    message.append(char(label.seconds & 0x7F));
    message.append(char(label.frames & 0x7F));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray quarterFrame(int piece, const FrameClock::Label &label, FrameRate rate)
{
    int nibble = 0;
    switch (piece & 0x07) {
    case 0: nibble = label.frames & 0x0F; break;
    case 1: nibble = (label.frames >> 4) & 0x01; break;
    case 2: nibble = label.seconds & 0x0F; break;
    case 3: nibble = (label.seconds >> 4) & 0x03; break;
    case 4: nibble = label.minutes & 0x0F; break;
    case 5: nibble = (label.minutes >> 4) & 0x03; break;
    case 6: nibble = label.hours & 0x0F; break;
    case 7: nibble = (rateField(rate) << kPieceSevenRateShift) | ((label.hours >> 4) & 0x01); break;
    }
    QByteArray message;
    message.append(char(kQuarterFrame));
    message.append(char(((piece & 0x07) << 4) | nibble));
    return message;
}

QByteArray ack(quint8 code)
{
    QByteArray message = universal(kOffsetSubId);
    message.append(char(code & 0x7F));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray ipAddressFeedback(quint8 kind, const Octets &octets)
{
    QByteArray message = networkHeader(kIpCommand, kind);
    appendOctets(message, octets);
    message.append(char(kSysExEnd));
    return message;
}

QByteArray ipModeFeedback(bool manual)
{
    QByteArray message = networkHeader(kIpCommand, IpMode);
    message.append(QByteArray(11, '\0'));
    message.append(char(manual ? 1 : 0));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray oscDeviceFeedback(int target, const Octets &octets, int port)
{
    QByteArray message = networkHeader(kOscCommand, quint8(target));
    appendOctets(message, octets);
    appendDigits(message, port, 5);
    message.append(char(kSysExEnd));
    return message;
}

QByteArray oscForwardFeedback(bool on)
{
    QByteArray message = networkHeader(kOscCommand, OscForward);
    message.append(char(on ? 1 : 0));
    message.append(QByteArray(16, '\0'));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray oscLocalPortFeedback(int port)
{
    QByteArray message = networkHeader(kOscCommand, OscLocalPort);
    message.append(QByteArray(12, '\0'));
    appendDigits(message, port, 5);
    message.append(char(kSysExEnd));
    return message;
}

QByteArray portFeedback(quint8 kind, int port)
{
    QByteArray message = networkHeader(kPortCommand, kind);
    appendDigits(message, port, 5);
    message.append(char(kSysExEnd));
    return message;
}

QByteArray offsetFeedback(int frames)
{
    const int code = frames < 0 ? -frames : frames + 16;
    QByteArray message = universal(kOffsetSubId);
    message.append(char(code < 16 ? 0x00 : 0x40));
    message.append(char(0x00));
    message.append(char(0x00));
    message.append(char(code));
    message.append(char(kSysExEnd));
    return message;
}

QByteArray truncated(const QByteArray &message)
{
    if (message.size() < 3)
        return message.left(1);
    QByteArray garbled = message;
    garbled.remove(garbled.size() - 2, 1);
    return garbled;
}

} // namespace UnitMessages
