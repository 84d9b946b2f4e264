// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// A Machine Control Locate as the unit expects it, written out byte by byte
// rather than through the panel's builder, so tests of either side check it
// against the message format itself: F0 7F 7F 06 44 06 01, the hour byte
// carrying the rate code in bits 5 and 6 (0 for 24 fps, 1 for 25, 2 for 30
// drop frame, 3 for 30), minutes, seconds, frames, a zero subframe and F7.
inline QByteArray locateMessage(int rateCode, int hours, int minutes, int seconds, int frames)
{
    const char bytes[] = {char(0xF0), 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, char((rateCode << 5) | hours),
                          char(minutes), char(seconds), char(frames), 0x00, char(0xF7)};
    return QByteArray(bytes, sizeof bytes);
}
