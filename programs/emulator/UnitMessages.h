// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/FrameClock.h"

#include <QByteArray>
#include <QString>

#include <array>

// The unit's side of the MIDI protocol: reading what the panel sends and
// building what the unit answers. Plain functions, so tests call them directly.
//
// All messages are System Exclusive; numbers in network settings travel as one
// decimal digit per byte, most significant first (an octet as three digits, a
// port as five).
namespace UnitMessages {

enum class Model : quint8 { Tqr10 = 0x01, Tqr20 = 0x02, Tqr30 = 0x03, Tqr30Pro = 0x04 };

// "TQR-10", "TQR-20", "TQR-30", "TQR-30 Pro".
QString modelName(Model model);
// Accepts the names above in any letter case, with or without the dash or
// blank ("tqr30pro"); false when the text names no model.
bool modelFromName(const QString &name, Model *model);
bool hasNetwork(Model model); // the TQR-30 series
bool hasOsc(Model model);     // the TQR-30 Pro
bool hasGenerator(Model model);

constexpr quint8 kSysExStart = 0xF0;
constexpr quint8 kSysExEnd = 0xF7;
constexpr quint8 kQuarterFrame = 0xF1;

// Source numbers.
enum Source : quint8 { SourceUsb = 1, SourceMidi = 2, SourceLtc = 3, SourceGenerator = 4, SourceRtpMidi = 5, SourceArtNet = 6 };

// Kinds of the IP configuration message (byte 5).
enum IpKind : quint8 { IpRead = 0x00, IpGateway = 0x10, IpSubnet = 0x20, IpAddress = 0x40, IpMode = 0x70 };

// Targets of the OSC configuration message (byte 5).
enum OscTarget : quint8 { OscRead = 0, OscDevice1 = 1, OscDevice4 = 4, OscForward = 5, OscLocalPort = 6 };

// Kinds of the UDP/TCP port message (byte 5).
enum PortKind : quint8 { PortUdp = 0, PortTcp = 1 };

// Acknowledgement codes: 0 failed, the others name what was set.
enum AckCode : quint8 {
    AckFailed = 0,
    AckIpMode = 1,
    AckOscLocalPort = 2,
    AckOscForward = 3,
    AckOscDevice1 = 4, // Device n is 3 + n
    AckUdpPort = 8,
    AckTcpPort = 9,
};

using Octets = std::array<int, 4>;

struct Request
{
    enum Kind {
        Unknown,      // not addressed to the unit, or malformed
        Identify,
        Stop,
        Play,
        Locate,       // label, rate
        SelectSource, // number (not range-checked)
        IpReadRequest,
        IpSetDhcp,
        IpSetAddress, // ipKind, octets
        OscReadRequest,
        OscSetDevice, // target 1..4, octets, port
        OscSetForward, // forward
        OscSetLocalPort, // port
        PortSet,      // portKind, port
        OffsetSet,    // offsetFrames
    };
    Kind kind = Unknown;
    // False when the digits are well formed but the value cannot be taken
    // (an octet above 255, a port above 65535): the unit answers failure.
    bool inRange = true;
    FrameClock::Label label;
    FrameRate rate;
    int number = 0;
    quint8 ipKind = 0;
    Octets octets {};
    int target = 0;
    bool forward = false;
    int port = 0;
    quint8 portKind = 0;
    int offsetFrames = 0;
};

Request parseRequest(const QByteArray &message);

// F0 00 21 5E 01 01 06 hh F7.
QByteArray deviceTypeReply(Model model);
// F0 7F 7F 10 ss F7.
QByteArray sourceReport(int source);
// F0 7F 7F 01 01 hr mn sc fr F7, the rate in bits 5-6 of hr.
QByteArray fullFrame(const FrameClock::Label &label, FrameRate rate);
// F1 dd for piece 0..7 of `label`; piece 7 carries the rate in bits 1-2 and
// the hour's bit 4 in bit 0.
QByteArray quarterFrame(int piece, const FrameClock::Label &label, FrameRate rate);
// F0 7F 7F 12 code F7.
QByteArray ack(quint8 code);
// 19 bytes: kind 40/20/10 with the address's twelve digits.
QByteArray ipAddressFeedback(quint8 kind, const Octets &octets);
// 19 bytes: kind 70, byte 17 = 1 for manual addressing, 0 for DHCP.
QByteArray ipModeFeedback(bool manual);
// 24 bytes each.
QByteArray oscDeviceFeedback(int target, const Octets &octets, int port);
QByteArray oscForwardFeedback(bool on);
QByteArray oscLocalPortFeedback(int port);
// 12 bytes.
QByteArray portFeedback(quint8 kind, int port);
// 9 bytes; frames -15..15.
QByteArray offsetFeedback(int frames);

// The same message with its last data byte removed (a unit's garbled reply).
QByteArray truncated(const QByteArray &message);

} // namespace UnitMessages
