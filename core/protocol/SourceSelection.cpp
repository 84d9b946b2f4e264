// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SourceSelection.h"

#include "protocol/SysEx.h"

namespace SourceSelection {

QByteArray sourceMessage(int sourceNumber)
{
    return SysEx::universalRealTime(SysEx::kSourceSubId, QByteArray(1, char(sourceNumber & 0x7F)));
}

} // namespace SourceSelection
