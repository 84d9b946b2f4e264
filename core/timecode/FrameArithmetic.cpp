// SPDX-License-Identifier: GPL-3.0-or-later
#include "timecode/FrameArithmetic.h"

namespace FrameArithmetic {

namespace {
// Floor division, so that a negative count (a label before 00:00:00:00 made
// of -1 fields) still lands on the lower block.
long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}
} // namespace

bool labelFromParts(const QList<int> &parts, Label &label)
{
    if (parts.size() != 4)
        return false;
    label = Label{parts[0], parts[1], parts[2], parts[3]};
    return true;
}

long long frameNumber(const Label &label, FrameRate rate)
{
    const long long seconds = 3600LL * label.hours + 60LL * label.minutes + label.seconds;
    if (!rate.isDropFrame())
        return seconds * rate.framesPerSecond() + label.frames;
    // A skipped label reads as the first real frame of its minute.
    const bool skipped = label.seconds == 0 && label.frames < 2 && label.minutes % 10 != 0;
    const long long nominal = seconds * rate.framesPerSecond() + (skipped ? 2 : label.frames);
    // Two labels are skipped in every minute that is not a multiple of ten.
    const long long totalMinutes = 60LL * label.hours + label.minutes;
    return nominal - 2 * (totalMinutes - floorDiv(totalMinutes, 10));
}

Label labelForFrame(long long number, FrameRate rate)
{
    const long long fps = rate.framesPerSecond();
    long long nominal = number;
    if (rate.isDropFrame()) {
        const long long blocks = floorDiv(number, kDropFramesPerTenMinutes);
        const long long rest = number - blocks * kDropFramesPerTenMinutes;
        // The first minute of a block keeps all 1800 labels; each later one
        // starts at ;02, which puts back the two skipped labels per minute.
        const long long laterMinutes = rest < 1800 ? 0 : (rest - 2) / kDropFramesPerMinute;
        nominal = number + 18 * blocks + 2 * laterMinutes;
    }
    const long long perHour = 3600 * fps;
    const long long perMinute = 60 * fps;
    Label label;
    // Plain (truncating) division as the non-drop conversion has always used.
    label.hours = int(nominal / perHour);
    long long r = nominal % perHour;
    label.minutes = int(r / perMinute);
    r %= perMinute;
    label.seconds = int(r / fps);
    label.frames = int(r % fps);
    return label;
}

long long framesPerDay(FrameRate rate)
{
    return rate.isDropFrame() ? 24LL * kDropFramesPerHour : 86400LL * rate.framesPerSecond();
}

bool existsAtRate(const Label &label, FrameRate rate)
{
    const int fps = rate.framesPerSecond();
    if (label.hours < 0 || label.hours > 23 || label.minutes < 0 || label.minutes > 59 || label.seconds < 0
        || label.seconds > 59 || label.frames < 0 || label.frames >= fps)
        return false;
    return !(rate.isDropFrame() && label.seconds == 0 && label.frames < 2 && label.minutes % 10 != 0);
}

Label withinRate(const Label &label, FrameRate rate)
{
    Label within = label;
    const int fps = rate.framesPerSecond();
    if (within.frames >= fps)
        within.frames = fps - 1;
    if (rate.isDropFrame() && within.seconds == 0 && within.frames >= 0 && within.frames < 2 && within.minutes >= 0
        && within.minutes % 10 != 0)
        within.frames = 2;
    return within;
}

Label advanceWithinDay(const Label &label, long long frames, FrameRate rate)
{
    const long long day = framesPerDay(rate);
    const long long n = frameNumber(label, rate) + frames;
    return labelForFrame(((n % day) + day) % day, rate);
}

long long distance(const Label &a, const Label &b, FrameRate rate)
{
    if (!rate.isDropFrame()) {
        // F * (((hB - hA) * 60 + mB - mA) * 60 + sB - sA) + fB - fA
        return rate.framesPerSecond()
                * ((((long long)b.hours - a.hours) * 60 + b.minutes - a.minutes) * 60 + b.seconds - a.seconds)
            + b.frames - a.frames;
    }
    return frameNumber(b, rate) - frameNumber(a, rate);
}

Label labelAtPosition(const Label &start, long long position, FrameRate rate)
{
    return labelForFrame(frameNumber(start, rate) + position, rate);
}

} // namespace FrameArithmetic
