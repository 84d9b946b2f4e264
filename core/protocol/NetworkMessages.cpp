// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/NetworkMessages.h"

#include "protocol/SysEx.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace NetworkMessages {

namespace {

using SysEx::kEnd;
using SysEx::kNetworkSubId;
using SysEx::kOffsetAckSubId;

bool startsWith(const QByteArray &message, quint8 subId)
{
    return SysEx::isUniversalRealTime(message, subId);
}

QByteArray octetDigits(const QList<int> &octets)
{
    QByteArray digits;
    for (int n : octets) {
        digits.append(char(n / 100));
        digits.append(char((n / 10) % 10));
        digits.append(char(n % 10));
    }
    return digits;
}

} // namespace

QByteArray decimalDigits(quint32 value, int width)
{
    QByteArray digits(width, 0);
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char(value % 10);
        value /= 10;
    }
    return digits;
}

std::optional<quint32> digitsValue(const QByteArray &bytes, int from, int count)
{
    if (from < 0 || count < 0 || from + count > bytes.size())
        return std::nullopt;
    quint32 value = 0;
    for (int i = from; i < from + count; ++i) {
        const quint8 d = quint8(bytes[i]);
        if (d > 9)
            return std::nullopt;
        value = value * 10 + d;
    }
    return value;
}

// ---- IP configuration ----

QList<int> splitIpOctets(const QString &text)
{
    static const QRegularExpression dotted(QStringLiteral("(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})"));
    const QRegularExpressionMatch match = dotted.match(text);
    if (!match.hasMatch())
        return {};
    QList<int> octets;
    for (int i = 1; i <= 4; ++i)
        octets.append(match.captured(i).toInt());
    return octets;
}

bool octetsInRange(const QList<int> &octets)
{
    return octets.size() == 4 && std::all_of(octets.begin(), octets.end(), [](int n) { return n >= 0 && n <= 255; });
}

std::optional<QByteArray> buildIpConfigMessage(const QString &value, const QString &kindWord)
{
    QByteArray m;
    m.append(char(kIpCommand));
    if (kindWord == QLatin1String("DHCP")) {
        m.append(char(IpMode));
        m.append(QByteArray(12, 0));
    } else if (kindWord == QLatin1String("IP") || kindWord == QLatin1String("Subnet")
               || kindWord == QLatin1String("Network")) {
        const quint8 kind = kindWord == QLatin1String("IP") ? IpAddress
            : kindWord == QLatin1String("Subnet")           ? IpSubnet
                                                            : IpGateway;
        m.append(char(kind));
        const QList<int> octets = splitIpOctets(value);
        const QByteArray digits = octets.size() == 4 ? octetDigits(octets) : QByteArray();
        if (digits.size() != 12)
            return std::nullopt;
        m.append(digits);
    } else {
        m.append(char(IpRead));
        m.append(QByteArray(12, 0));
    }
    return SysEx::universalRealTime(kNetworkSubId, m);
}

std::optional<IpFeedback> parseIpFeedback(const QByteArray &message)
{
    if (message.size() < kIpMessageSize || !startsWith(message, kNetworkSubId))
        return std::nullopt;
    IpFeedback feedback;
    feedback.kind = quint8(message[5]);
    feedback.mode = quint8(message[kIpModeByte]);
    if (feedback.kind == IpAddress || feedback.kind == IpSubnet || feedback.kind == IpGateway) {
        QStringList parts;
        for (int octet = 0; octet < 4; ++octet) {
            const std::optional<quint32> v = digitsValue(message, 6 + 3 * octet, 3);
            if (!v)
                return std::nullopt;
            parts.append(QString::number(*v));
        }
        feedback.address = parts.join(QLatin1Char('.'));
    }
    return feedback;
}

bool isValidIpAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral(
        "^((25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)$"));
    return address.match(text).hasMatch();
}

bool isContiguousMask(const QString &text)
{
    if (!isValidIpAddress(text))
        return false;
    quint32 bits = 0;
    for (const QString &part : text.split(QLatin1Char('.')))
        bits = (bits << 8) | part.toUInt();
    // Ones then zeros: the inverted mask plus one is a power of two (or zero).
    const quint32 hostBits = ~bits;
    return (hostBits & (hostBits + 1)) == 0;
}

std::optional<quint16> parsePort(const QString &text)
{
    bool ok = false;
    const quint16 port = text.trimmed().toUShort(&ok);
    if (!ok || port == 0)
        return std::nullopt;
    return port;
}

bool isSameSubnet(const QString &ip, const QString &gateway, const QString &mask)
{
    const QStringList a = ip.split(QLatin1Char('.'));
    const QStringList b = gateway.split(QLatin1Char('.'));
    const QStringList m = mask.split(QLatin1Char('.'));
    if (a.size() != 4 || b.size() != 4 || m.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        const int mi = m[i].toInt();
        if ((a[i].toInt() & mi) != (b[i].toInt() & mi))
            return false;
    }
    return true;
}

// ---- OSC configuration ----

QByteArray buildOscConfigMessage(quint8 target, quint8 first, const QByteArray &payload)
{
    QByteArray m;
    m.append(char(kOscCommand));
    m.append(char(target));
    m.append(char(first));
    QByteArray body = payload.left(kOscPayloadSize);
    body.append(QByteArray(kOscPayloadSize - body.size(), 0));
    m.append(body);
    return SysEx::universalRealTime(kNetworkSubId, m);
}

QByteArray oscReadRequest()
{
    return buildOscConfigMessage(OscReadRequest, 0, QByteArray());
}

