// SPDX-License-Identifier: GPL-3.0-or-later
// What a MIDI driver hands the input port, straight into its two entry
// points: packed short words (from which System Exclusive is gathered when a
// driver delivers it that way), receive buffers, and whole messages split the
// way the RtMidi driver splits what RtMidi gathered. Each input starts with a
// fresh port; no event loop, no window.
//
// An input whose first byte is odd runs with the port's quarter-frame decoder
// made, as the window makes it, and an End alarm from its next four bytes
// (hours, minutes, seconds, frames) at the rate in bits 1-2 of the first.
//
// Then: a tag byte, then its payload (the last one may be short). A tag
// below 40 is a short word of the next three bytes; 40 to 7F a whole message
// of (tag - 40) * 20 bytes; from 80 up a receive buffer of (tag - 80) * 5
// bytes. Besides the sanitizers it checks that what is gathered stays bounded,
// that a gathered message ends in F7 and that a whole System Exclusive
// message arrives complete and in order.

#include "midi/QMidiIn.h"
#include "midi/WholeMessageSplit.h"
#include "protocol/MidiTimecodeIn.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The driver's view of the port: QMidiIn is a sink only to the driver that opened it.
class PortSink : public MidiInputSink
{
public:
    explicit PortSink(QMidiIn &in)
        : m_in(in)
    {
    }
    void shortMessage(quint8 status, quint8 data1, quint8 data2) override { m_in.shortMessage(status, data1, data2); }
    void longMessage(const QByteArray &data) override { m_in.longMessage(data); }

private:
    QMidiIn &m_in;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QMidiIn in(nullptr);
    PortSink sink(in);
    bool fromShort = false;
    QByteArray delivered;
    QObject::connect(&in, &QMidiIn::midiMessageReceived, [&](const QByteArray &message) {
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
        delivered += message;
    });
    size_t at = 0;
    if (size >= 5 && (data[0] & 1)) {
        const FrameRate rate = *FrameRate::fromCode((data[0] >> 1) & 3);
        in.quarterFrameDecoder()->setPositionAlarm(FrameArithmetic::Label{data[1], data[2], data[3], data[4]}, rate);
        at = 5;
    }
    while (at < size) {
        const uint8_t tag = data[at++];
        delivered.clear();
        if (tag < 0x40) {
            if (size - at < 3)
                break;
            fromShort = true;
            in.shortMessage(data[at], data[at + 1], data[at + 2]);
            at += 3;
        } else if (tag < 0x80) {
            const size_t length = std::min(size_t(tag - 0x40) * 20, size - at);
            fromShort = false;
            passWholeMessage(data + at, length, sink);
            if (length > 0 && data[at] == 0xF0
                && delivered != QByteArray::fromRawData(reinterpret_cast<const char *>(data + at), int(length))) {
                std::fprintf(stderr, "whole message not delivered as sent\n");
                std::abort();
            }
            at += length;
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
