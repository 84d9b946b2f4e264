// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// Builders and parsers for the unit's network-setting System Exclusive
// messages (universal real-time, see protocol/SysEx.h). No widgets: the windows call these and only move values in and
// out of their fields.
//
// Numbers inside these messages travel as one decimal digit (0 to 9) per
// byte, most significant first, zero-padded: an IP octet as three digits, a
// port as five.
namespace NetworkMessages {

constexpr quint8 kIpCommand = 0x0E;
constexpr quint8 kOscCommand = 0x0F;
constexpr quint8 kPortCommand = 0x10;

// Digits of value in exactly width bytes. A value with more digits keeps its
// lowest width digits, as a fixed-width field on the unit would.
QByteArray decimalDigits(quint32 value, int width);
// The number held by count digit bytes starting at from; nothing when a byte
// is above 9 or the range does not fit.
std::optional<quint32> digitsValue(const QByteArray &bytes, int from, int count);

// ---- IP configuration: F0 7F 7F 5E 0E kind d1..d12 F7 (19 bytes) ----

enum IpKind : quint8 {
    IpRead = 0x00,
    IpGateway = 0x10,
    IpSubnet = 0x20,
    IpAddress = 0x40,
    IpMode = 0x70,
};
constexpr int kIpMessageSize = 19;
// In a mode feedback, byte 17 carries the mode.
constexpr int kIpModeByte = 17;
constexpr quint8 kIpModeDhcp = 0x00;
constexpr quint8 kIpModeManual = 0x01;

// The four octets of the first dotted four-group address found anywhere in
// text (groups of one to three digits, so values up to 999 pass); empty when
// there is none.
QList<int> splitIpOctets(const QString &text);
// True when all four octets are 0 to 255.
bool octetsInRange(const QList<int> &octets);

// The message for a kind word: "DHCP" selects DHCP (kind 70, zero digits);
// "IP", "Subnet" and "Network" carry the address in value as kinds 40, 20
// and 10; every other word is the read request (kind 00, zero digits).
// Nothing when an address kind's value holds no dotted four-group address.
std::optional<QByteArray> buildIpConfigMessage(const QString &value, const QString &kindWord);

struct IpFeedback
{
    quint8 kind = 0;
    // The dotted address for kinds 40, 20 and 10, leading zeros dropped.
    QString address;
    // Byte 17, the mode for kind 70.
    quint8 mode = 0;
};
// Accepts any message of at least 19 bytes that starts F0 7F 7F 5E. The
// address is only decoded for the address kinds, whose twelve bytes must
// then all be digits; nothing is returned otherwise.
std::optional<IpFeedback> parseIpFeedback(const QByteArray &message);

// Whole-text check of a dotted address with every octet 0 to 255.
bool isValidIpAddress(const QString &text);
// A valid address whose bits are ones followed only by zeros (255.255.255.0,
// 255.255.240.0, 0.0.0.0); 255.0.255.0 is none.
bool isContiguousMask(const QString &text);
// True when ip and gateway agree on every bit the mask keeps. All three must
// have four parts at ".".
bool isSameSubnet(const QString &ip, const QString &gateway, const QString &mask);

// A port number as the user typed it (blanks around it allowed): 1 to 65535.
// Port 0 is no port a unit can send to or listen on.
std::optional<quint16> parsePort(const QString &text);

// ---- OSC configuration: F0 7F 7F 5E 0F target first payload[16] F7 (24 bytes) ----

enum OscTarget : quint8 {
    OscReadRequest = 0,
    // 1 to 4 are Device1 to Device4.
    OscForward = 5,
    OscLocalPort = 6,
};
constexpr int kOscMessageSize = 24;
constexpr int kOscPayloadSize = 16;
// Payload index of the five port digits.
constexpr int kOscPortDigits = 11;

// The payload is padded with zero bytes or cut to 16 bytes.
QByteArray buildOscConfigMessage(quint8 target, quint8 first, const QByteArray &payload);
QByteArray oscReadRequest();
QByteArray oscLocalPortMessage(quint16 port);
QByteArray oscForwardMessage(bool on);
// device is 1 to 4; octets 0 to 255 each.
QByteArray oscDeviceMessage(int device, const std::array<int, 4> &octets, quint16 port);

struct OscFeedback
{
    int target = 0;
    // Targets 1 to 4: the decoded address, empty when an octet is above 255.
    QString address;
    // Targets 1 to 4 and 6.
    quint32 port = 0;
    // Target 5.
    bool forward = false;
};
// Only exactly 24 bytes F0 7F 7F 5E 0F ... F7 with target 1 to 6; nothing
// when the target is another, or when a port digit or (targets 1 to 4) an
// address digit is above 9.
std::optional<OscFeedback> parseOscFeedback(const QByteArray &message);

// ---- Acknowledgement: F0 7F 7F 12 code F7 (6 bytes, from the unit) ----

constexpr int kAckMessageSize = 6;
constexpr int kAckFailed = 0;
constexpr int kAckHighestCode = 9;

// The unit sends it for OSC, IP and port settings alike; it goes to the OSC
// window only, and the handlers after it in the dispatch never see it.
bool isAckMessage(const QByteArray &message);
// 0 for failure, 1 to 9 for success (the code), -1 for anything else.
int parseAck(const QByteArray &message);
// The unit's own name for what a code acknowledges; empty for unknown codes.
QString ackLogText(int code);

// ---- UDP/TCP ports: F0 7F 7F 5E 10 kind d1..d5 F7 (12 bytes) ----

enum PortKind : quint8 {
    UdpPort = 0x00,
    TcpPort = 0x01,
};
constexpr int kPortMessageSize = 12;

QByteArray buildPortMessage(quint8 kind, quint32 port);

struct PortFeedback
{
    quint8 kind = 0;
    quint32 port = 0;
};
// At least 12 bytes F0 7F 7F 5E 10 ... ending F7, kind 00 or 01, five digit
// bytes; nothing otherwise.
std::optional<PortFeedback> parsePortFeedback(const QByteArray &message);

// ---- Time offset: F0 7F 7F 12 sign 00 00 code F7 (9 bytes) ----

constexpr int kTimeOffsetMessageSize = 9;
constexpr int kMinFrameOffset = -15;
constexpr int kMaxFrameOffset = 15;
constexpr quint8 kOffsetNegative = 0x00;
constexpr quint8 kOffsetPositive = 0x40;

// An offset of -15..-1 frames is the code 15..1 and 0..15 frames is 16..31.
// Offsets outside -15..15 are clamped first.
quint8 encodeFrameOffset(int frames);
// Codes 1..31 only.
std::optional<int> decodeFrameOffset(quint8 code);
// The sign byte is 00 for codes below 16 and 40 from 16 on.
quint8 frameOffsetSignByte(quint8 code);
QByteArray buildTimeOffsetMessage(int frames);
// Exactly 9 bytes F0 7F 7F 12 .. .. .. .. F7; the sign byte and the two zero
// bytes are not read, the code is checked by decodeFrameOffset.
bool isTimeOffsetFrame(const QByteArray &message);

} // namespace NetworkMessages
