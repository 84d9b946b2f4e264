// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Bytes written as hex digits, blanks allowed: hex("F0 7F 7F 06 02 F7").
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
