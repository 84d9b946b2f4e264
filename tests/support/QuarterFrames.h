// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bytes of MIDI time code as a unit sends them, for tests of the decoder and
// the panel.

#include "support/Hex.h"

#include <QByteArray>
#include <QList>

namespace PanelTest {

using ::hex;

// The eight quarter-frame messages (F1 dd, padded to three bytes as the input
// port delivers them) of one time at a locate rate code 0-3.
inline QList<QByteArray> quarterFrames(int h, int m, int s, int f, int rateCode)
{
    const int nibbles[8] = {f & 0x0F, f >> 4, s & 0x0F, s >> 4, m & 0x0F, m >> 4, h & 0x0F,
                            ((h >> 4) & 0x01) | (rateCode << 1)};
    QList<QByteArray> out;
    for (int piece = 0; piece < 8; ++piece) {
        QByteArray message(3, '\0');
        message[0] = char(0xF1);
        message[1] = char((piece << 4) | nibbles[piece]);
        out << message;
    }
    return out;
}

} // namespace PanelTest