QByteArray oscLocalPortMessage(quint16 port)
{
    QByteArray payload(kOscPortDigits, 0);
    payload.append(decimalDigits(port, 5));
    return buildOscConfigMessage(OscLocalPort, 0, payload);
}

QByteArray oscForwardMessage(bool on)
{
    return buildOscConfigMessage(OscForward, on ? 1 : 0, QByteArray());
}

QByteArray oscDeviceMessage(int device, const std::array<int, 4> &octets, quint16 port)
{
    // The first octet's hundreds digit rides in the "first" byte, so the
    // twelve address digits sit in bytes 6 to 17 like an IP message.
    const QByteArray digits = octetDigits({octets[0], octets[1], octets[2], octets[3]});
    QByteArray payload = digits.mid(1);
    payload.append(decimalDigits(port, 5));
    return buildOscConfigMessage(quint8(device), quint8(digits[0]), payload);
}

std::optional<OscFeedback> parseOscFeedback(const QByteArray &message)
{
    if (message.size() != kOscMessageSize || !startsWith(message, kNetworkSubId)
        || quint8(message[4]) != kOscCommand || quint8(message[23]) != kEnd)
        return std::nullopt;
    OscFeedback feedback;
    feedback.target = quint8(message[5]);
    const quint8 first = quint8(message[6]);
    const QByteArray payload = message.mid(7, kOscPayloadSize);
    if (feedback.target < 1 || feedback.target > OscLocalPort)
        return std::nullopt;
    if (feedback.target == OscForward) {
        feedback.forward = first == 1;
        return feedback;
    }
    const std::optional<quint32> port = digitsValue(payload, kOscPortDigits, 5);
    if (!port)
        return std::nullopt;
    feedback.port = *port;
    if (feedback.target == OscLocalPort)
        return feedback;

    // The IP feedback takes only digits; so does this one.
    if (first > 9 || !digitsValue(payload, 0, kOscPortDigits))
        return std::nullopt;
    auto p = [&](int i) { return int(quint8(payload[i])); };
    const int octets[4] = {
        100 * first + 10 * p(0) + p(1),
        100 * p(2) + 10 * p(3) + p(4),
        100 * p(5) + 10 * p(6) + p(7),
        100 * p(8) + 10 * p(9) + p(10),
    };
    if (std::all_of(std::begin(octets), std::end(octets), [](int n) { return n <= 255; }))
        feedback.address = QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
    return feedback;
}

// ---- Acknowledgement ----

bool isAckMessage(const QByteArray &message)
{
    return message.size() == kAckMessageSize && startsWith(message, kOffsetAckSubId)
        && quint8(message[5]) == kEnd;
}

int parseAck(const QByteArray &message)
{
    if (!isAckMessage(message))
        return -1;
    const int code = quint8(message[4]);
    return code <= kAckHighestCode ? code : -1;
}

QString ackLogText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("设置失败");
    case 1: return QStringLiteral("设置IP模式成功");
    case 2: return QStringLiteral("设置OSC源端点成功");
    case 3: return QStringLiteral("设置Forward成功");
    case 4: return QStringLiteral("设置IP1成功");
    case 5: return QStringLiteral("设置IP2成功");
    case 6: return QStringLiteral("设置IP3成功");
    case 7: return QStringLiteral("设置IP4成功");
    case 8: return QStringLiteral("设置UDP Port成功");
    case 9: return QStringLiteral("设置TCP Port成功");
    default: return QString();
    }
}

// ---- UDP/TCP ports ----

QByteArray buildPortMessage(quint8 kind, quint32 port)
{
    QByteArray m;
    m.append(char(kPortCommand));
    m.append(char(kind));
    m.append(decimalDigits(port, 5));
    return SysEx::universalRealTime(kNetworkSubId, m);
}

std::optional<PortFeedback> parsePortFeedback(const QByteArray &message)
{
    if (message.size() < kPortMessageSize || !startsWith(message, kNetworkSubId)
        || quint8(message[4]) != kPortCommand || quint8(message.back()) != kEnd)
        return std::nullopt;
    PortFeedback feedback;
    feedback.kind = quint8(message[5]);
    if (feedback.kind != UdpPort && feedback.kind != TcpPort)
        return std::nullopt;
    const std::optional<quint32> port = digitsValue(message, 6, 5);
    if (!port)
        return std::nullopt;
    feedback.port = *port;
    return feedback;
}

// ---- Time offset ----

quint8 encodeFrameOffset(int frames)
{
    frames = std::clamp(frames, kMinFrameOffset, kMaxFrameOffset);
    return quint8(frames < 0 ? -frames : frames + 16);
}

std::optional<int> decodeFrameOffset(quint8 code)
{
    if (code >= 1 && code <= 15)
        return -int(code);
    if (code >= 16 && code <= 31)
        return int(code) - 16;
    return std::nullopt;
}

quint8 frameOffsetSignByte(quint8 code)
{
    return code < 16 ? kOffsetNegative : kOffsetPositive;
}

QByteArray buildTimeOffsetMessage(int frames)
{
    const quint8 code = encodeFrameOffset(frames);
    QByteArray m;
    m.append(char(frameOffsetSignByte(code)));
    m.append(char(0));
    m.append(char(0));
    m.append(char(code));
    return SysEx::universalRealTime(kOffsetAckSubId, m);
}

bool isTimeOffsetFrame(const QByteArray &message)
{
    return message.size() == kTimeOffsetMessageSize && startsWith(message, kOffsetAckSubId)
        && quint8(message[8]) == kEnd;
}

} // namespace NetworkMessages
