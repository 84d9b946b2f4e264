// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/FrameClock.h"

#include <QString>

#include <functional>

class JackEmulatedUnit;
class MainWindow;

// The generator run to End against an emulated unit on JACK, measured where
// it matters: how far past End the unit stood, by its own clock, when the
// panel's Stop reached it.
namespace EndStopMeasure {

struct Case
{
    QString rateText; // the rate button's text: "24", "25", "30Drop", "30"
    FrameRate rate;
    QString start; // "hh : mm : ss : ff"
    QString end;
};

// Runs the event loop until `done` holds or `timeoutMs` passed; returns done().
// Never sleeps between events, so time code is handled as it arrives.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// Connects the window to the unit through its menu entry and waits for the
// unit to be identified with its generator as the source; false with the
// reason otherwise.
bool connectPanel(MainWindow &window, const JackEmulatedUnit &unit, QString *why);

// One run: the rate, Start and End set, Stop back to Start, Play, until the
// panel ends the run at End. Returns the frames (with their fraction) the
// unit stood past End when the Stop reached it, negative when it stopped
// early; NaN when the run did not end or no Stop reached the unit.
double framesPastEnd(MainWindow &window, const JackEmulatedUnit &unit, const Case &run);

} // namespace EndStopMeasure
