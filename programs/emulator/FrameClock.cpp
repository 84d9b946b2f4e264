// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/FrameClock.h"

#include <QString>

#include <algorithm>

namespace FrameClock {

namespace {
constexpr qint64 kDropFramesPerMinute = 60 * 30 - 2;
constexpr qint64 kDropFramesPerTenMinutes = 10 * 60 * 30 - 9 * 2;
} // namespace

qint64 framesPerDay(FrameRate rate)
{
    if (rate.isDropFrame())
        return 24 * 6 * kDropFramesPerTenMinutes;
    return qint64(rate.framesPerSecond()) * 86400;
}

qint64 quarterFrameOffsetNs(qint64 count, FrameRate rate)
{
    if (rate.isDropFrame())
        return count * 1001000000LL / 120;
    return count * 1000000000LL / (4 * rate.framesPerSecond());
}

qint64 frameNumber(const Label &label, FrameRate rate)
{
    const int fps = rate.framesPerSecond();
    const int hours = ((label.hours % 24) + 24) % 24;
    const int minutes = std::clamp(label.minutes, 0, 59);
    const int seconds = std::clamp(label.seconds, 0, 59);
    int frames = std::clamp(label.frames, 0, fps - 1);
    if (!rate.isDropFrame())
        return ((qint64(hours) * 60 + minutes) * 60 + seconds) * fps + frames;

    if (seconds == 0 && frames < 2 && minutes % 10 != 0)
        frames = 2;
    const qint64 totalMinutes = qint64(hours) * 60 + minutes;
    return (totalMinutes * 60 + seconds) * 30 + frames - 2 * (totalMinutes - totalMinutes / 10);
}

Label labelForFrame(qint64 frame, FrameRate rate)
{
    const qint64 day = framesPerDay(rate);
    qint64 n = ((frame % day) + day) % day;
    const int fps = rate.framesPerSecond();
    if (rate.isDropFrame()) {
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

QString text(const Label &label, FrameRate rate)
{
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(label.hours, 2, 10, QLatin1Char('0'))
        .arg(label.minutes, 2, 10, QLatin1Char('0'))
        .arg(label.seconds, 2, 10, QLatin1Char('0'))
        .arg(rate.isDropFrame() ? QLatin1Char(';') : QLatin1Char(':'))
        .arg(label.frames, 2, 10, QLatin1Char('0'));
}

} // namespace FrameClock
