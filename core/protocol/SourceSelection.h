// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The message that tells the unit which time-code source to follow:
//   F0 7F 7F 10 ss F7
// with ss the source number (1 USB, 2 MIDI, 3 LTC, 4 Generator, 5 RTP-MIDI,
// 6 Art-Net). The unit reports its source in the same form.
namespace SourceSelection {

// Only the low seven bits of sourceNumber are sent, so the byte never reads
// as a status byte inside the message.
QByteArray sourceMessage(int sourceNumber);

} // namespace SourceSelection
