// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitWords.h"

namespace UnitWords {

QStringList sourceWords()
{
    return {QStringLiteral("usb"),       QStringLiteral("midi"),     QStringLiteral("ltc"),
            QStringLiteral("generator"), QStringLiteral("rtp-midi"), QStringLiteral("art-net")};
}

std::optional<int> sourceNumber(const QString &word)
{
    const int index = sourceWords().indexOf(word.toLower());
    if (index < 0)
        return std::nullopt;
    return index + 1;
}

QString sourceWord(int number)
{
    return number >= 1 && number <= 6 ? sourceWords().at(number - 1) : QStringLiteral("unknown");
}

QString rateWord(std::optional<FrameRate> rate)
{
    return rate ? rate->name() : QStringLiteral("unknown");
}

} // namespace UnitWords
