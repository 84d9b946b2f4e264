// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameRate.h"

#include <QList>

// Frame arithmetic of the generator transport: distances between time-code
// labels, slider positions and labels.
//
// Conventions
// - A label is hours, minutes, seconds, frames as four integers, with no rate
//   attached. Hours are not wrapped at 24; fields are not range-checked, a
//   blank field arrives as -1 and is used as it is.
// - Positions count frames from the Start label: position 0 is Start itself.
//   Distances can be negative (a readout before Start).
// - Non-drop rates (24, 25, 30): a label's frame number is
//   F * (3600 h + 60 m + s) + f, and a position v from Start S is the label of
//   number(S) + v, split with integer division by 3600 F, 60 F and F.
// - 30 drop frame (29.97, FrameRate::Fps30Drop): labels follow SMPTE
//   drop-frame counting. Frame labels ;00 and ;01 do not exist at second 00 of
//   every minute except minutes 0, 10, 20, 30, 40 and 50, so one ten-minute
//   block holds 17982 frames and an hour 107892. A skipped label such as
//   00:01:00;00 counts as the first real frame of its minute (00:01:00;02),
//   which keeps the count monotonic for labels typed by hand. Distances,
//   slider positions, progress and the end check all use these frame numbers.
// - One day is 24:00:00:00; only advanceWithinDay() wraps at it.
namespace FrameArithmetic {

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

constexpr int kDropFramesPerMinute = 30 * 60 - 2;          // 1798
constexpr int kDropFramesPerTenMinutes = 10 * 1800 - 9 * 2; // 17982
constexpr int kDropFramesPerHour = 6 * kDropFramesPerTenMinutes; // 107892

// The four parts of a time field or readout, or nothing when there are not
// exactly four.
bool labelFromParts(const QList<int> &parts, Label &label);

// Frame number of a label, counted from 00:00:00:00.
long long frameNumber(const Label &label, FrameRate rate);
// The label of a frame number; the inverse of frameNumber for every label that
// exists at the rate (frame numbers below 0 are not meaningful).
Label labelForFrame(long long number, FrameRate rate);

// Frames from 00:00:00:00 to 24:00:00:00.
long long framesPerDay(FrameRate rate);
// Whether a running unit can send the label at the rate: every field within
// one day and the rate, and at drop frame not one of the skipped labels.
bool existsAtRate(const Label &label, FrameRate rate);
// The label with a frame the rate does not have moved to one it has: past the
// last frame of its second to that last frame, a skipped drop-frame label to
// the first real frame of its minute. Blank (negative) fields stay as they are.
Label withinRate(const Label &label, FrameRate rate);
// The label `frames` frames after an existing label, wrapped into the day
// (23:59:59:29 + 2 is 00:00:00:01 at 30).
Label advanceWithinDay(const Label &label, long long frames, FrameRate rate);

// Frames from a to b.
long long distance(const Label &a, const Label &b, FrameRate rate);
// The label `position` frames after start.
Label labelAtPosition(const Label &start, long long position, FrameRate rate);

} // namespace FrameArithmetic
