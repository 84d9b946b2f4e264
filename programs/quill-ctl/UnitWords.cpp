// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitWords.h"

#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"

namespace UnitWords {

QStringList sourceWords()
{
    return {QStringLiteral("usb"),       QStringLiteral("midi"),     QStringLiteral("ltc"),
            QStringLiteral("generator"), QStringLiteral("rtp-midi"), QStringLiteral("art-net")};
}

QStringList rateWords()
{
    return {QStringLiteral("24"), QStringLiteral("25"), QStringLiteral("30drop"), QStringLiteral("30")};
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

std::optional<quint8> rateCode(const QString &word)
{
    const int index = rateWords().indexOf(word.toLower());
    if (index < 0)
        return std::nullopt;
    return quint8(index);
}

QString rateWordOfReport(int report)
{
    if (report < MidiTimecodeIn::Report24 || report > MidiTimecodeIn::Report30)
        return QStringLiteral("unknown");
    return rateWords().at(report - MidiTimecodeIn::Report24);
}

QString rateText(quint8 rateCode)
{
    switch (rateCode) {
    case MachineControl::Rate24: return QStringLiteral("24");
    case MachineControl::Rate25: return QStringLiteral("25");
    case MachineControl::Rate30Drop: return QStringLiteral("30Drop");
    default: return QStringLiteral("30");
    }
}

} // namespace UnitWords
