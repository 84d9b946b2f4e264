// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The System Exclusive envelope every unit message travels in, and the status
// bytes the receiving side sorts them by.
//
// Conventions
// - A universal real-time message addressed to every device is
//     F0 7F 7F sub-id body F7
//   and all panel requests and most unit reports take this form; the sub-id
//   names the family (time code, machine control, source, ...).
// - The unit's identification reply is the one message in the manufacturer
//   form F0 00 21 5E ... F7.
// - Helpers copy bytes as given: callers keep body bytes in 0..127, since a
//   byte with bit 7 set inside the envelope is a status byte to the receiver.
namespace SysEx {

constexpr quint8 kStart = 0xF0;
constexpr quint8 kEnd = 0xF7;
constexpr quint8 kUniversalRealTime = 0x7F;
constexpr quint8 kAllDevices = 0x7F;

// The three manufacturer-id bytes after F0 in the identification reply.
constexpr quint8 kManufacturerId[3] = {0x00, 0x21, 0x5E};

// Sub-ids of the universal real-time families the unit speaks.
constexpr quint8 kTimeCodeSubId = 0x01;       // F0 7F 7F 01 01 hr mn sc fr F7, the full frame
constexpr quint8 kFullFrame = 0x01;
constexpr quint8 kMachineControlSubId = 0x06; // F0 7F 7F 06 command ... F7
constexpr quint8 kSourceSubId = 0x10;         // F0 7F 7F 10 source F7
constexpr quint8 kIdentificationSubId = 0x11; // F0 7F 7F 11 01 F7, the request
constexpr quint8 kOffsetAckSubId = 0x12;      // time offset, and the six-byte acknowledgement
constexpr quint8 kNetworkSubId = 0x5E;        // F0 7F 7F 5E command ... F7, network settings

// Status bytes outside System Exclusive that share the input with it.
constexpr quint8 kQuarterFrame = 0xF1;
// F8 to FF are real-time messages, which may arrive in the middle of a SysEx.
constexpr quint8 kFirstRealTimeStatus = 0xF8;

// F0 7F 7F subId, the body, F7.
QByteArray universalRealTime(quint8 subId, const QByteArray &body = QByteArray());
// True when the message starts F0 7F 7F subId; its length and end are not checked.
bool isUniversalRealTime(const QByteArray &message, quint8 subId);
// True when the message starts F0 00 21 5E.
bool isManufacturerMessage(const QByteArray &message);

} // namespace SysEx
