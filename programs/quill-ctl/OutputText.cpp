// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputText.h"

QString OutputText::plain(const QString &text)
{
    QString shown = text;
    for (QChar &c : shown) {
        const ushort code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code < 0xA0))
            c = QLatin1Char('?');
    }
    return shown;
}
