// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameRate.h"

#include <QString>
#include <QStringList>

#include <optional>

// The words quill-ctl uses on its command line and in its output for the
// unit's sources and rates.
//
//   source  1 usb, 2 midi, 3 ltc, 4 generator, 5 rtp-midi, 6 art-net
//   rate    the rate's name (FrameRate::name): "24", "25", "30drop", "30"
namespace UnitWords {

QStringList sourceWords();
// The source number of a word, letter case ignored.
std::optional<int> sourceNumber(const QString &word);
// "unknown" for a number outside 1-6.
QString sourceWord(int number);
// "unknown" for no rate.
QString rateWord(std::optional<FrameRate> rate);

} // namespace UnitWords
