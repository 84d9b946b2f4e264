// SPDX-License-Identifier: GPL-3.0-or-later
// The decoders of what a unit sends over MIDI, without a window: the time-code
// decoder (quarter frames, full frames, source and rate reports), the
// identification reply and the network-settings feedback and acknowledgement
// parsers, and the frame arithmetic the decoder counts with. Links quill_core
// alone; no application object, no event loop, a fresh decoder per input.
//
// The input is a conversation of length-prefixed messages (FuzzCore.h). Each
// message goes to every parser. Checked besides the sanitizers:
// - the decoder reports only what its header promises: sources 1-6 or rate
//   codes 11-14, quarter-frame positions 0-7, a time text of four fields of
//   two or three digits that differs from the previous one;
// - what a parser accepts, the matching builder writes back as well-formed
//   System Exclusive that parses to the same values;
// - a label that exists at a rate survives the trip through its frame number;
// - an address text the address check passes reads as four octets 0 to 255.

#include "FuzzCore.h"

#include "timecode/FrameArithmetic.h"
#include "protocol/Identification.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"
#include "protocol/NetworkMessages.h"

#include <QString>
#include <QStringList>

using FuzzSupport::fault;

namespace {

bool isTimeText(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    if (fields.size() != 4)
        return false;
    for (const QString &field : fields) {
        if (field.size() < 2 || field.size() > 3)
            return false;
        for (QChar c : field)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
    }
    return true;
}

// Fresh per input: the decoder's state is the conversation's own.
class DecoderCheck
{
public:
    DecoderCheck()
    {
        QObject::connect(&m_decoder, &MidiTimecodeIn::sourcecodeReceived, [](int code) {
            if (!(code >= 1 && code <= 6) && !FrameRate::fromReport(code))
                fault("source report out of range", QByteArray::number(code));
        });
        QObject::connect(&m_decoder, &MidiTimecodeIn::quarterFramePosition,
                         [](FrameArithmetic::Label, int quarterFrames) {
                             if (quarterFrames < 0 || quarterFrames > 7)
                                 fault("quarter-frame position out of range", QByteArray::number(quarterFrames));
                         });
        QObject::connect(&m_decoder, &MidiTimecodeIn::timecodeReceived, [this](const QString &text) {
            if (!isTimeText(text))
                fault("time text malformed", text.toLatin1());
            if (text == m_lastText)
                fault("time text repeated", text.toLatin1());
            m_lastText = text;
        });
        QObject::connect(&m_decoder, &MidiTimecodeIn::timeCodeParsed, [](int hour, int minute, int second, int frame) {
            if (hour < 0 || hour > 31 || minute < 0 || minute > 255 || second < 0 || second > 255 || frame < 0
                || frame > 255)
                fault("full frame out of range");
        });
    }

