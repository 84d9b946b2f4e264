// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/FrameClock.h"

#include <QString>

#include <algorithm>

namespace FrameClock {

namespace {
constexpr qint64 kDropFramesPerMinute = 60 * 30 - 2;
constexpr qint64 kDropFramesPerTenMinutes = 10 * 60 * 30 - 9 * 2;
} // namespace

int framesPerSecond(Rate rate)
{
    switch (rate) {
    case Rate24: return 24;
    case Rate25: return 25;
    case Rate30Drop:
    case Rate30: return 30;
    }
    return 24;
}

qint64 framesPerDay(Rate rate)
{
    if (rate == Rate30Drop)
        return 24 * 6 * kDropFramesPerTenMinutes;
    return qint64(framesPerSecond(rate)) * 86400;
}

qint64 quarterFrameOffsetNs(qint64 count, Rate rate)
{
    if (rate == Rate30Drop)
        return count * 1001000000LL / 120;
    return count * 1000000000LL / (4 * framesPerSecond(rate));
}

qint64 frameNumber(const Label &label, Rate rate)
{
    const int fps = framesPerSecond(rate);
    const int hours = ((label.hours % 24) + 24) % 24;
    const int minutes = std::clamp(label.minutes, 0, 59);
    const int seconds = std::clamp(label.seconds, 0, 59);
    int frames = std::clamp(label.frames, 0, fps - 1);
    if (rate != Rate30Drop)
        return ((qint64(hours) * 60 + minutes) * 60 + seconds) * fps + frames;

    if (seconds == 0 && frames < 2 && minutes % 10 != 0)
        frames = 2;
    const qint64 totalMinutes = qint64(hours) * 60 + minutes;
    return (totalMinutes * 60 + seconds) * 30 + frames - 2 * (totalMinutes - totalMinutes / 10);
}

Label labelForFrame(qint64 frame, Rate rate)
{
    const qint64 day = framesPerDay(rate);
    qint64 n = ((frame % day) + day) % day;
    const int fps = framesPerSecond(rate);
    if (rate == Rate30Drop) {
        // Put the dropped labels back in, then count as plain 30 fps.
        const qint64 tens = n / kDropFramesPerTenMinutes;
        const qint64 rest = n % kDropFramesPerTenMinutes;
        n += 18 * tens;
        if (rest >= 2)
            n += 2 * ((rest - 2) / kDropFramesPerMinute);
    }
    Label label;
    label.frames = int(n % fps);
    n /= fps;
    label.seconds = int(n % 60);
    n /= 60;
    label.minutes = int(n % 60);
    label.hours = int(n / 60);
    return label;
}

QString text(const Label &label, Rate rate)
{
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(label.hours, 2, 10, QLatin1Char('0'))
        .arg(label.minutes, 2, 10, QLatin1Char('0'))
        .arg(label.seconds, 2, 10, QLatin1Char('0'))
        .arg(rate == Rate30Drop ? QLatin1Char(';') : QLatin1Char(':'))
        .arg(label.frames, 2, 10, QLatin1Char('0'));
}

} // namespace FrameClock
