// What a MIDI driver hands the input port, straight into its two entry
// points: packed short words (from which System Exclusive is gathered when a
// driver delivers it that way) and receive buffers. Each input starts with a
// fresh port; no event loop, no window.
//
// Input: a tag byte, then its payload. A tag below 80 is a short word of the
// next three bytes; from 80 up it is a receive buffer of (tag - 80) * 5 bytes
// (the last one may be short). Besides the sanitizers it checks that what is
// gathered stays bounded and that a gathered message ends in F7.

#include "midi/QMidiIn.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QMidiIn in(nullptr);
    bool fromShort = false;
    QObject::connect(&in, &QMidiIn::midiMessageReceived, [&fromShort](const QByteArray &message) {
        if (message.isEmpty()) {
            std::fprintf(stderr, "empty message delivered\n");
            std::abort();
        }
        // A short word is either delivered as its three bytes or gathered up
        // to an F7.
        if (fromShort && message.size() != 3 && quint8(message.back()) != 0xF7) {
            std::fprintf(stderr, "gathered message without its F7: %s\n", message.toHex(' ').constData());
            std::abort();
        }
    });
    size_t at = 0;
    while (at < size) {
        const uint8_t tag = data[at++];
        if (tag < 0x80) {
            if (size - at < 3)
                break;
            fromShort = true;
            in.shortMessage(data[at], data[at + 1], data[at + 2]);
            at += 3;
        } else {
            const size_t length = std::min(size_t(tag - 0x80) * 5, size - at);
            fromShort = false;
            in.longMessage(QByteArray(reinterpret_cast<const char *>(data + at), int(length)));
            at += length;
        }
        if (in.gatheredBytes() > QMidiIn::kMaxGatheredSysEx + 3) {
            std::fprintf(stderr, "gathered %d bytes\n", in.gatheredBytes());
            std::abort();
        }
    }
    return 0;
}
