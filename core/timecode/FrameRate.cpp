// SPDX-License-Identifier: GPL-3.0-or-later
#include "timecode/FrameRate.h"

namespace {
constexpr quint8 kDataByteMask = 0x80;
// The fixed part of piece 7's byte 0111 0rrh: a data byte, piece number 7,
// and the nibble's bit 3, which no time sets.
constexpr quint8 kPieceSevenFixedMask = 0xF8;
constexpr quint8 kPieceSevenFixed = 0x70;
constexpr quint8 kRateBits = 0x03;
} // namespace

std::optional<FrameRate> FrameRate::fromCode(int code)
{
    if (code < 0 || code > int(kRateBits))
        return std::nullopt;
    return FrameRate(Value(code));
}

std::optional<FrameRate> FrameRate::fromHourByte(quint8 hourByte)
{
    if (hourByte & kDataByteMask)
        return std::nullopt;
    return FrameRate(Value((hourByte >> kHourByteShift) & kRateBits));
}

std::optional<FrameRate> FrameRate::fromPieceSeven(quint8 data)
{
    if ((data & kPieceSevenFixedMask) != kPieceSevenFixed)
        return std::nullopt;
    return FrameRate(Value((data >> kPieceSevenShift) & kRateBits));
}

std::optional<FrameRate> FrameRate::fromReport(int report)
{
    return fromCode(report - kFirstReport);
}

QString FrameRate::name() const
{
    switch (m_value) {
    case Fps24: return QStringLiteral("24");
    case Fps25: return QStringLiteral("25");
    case Fps30Drop: return QStringLiteral("30drop");
    case Fps30: return QStringLiteral("30");
    }
    return QString();
}

std::optional<FrameRate> FrameRate::fromName(const QString &name)
{
    for (const Value value : all()) {
        if (FrameRate(value).name().compare(name, Qt::CaseInsensitive) == 0)
            return FrameRate(value);
    }
    return std::nullopt;
}

QString FrameRate::description() const
{
    switch (m_value) {
    case Fps24: return QStringLiteral("24 fps");
    case Fps25: return QStringLiteral("25 fps");
    case Fps30Drop: return QStringLiteral("30 fps (drop frame)");
    case Fps30: return QStringLiteral("30 fps (non-drop frame)");
    }
    return QString();
}
