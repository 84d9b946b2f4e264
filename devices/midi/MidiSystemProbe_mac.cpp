// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/MidiSystemProbe.h"

#include <QDebug>

// Neither ALSA nor JACK is linked on macOS; RtMidi opens the system's own
// MIDI service, so the probes find neither and JACK has no messages to route.
namespace MidiSystemProbe {

bool alsaSequencerAvailable()
{
    return false;
}

bool jackServerRunning()
{
    qDebug() << "JACK is not built in on macOS";
    return false;
}

void routeJackMessagesToTrace() {}

} // namespace MidiSystemProbe