    void feed(const QByteArray &message) { m_decoder.processMidiMessage(message); }

private:
    MidiTimecodeIn m_decoder;
    QString m_lastText;
};

void checkIdentification(const QByteArray &message)
{
    quint8 gg = 0, hh = 0;
    if (!Identification::parseFeedbackDeviceType(message, gg, hh))
        return;
    if (message.size() != Identification::kDeviceTypeReplySize)
        fault("device-type reply of the wrong length", message);
    const QString product = Identification::productForModel(gg, hh);
    if (!product.isEmpty() && (gg != Identification::kTqrDeviceClass || hh < 1 || hh > 4))
        fault("product named for an unknown model", message);
}

void checkBuilt(const QByteArray &built, const char *what)
{
    if (!FuzzSupport::isWellFormedSysEx(built))
        fault(what, built);
}

void checkIpFeedback(const QByteArray &message)
{
    using namespace NetworkMessages;
    const std::optional<IpFeedback> feedback = parseIpFeedback(message);
    if (!feedback || feedback->address.isEmpty())
        return;
    const QList<int> octets = splitIpOctets(feedback->address);
    if (octets.size() != 4)
        fault("IP feedback address without four octets", message);
    if (!isValidIpAddress(feedback->address))
        return; // digits above 255 are passed on as they came
    const std::optional<QByteArray> built = buildIpConfigMessage(feedback->address, QStringLiteral("IP"));
    if (!built)
        fault("valid address refused by the IP builder", message);
    checkBuilt(*built, "IP message malformed");
    const std::optional<IpFeedback> back = parseIpFeedback(*built);
    if (!back || back->kind != IpAddress || back->address != feedback->address)
        fault("IP address changed on the way back", message);
}

void checkOscFeedback(const QByteArray &message)
{
    using namespace NetworkMessages;
    const std::optional<OscFeedback> feedback = parseOscFeedback(message);
    if (!feedback)
        return;
    if (feedback->port > 0xFFFF)
        return;
    const quint16 port = quint16(feedback->port);
    if (feedback->target == OscLocalPort) {
        const QByteArray built = oscLocalPortMessage(port);
        checkBuilt(built, "OSC port message malformed");
        const std::optional<OscFeedback> back = parseOscFeedback(built);
        if (!back || back->target != OscLocalPort || back->port != feedback->port)
            fault("OSC local port changed on the way back", message);
    } else if (feedback->target != OscForward && !feedback->address.isEmpty()) {
        const QList<int> parts = splitIpOctets(feedback->address);
        if (!octetsInRange(parts))
            fault("OSC address with an octet above 255", message);
        const QByteArray built = oscDeviceMessage(feedback->target, {parts[0], parts[1], parts[2], parts[3]}, port);
        checkBuilt(built, "OSC device message malformed");
        const std::optional<OscFeedback> back = parseOscFeedback(built);
        if (!back || back->target != feedback->target || back->address != feedback->address
            || back->port != feedback->port)
            fault("OSC device changed on the way back", message);
    }
}

void checkPortFeedback(const QByteArray &message)
{
    using namespace NetworkMessages;
    const std::optional<PortFeedback> feedback = parsePortFeedback(message);
    if (!feedback)
        return;
    const QByteArray built = buildPortMessage(feedback->kind, feedback->port);
    checkBuilt(built, "port message malformed");
    const std::optional<PortFeedback> back = parsePortFeedback(built);
    if (!back || back->kind != feedback->kind || back->port != feedback->port)
        fault("port changed on the way back", message);
}

void checkAckAndOffset(const QByteArray &message)
{
    using namespace NetworkMessages;
    const int code = parseAck(message);
    if (code < -1 || code > kAckHighestCode)
        fault("acknowledgement code out of range", message);
    if (code >= 0 && ackLogText(code).isEmpty())
        fault("acknowledgement without its text", message);
    if (!isTimeOffsetFrame(message))
        return;
    const std::optional<int> frames = decodeFrameOffset(quint8(message[7]));
    if (!frames)
        return;
    if (*frames < kMinFrameOffset || *frames > kMaxFrameOffset || encodeFrameOffset(*frames) != quint8(message[7]))
        fault("frame offset code does not round-trip", message);
    const QByteArray built = buildTimeOffsetMessage(*frames);
    checkBuilt(built, "offset message malformed");
    if (!isTimeOffsetFrame(built) || built[7] != message[7])
        fault("offset changed on the way back", message);
}

// The address fields' own text check, on the message read as text: a text it
// passes is one the address reader takes apart into four octets 0 to 255.
void checkAddressText(const QByteArray &message)
{
    const QString text = QString::fromLatin1(message);
    using namespace NetworkMessages;
    if (isValidIpAddress(text) && !octetsInRange(splitIpOctets(text)))
        fault("valid address read as other octets", message);
}

// Bytes 0-3 as a label, byte 4 as the rate: 24, 25, 30 drop, 30.
void checkFrameArithmetic(const QByteArray &message)
{
    if (message.size() < 5)
        return;
    const FrameArithmetic::Label label{quint8(message[0]), quint8(message[1]), quint8(message[2]),
                                       quint8(message[3])};
    const FrameRate rate = *FrameRate::fromCode(quint8(message[4]) & 0x03);
    if (!FrameArithmetic::existsAtRate(label, rate))
        return;
    const long long number = FrameArithmetic::frameNumber(label, rate);
    if (FrameArithmetic::labelForFrame(number, rate) != label)
        fault("label lost on the way through its frame number", message.left(5));
    const FrameArithmetic::Label next = FrameArithmetic::advanceWithinDay(label, 2, rate);
    if (!FrameArithmetic::existsAtRate(next, rate))
        fault("advanced to a label that does not exist", message.left(5));
    const std::optional<QByteArray> locate =
        MachineControl::locate(label.hours, label.minutes, label.seconds, label.frames, rate);
    if (locate)
        checkBuilt(*locate, "locate message malformed");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DecoderCheck decoder;
    for (const QByteArray &message : FuzzSupport::splitMessages(data, size)) {
        decoder.feed(message);
        checkIdentification(message);
        checkIpFeedback(message);
        checkOscFeedback(message);
        checkPortFeedback(message);
        checkAckAndOffset(message);
        checkFrameArithmetic(message);
        checkAddressText(message);
    }
    return 0;
}
