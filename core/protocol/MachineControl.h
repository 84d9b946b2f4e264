// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameRate.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// MIDI Machine Control messages that drive a unit's generator, and the reading
// of the panel's masked time fields.
//
// All messages are universal real-time System Exclusive, F0 7F 7F 06 ... F7,
// addressed to every device (7F):
//   Stop    F0 7F 7F 06 01 F7
//   Play    F0 7F 7F 06 02 F7
//   Locate  F0 7F 7F 06 44 06 01 hr mn sc fr 00 F7
// In Locate, hr carries the frame rate in bits 5-6 (FrameRate::hourByteBits)
// and the hours in bits 0-4; the last 00 is the sub-frame. There is no pause message: pausing
// sends Stop.
namespace MachineControl {

constexpr quint8 kStop = 0x01;
constexpr quint8 kPlay = 0x02;
constexpr quint8 kLocate = 0x44;
constexpr quint8 kLocateTarget = 0x01;

// F0 7F 7F 06, the command, then (when there are parameters) their count and
// the parameters, then F7. Bytes are written as given; callers keep them in
// 0..127.
QByteArray buildCommand(quint8 command, const QByteArray &parameters = QByteArray());

QByteArray stop();
QByteArray play();

// The locate message, or nothing when a part is outside 0..127: such a byte
// (a blank field reads as -1, which would become FF) would sit inside the
// SysEx as a status byte, and FF is System Reset to the receiver. The hour
// byte keeps only the low five bits of `hours`.
std::optional<QByteArray> locate(int hours, int minutes, int seconds, int frames, FrameRate rate);

// Splits "01 : 02 : 03 : 04" at " : ", removes every blank from each part and
// reads it as a decimal number; a part that is not a number gives -1. A field
// under the mask "99 : 99 : 99 : 99" always gives four parts. No range checks.
QList<int> readTimeField(const QString &text);

} // namespace MachineControl
