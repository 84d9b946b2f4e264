// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The frame rate of a unit's time code, and every way it travels.
//
// Conventions
// - Four rates: 24, 25, 30 drop frame (29.97, SMPTE drop-frame labels) and
//   30. Drop frame counts 30 labels a second; framesPerSecond() is 30 for it
//   too, and isDropFrame() tells the two 30s apart.
// - The rate code is 0 24, 1 25, 2 30 drop, 3 30. It is the same two bits
//   wherever a rate is on the wire:
//     Locate and full-frame hour byte   0rrhhhhh   (bits 5-6)
//     quarter-frame piece 7 data byte   0111 0rrh  (bits 1-2; h is hour bit 4)
//   The unit reports its rate as 11 + code (11-14), on the same signal as the
//   source numbers 1-6.
// - Names, for command lines and output: "24", "25", "30drop", "30"; read in
//   any letter case. description() is the trace's wording ("25 fps").
// - Every from...() gives nothing for a value that names no rate, so a caller
//   never invents one.
class FrameRate
{
public:
    enum Value : quint8 { Fps24 = 0, Fps25 = 1, Fps30Drop = 2, Fps30 = 3 };

    // Implicit, so that FrameRate::Fps25 reads as a rate wherever one is
    // taken; 24, the rate a unit and the panel start at, by default.
    constexpr FrameRate(Value value = Fps24)
        : m_value(value)
    {
    }

    // In code order.
    static constexpr std::array<Value, 4> all() { return {Fps24, Fps25, Fps30Drop, Fps30}; }

    constexpr Value value() const { return m_value; }
    constexpr int framesPerSecond() const { return m_value == Fps24 ? 24 : m_value == Fps25 ? 25 : 30; }
    constexpr bool isDropFrame() const { return m_value == Fps30Drop; }

    // The Machine Control rate code, 0-3.
    constexpr quint8 code() const { return quint8(m_value); }
    static std::optional<FrameRate> fromCode(int code);

    // The rate's bits in a Locate's or a full frame's hour byte; the hours go
    // in bits 0-4.
    constexpr quint8 hourByteBits() const { return quint8(code() << kHourByteShift); }
    // Nothing when bit 7 is set: that is no data byte.
    static std::optional<FrameRate> fromHourByte(quint8 hourByte);

    // The rate's bits in the data byte of quarter-frame piece 7, without the
    // piece number and the hour's bit 4.
    constexpr quint8 pieceSevenBits() const { return quint8(code() << kPieceSevenShift); }
    // Nothing unless the byte is 0111 0rrh.
    static std::optional<FrameRate> fromPieceSeven(quint8 data);

    // The unit's rate report, 11-14.
    constexpr int report() const { return kFirstReport + code(); }
    static std::optional<FrameRate> fromReport(int report);

    QString name() const;
    static std::optional<FrameRate> fromName(const QString &name);
    QString description() const;

    constexpr bool operator==(const FrameRate &other) const { return m_value == other.m_value; }
    constexpr bool operator!=(const FrameRate &other) const { return m_value != other.m_value; }

private:
    static constexpr int kHourByteShift = 5;
    static constexpr int kPieceSevenShift = 1;
    static constexpr int kFirstReport = 11;

    Value m_value;
};

Q_DECLARE_METATYPE(FrameRate)
