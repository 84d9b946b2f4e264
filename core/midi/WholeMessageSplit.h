// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

class MidiInputSink;

// Hands one whole received message to an input port the way the MIDI system
// would, for drivers (RtMidi) that gather a System Exclusive message before
// they pass it on: a message that starts with F0 goes in receive-buffer sized
// pieces (MidiDriver::kSysExBufferSize), anything else as one short message of
// its first three bytes, missing ones zero. An empty message is dropped.
void passWholeMessage(const unsigned char *bytes, size_t size, MidiInputSink &sink);
