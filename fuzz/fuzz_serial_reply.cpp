// SPDX-License-Identifier: GPL-3.0-or-later
// The unit's serial byte stream, cut at arbitrary read boundaries, straight
// into the reply splitter and the reply parser: no port, no event loop, a
// fresh splitter for every input.
//
// Checked besides the sanitizers: every reply is a piece of the stream, in
// order and without overlap; what the splitter holds stays bounded; the
// parser's fields agree with the reply they came from.

#include "FuzzCore.h"

#include "serial/SerialProtocol.h"
#include "serial/SerialReplySplitter.h"

#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "%s: %s\n", what, bytes.toHex(' ').constData());
    std::abort();
}

void quiet(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(text));
        std::abort();
    }
}

void checkReply(const QByteArray &bytes)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(bytes);
    if (reply.acknowledgement && (bytes.size() != SerialProtocol::kFrameSize || reply.eraseEnd))
        fault("acknowledgement from a reply that is not one", bytes);
    if (reply.eraseEnd != bytes.contains("ERASE END"))
        fault("ERASE END misread", bytes);
    if (reply.hasModel && !reply.model.startsWith(QLatin1String("TQR-")))
        fault("model text without its marker", bytes);
    if (reply.hasModel && reply.hasVersion)
        fault("one reply read as model and version", bytes);
    if (reply.hasVersion && !reply.identifies)
        fault("version from a reply too short or a status line", bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    QLoggingCategory::setFilterRules(QStringLiteral("quill.serial.replies.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Each length-prefixed piece is one read from the port.
    const QList<QByteArray> reads = FuzzSupport::splitMessages(data, size);
    SerialReplySplitter splitter;
    QByteArray stream;
    int searchFrom = 0;
    for (const QByteArray &read : reads) {
        stream += read;
        const QList<QByteArray> replies = splitter.feed(read);
        for (const QByteArray &reply : replies) {
            if (reply.isEmpty() || reply.size() > SerialReplySplitter::kMaxHeld)
                fault("reply of an impossible size", reply);
            const int at = stream.indexOf(reply, searchFrom);
            if (at < 0)
                fault("reply that is not a piece of the stream, in order", reply);
            searchFrom = at + reply.size();
            checkReply(reply);
        }
        if (splitter.heldSize() > SerialReplySplitter::kMaxHeld)
            fault("held bytes beyond the bound", read);
        // Nothing held may come from before the last reply's end.
        if (stream.size() - searchFrom < splitter.heldSize())
            fault("held bytes overlap a reply", read);
    }
    return 0;
}
