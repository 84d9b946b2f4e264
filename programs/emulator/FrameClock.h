// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameRate.h"

#include <QtGlobal>

// Time-code labels and frame numbers of the emulated unit's generator.
//
// Conventions: a label is hours, minutes, seconds, frames of one day
// (00:00:00:00 to 23:59:59:ff). A frame number counts frames from 00:00:00:00;
// it wraps at one day. A rate is the panel's FrameRate value, which says what a
// rate is; how a rate travels on the wire the unit's messages say themselves.
//
// Drop frame is SMPTE counting: labels ;00 and ;01 do not exist at the start of
// every minute except minutes 0, 10, 20, 30, 40 and 50. Such a label (which the
// panel can still send) is read as the next existing one, ;02.
namespace FrameClock {

struct Label
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;

    bool operator==(const Label &other) const
    {
        return hours == other.hours && minutes == other.minutes && seconds == other.seconds
            && frames == other.frames;
    }
    bool operator!=(const Label &other) const { return !(*this == other); }
};

qint64 framesPerDay(FrameRate rate);
// Time from the first to the count-th quarter frame of a running stream, in
// nanoseconds (four quarter frames per frame; drop frame runs at 30000/1001
// frames per second). Computed from the count, so no rounding accumulates.
qint64 quarterFrameOffsetNs(qint64 count, FrameRate rate);

// Fields out of range are clamped into the day first (hours mod 24, minutes and
// seconds to 0..59, frames to 0..fps-1), as the unit does with a stray locate.
qint64 frameNumber(const Label &label, FrameRate rate);
// `frame` may be negative or beyond one day: it is wrapped.
Label labelForFrame(qint64 frame, FrameRate rate);

// "01:02:03:04", or "01:02:03;04" at drop frame.
QString text(const Label &label, FrameRate rate);

} // namespace FrameClock
