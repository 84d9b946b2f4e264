// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/WholeMessageSplit.h"

#include "midi/MidiDriver.h"
#include "protocol/SysEx.h"

#include <QByteArray>

#include <algorithm>

void passWholeMessage(const unsigned char *bytes, size_t size, MidiInputSink &sink)
{
    if (size == 0)
        return;
    if (bytes[0] == SysEx::kStart) {
        // RtMidi gathers a whole System Exclusive message; hand it over in
        // receive-buffer sized pieces as the MIDI system would.
        for (size_t at = 0; at < size; at += MidiDriver::kSysExBufferSize) {
            const size_t n = std::min(size - at, size_t(MidiDriver::kSysExBufferSize));
            sink.longMessage(QByteArray(reinterpret_cast<const char *>(bytes + at), int(n)));
        }
        return;
    }
    sink.shortMessage(bytes[0], size > 1 ? bytes[1] : 0, size > 2 ? bytes[2] : 0);
}
