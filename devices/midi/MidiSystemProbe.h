// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Asks whether a MIDI system can be used before RtMidi is let at it: RtMidi
// prints its raw error text on standard error when the ALSA sequencer cannot
// be opened, and libjack prints several lines each time it finds no server.
// Nothing here prints anything.
namespace MidiSystemProbe {

bool alsaSequencerAvailable();
bool jackServerRunning();
// From now on libjack's error and info lines go to the debug trace instead of
// standard error; a JACK client of RtMidi is noisy when the server goes away.
void routeJackMessagesToTrace();

} // namespace MidiSystemProbe
