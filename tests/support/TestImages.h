// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// A firmware image of size bytes whose bytes differ within each chunk and from
// one 256-byte block to the next, so a chunk sent twice, out of order or cut
// short shows in a comparison.
inline QByteArray makeImage(int size)
{
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 7 + i / 256) & 0xFF);
    return image;
}
