// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A unit's generator by its own clock, for tests of the decoder and the
// panel: quarter frame q of a run leaves as the unit stands q/4 frames from
// where it started, forward or in reverse. Forward each label's pieces go
// 0 to 7, in reverse 7 to 0; piece k of the label of frame L always leaves at
// L + k/4. A generator that latches one time per label fills every piece
// from L; one that fills each piece from its live counter takes pieces 0-3
// from frame L and pieces 4-7 from L + 1, so that a label whose frame ends a
// minute carries the next minute.

#include "timecode/FrameArithmetic.h"

#include <QByteArray>

namespace PanelTest {

struct ModelGenerator
{
    FrameRate rate = FrameRate::Fps25;
    // Frame number (FrameArithmetic counting) of the first label.
    long long firstFrame = 0;
    bool reverse = false;
    bool liveCounter = false;

    // The rate bits of piece 7 and the full frame, written out here rather
    // than taken from FrameRate, whose encoding the tests check.
    int rateCode() const
    {
        switch (rate.value()) {
        case FrameRate::Fps24: return 0;
        case FrameRate::Fps25: return 1;
        case FrameRate::Fps30Drop: return 2;
        case FrameRate::Fps30: return 3;
        }
        return 0;
    }

    FrameArithmetic::Label labelOf(long long frame) const
    {
        const long long day = FrameArithmetic::framesPerDay(rate);
        return FrameArithmetic::labelForFrame(((frame % day) + day) % day, rate);
    }
    // Frame number of the label quarter frame q belongs to, and its piece.
    long long labelFrame(long long q) const { return firstFrame + (reverse ? -2 : 2) * (q / 8); }
    int piece(long long q) const { return reverse ? 7 - int(q % 8) : int(q % 8); }
    // Where the unit stands as quarter frame q leaves, in quarter frames.
    long long quarterPosition(long long q) const { return 4 * labelFrame(q) + piece(q); }

    // The data byte of quarter frame q.
    quint8 dataByte(long long q) const
    {
        const int k = piece(q);
        const FrameArithmetic::Label l = labelOf(labelFrame(q) + (liveCounter ? k / 4 : 0));
        const int nibbles[8] = {l.frames & 0x0F, l.frames >> 4, l.seconds & 0x0F, l.seconds >> 4,
                                l.minutes & 0x0F, l.minutes >> 4, l.hours & 0x0F,
                                ((l.hours >> 4) & 0x01) | (rateCode() << 1)};
        return quint8((k << 4) | nibbles[k]);
    }
    // As the input port delivers it: F1 dd 00.
    QByteArray message(long long q) const
    {
        QByteArray m(3, '\0');
        m[0] = char(0xF1);
        m[1] = char(dataByte(q));
        return m;
    }
};

} // namespace PanelTest
