// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The words quill-ctl uses on its command line and in its output for the
// unit's sources and rates.
//
//   source  1 usb, 2 midi, 3 ltc, 4 generator, 5 rtp-midi, 6 art-net
//   rate    Machine Control rate code 0 "24", 1 "25", 2 "30drop", 3 "30";
//           the unit reports them as 11 to 14
namespace UnitWords {

QStringList sourceWords();
QStringList rateWords();
// The source number of a word, letter case ignored.
std::optional<int> sourceNumber(const QString &word);
// "unknown" for a number outside 1-6.
QString sourceWord(int number);
// The Machine Control rate code of a word, letter case ignored.
std::optional<quint8> rateCode(const QString &word);
// The word of a rate report (11-14); "unknown" for any other number.
QString rateWordOfReport(int report);
// The frame-rate button text FrameArithmetic reads ("24", "25", "30Drop", "30").
QString rateText(quint8 rateCode);

} // namespace UnitWords
