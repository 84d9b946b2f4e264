// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialReplySplitter.h"

#include "serial/SerialProtocol.h"

#include <QDebug>
#include <QLoggingCategory>

// A category of its own, so that a caller that silences it (the fuzzer) pays
// nothing for the hex dump.
Q_LOGGING_CATEGORY(lcSerialReplies, "quill.serial.replies")

namespace {

const QByteArray kCrLf("\r\n");
const QByteArray kHeader("\xAA\xCC", 2);
const QByteArray kEraseEnd("ERASE END");

bool startsTextReply(const QByteArray &bytes)
{
    return bytes.contains("TQR-") || bytes.contains(QByteArray("\xAA\xCC\x06", 3))
        || bytes.contains("ERASE") || bytes.contains("Reset");
}

void traceDropped(const QByteArray &bytes, const char *why)
{
    qCWarning(lcSerialReplies).noquote() << "Serial bytes dropped (" << why << "):" << bytes.left(32).toHex(' ')
                         << (bytes.size() > 32 ? QStringLiteral("... (%1 bytes)").arg(bytes.size())
                                               : QString());
}

} // namespace

QList<QByteArray> SerialReplySplitter::feed(const QByteArray &bytes)
{
    QList<QByteArray> replies;
    if (bytes.isEmpty())
        return replies;
    if (m_held.isEmpty() && bytes.size() == SerialProtocol::kFrameSize && !bytes.contains(kCrLf)
        && !startsTextReply(bytes)) {
        replies.append(bytes);
        return replies;
    }
    m_held.append(bytes);
    QByteArray reply;
    bool dropped = false;
    while (takeOne(&reply, &dropped)) {
        if (dropped) {
            if (reply != kCrLf)
                traceDropped(reply, "no reply form");
        }
        else if (reply.size() > kMaxHeld)
            traceDropped(reply, "over-long reply");
        else if (reply != kCrLf)
            replies.append(reply);
    }
    if (m_held.size() > kMaxHeld) {
        traceDropped(m_held, "no reply end");
        m_held.clear();
    }
    return replies;
}

bool SerialReplySplitter::takeOne(QByteArray *reply, bool *dropped)
{
    *dropped = false;
    if (m_held.isEmpty())
        return false;
    const int frame = SerialProtocol::kFrameSize;
    if (m_held.startsWith(kHeader) || m_held == kHeader.left(1)) {
        if (m_held.size() < frame)
            return false; // may still become a frame
        if (m_held.mid(frame - 2, 2) == kCrLf) {
            *reply = m_held.left(frame);
            m_held.remove(0, frame);
            return true;
        }
    }
    const int lineEnd = m_held.indexOf(kCrLf);
    const int header = m_held.indexOf(kHeader, 1);
    if (header > 0 && (lineEnd < 0 || header < lineEnd)) {
        *reply = m_held.left(header);
        m_held.remove(0, header);
        *dropped = !reply->contains(kEraseEnd);
        return true;
    }
    if (lineEnd >= 0) {
        *reply = m_held.left(lineEnd + 2);
        m_held.remove(0, lineEnd + 2);
        return true;
    }
    const int erase = m_held.indexOf(kEraseEnd);
    if (erase >= 0) {
        *reply = m_held.left(erase + kEraseEnd.size());
        m_held.remove(0, erase + kEraseEnd.size());
        return true;
    }
    return false;
}
