// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware transfer against a link held in memory: the unit's replies
// (acknowledgements, "ERASE END", model lines, garbage, cut anywhere), short
// and failed writes, a lost or closed port and the user's buttons, in any
// order and interleaved with turns of the event loop, which is where queued
// acknowledgements and the pacing timer run. A small image, no pacing, no
// waits, a fresh link and transfer for every input.
//
// Checked besides the sanitizers, from the unit's side of the link:
//   - the bytes written since the last erase are a prefix of the image;
//   - no chunk goes out while the previous one's acknowledgement is due;
//   - no chunk goes out after the end or a failure, until the next erase;
//   - finished() comes only once the whole image is written and its last
//     chunk acknowledged, and at most once per erase.

#include "FuzzCore.h"

#include "serial/FirmwareLink.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialProtocol.h"
#include "serial/SerialReplySplitter.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <algorithm>

namespace {

using FuzzSupport::fault;

// The unit's end of the link, and what a serial port does with its replies.
class MemoryLink : public FirmwareLink
{
public:
    explicit MemoryLink(const QByteArray &image)
        : m_image(image)
    {
    }

    // A read from the port: whole replies act as they do on the serial port.
    void receive(const QByteArray &bytes)
    {
        for (const QByteArray &bytesOfOne : m_splitter.feed(bytes)) {
            const SerialProtocol::Reply reply = SerialProtocol::parseReply(bytesOfOne);
            if (reply.hasModel)
                emit modelReported(reply.model);
            if (reply.eraseEnd) {
                emit eraseEnded();
            } else if (reply.acknowledgement) {
                m_ackDue = false;
                m_ready = true;
                emit acknowledged();
            }
        }
    }
    void lose() { emit errorOccurred(QSerialPort::ResourceError); }
    // The next write takes this many bytes; -1 fails it.
    void limitNextWrite(qint64 taken) { m_nextWrite = taken; }

    void onFinished()
    {
        if (m_written != m_image)
            fault("finished before the whole image was written", m_written);
        if (m_ackDue)
            fault("finished before the last chunk was acknowledged", m_written);
        if (m_ended)
            fault("finished twice, or after a failure", m_written);
        m_ended = true;
    }
    void onFailed() { m_ended = true; }

    bool writeCommand(quint8 code) override
    {
        if (code == SerialProtocol::EraseFirmware) {
            // The unit starts over: what comes next is the image from byte 0.
            m_written.clear();
            m_ackDue = false;
            m_ended = false;
        }
        return true;
    }
    qint64 write(const QByteArray &bytes) override
    {
        if (m_ackDue)
            fault("chunk written while an acknowledgement was due", m_written);
        if (m_ended)
            fault("chunk written after the transfer ended", m_written);
        const qint64 taken = m_nextWrite < 0 ? -1 : std::min<qint64>(m_nextWrite, bytes.size());
        m_nextWrite = bytes.size();
        if (taken < 0)
            return -1;
        m_written += bytes.left(int(taken));
        if (!m_image.startsWith(m_written))
            fault("bytes written are not the image's beginning", m_written);
        m_ackDue = true;
        return taken;
    }
    bool flush() override { return true; }
    QString errorString() const override { return QStringLiteral("fuzzed write failure"); }
    bool readyForNext() const override { return m_ready; }
    void setReadyForNext(bool ready) override { m_ready = ready; }
    QString findPortContaining(const QString &) override { return QString(); }
    void close() override { emit aboutToClose(); }
    bool tryOpenPort(const QString &, int, QString *failure) override
    {
        *failure = QStringLiteral("no port in memory");
        return false;
    }

private:
    const QByteArray m_image;
    SerialReplySplitter m_splitter;
    QByteArray m_written;
    qint64 m_nextWrite = FirmwareTransfer::kChunkSize;
    bool m_ready = false;
    bool m_ackDue = false;
    bool m_ended = false;
};

FirmwareTransfer::Timing noPacing()
{
    FirmwareTransfer::Timing timing;
    timing.fastPacingMs = 0;
    timing.slowPacingMs = 0;
    return timing;
}

// Reads the input a byte at a time; zeros once it is used up.
struct Input
{
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    bool done() const { return pos >= size; }
    uint8_t next() { return pos < size ? data[pos++] : 0; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::silenceQtMessages();
    // A trace per chunk would cost more than the transfer itself.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    // Qt's own event dispatcher: a turn of the loop costs less than through GLib.
    qputenv("QT_NO_GLIB", "1");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv); // lives until the fuzzer exits
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    // Made once: filling it byte by byte per input cost a tenth of the run.
    static const QByteArray longestImage = [] {
        QByteArray bytes(4 * FirmwareTransfer::kChunkSize, Qt::Uninitialized);
        char *out = bytes.data();
        for (int i = 0; i < bytes.size(); ++i)
            out[i] = char(i * 7 + 1);
        return bytes;
    }();
    const QByteArray image = longestImage.left(1 + in.next() % longestImage.size());

    MemoryLink link(image);
    FirmwareTransfer transfer(&link, noPacing());
    QObject::connect(&transfer, &FirmwareTransfer::finished, &link, &MemoryLink::onFinished);
    QObject::connect(&transfer, &FirmwareTransfer::failed, &link, &MemoryLink::onFailed);
    if (!transfer.loadImage(image) || !transfer.writeErase(FirmwareTransfer::AfterErase::StartSending))
        fault("a transfer that would not start");

    static const QByteArray ack("\xAA\xCC\x07\x00\x01\r\n", 7);
    while (!in.done()) {
        switch (in.next() % 11) {
        case 0:
            link.receive(ack);
            break;
        case 1:
            link.receive("ERASE END\r\n");
            break;
        case 2: { // any bytes in one read: noise, or replies cut anywhere
            QByteArray read;
            for (int n = in.next() % 16; n > 0 && !in.done(); --n)
                read += char(in.next());
            link.receive(read);
            break;
        }
        case 3:
            QCoreApplication::sendPostedEvents();
            break;
        case 4:
            QCoreApplication::processEvents();
            break;
        case 5:
            link.receive(in.next() % 2 ? "TQR-30 Pro\r\n" : "TQR-20\r\n");
            break;
        case 6: {
            const uint8_t taken = in.next();
            link.limitNextWrite(taken == 0xFF ? -1 : taken % (FirmwareTransfer::kChunkSize + 1));
            break;
        }
        case 7:
            link.lose();
            break;
        case 8:
            transfer.beginSending();
            break;
        case 9:
            transfer.writeErase(FirmwareTransfer::AfterErase::StartSending);
            break;
        case 10:
            link.close();
            break;
        }
    }
    // What is still queued runs against the same checks.
    QCoreApplication::processEvents();
    return 0;
}
