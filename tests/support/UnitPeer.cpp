// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/UnitPeer.h"

#include <QTimer>

#include <algorithm>
#include <iterator>

UnitPeer::UnitPeer(QObject *parent)
    : QObject(parent)
    , m_pty(this)
{
    m_pty.onData = [this](const QByteArray &bytes) { onData(bytes); };
}

int UnitPeer::countCommand(quint8 code) const
{
    return int(std::count(commands.begin(), commands.end(), code));
}

int UnitPeer::nextAckDelay()
{
    if (ackDelayMs != kVaryingDelay)
        return ackDelayMs;
    // 1 to 12 ms: every eighth exceeds the 10 ms pacing of a TQR-30, all
    // exceed the 1 to 3 ms pacing most tests use.
    static constexpr int kDelays[] = {2, 5, 1, 12, 3, 7, 4, 6};
    return kDelays[m_delayStep++ % int(std::size(kDelays))];
}

void UnitPeer::reply(const QByteArray &bytes, bool isAck)
{
    if (!splitReplies || bytes.size() < 2) {
        m_pty.send(bytes);
        if (isAck)
            m_ackDue = false;
        return;
    }
    // An acknowledgement is due until its last byte is out.
    if (isAck)
        m_ackDue = true;
    const int cut = 1 + int(m_delayStep++ % (bytes.size() - 1));
    m_pty.send(bytes.left(cut));
    const QByteArray rest = bytes.mid(cut);
    QTimer::singleShot(4, this, [this, rest, isAck] {
        m_pty.send(rest);
        if (isAck)
            m_ackDue = false;
    });
}

void UnitPeer::sendAck()
{
    ++acksSent;
    if (ackTwiceInOneWrite) {
        m_pty.send(ackBytes() + ackBytes());
        m_ackDue = false;
        return;
    }
    reply(ackBytes(), true);
    if (repeatAckAfterMs >= 0)
        QTimer::singleShot(repeatAckAfterMs, this, [this] { m_pty.send(ackBytes()); });
}

void UnitPeer::onData(const QByteArray &bytes)
{
    if (inImage) {
        if (m_ackDue)
            ++chunksAheadOfAck;
        image.append(bytes);
        chunkSizes.append(bytes.size());
        if (!acknowledge)
            return;
        if (chunkSizes.size() == chatterAfterChunk)
            m_pty.send(modelReply);
        if (chunkSizes.size() - 1 == eraseEndBeforeAck) {
            eraseEndBeforeAck = -1;
            m_pty.send("ERASE END");
        }
        if (stopAckingAfter >= 0 && chunkSizes.size() > stopAckingAfter) {
            m_ackDue = true; // never sent: anything further is ahead of it
            return;
        }
        if (const int delay = nextAckDelay(); delay > 0) {
            m_ackDue = true;
            QTimer::singleShot(delay, Qt::PreciseTimer, this, [this] { sendAck(); });
        } else {
            sendAck();
        }
        return;
    }

    m_pending.append(bytes);
    while (m_pending.size() >= 7) {
        const int start = m_pending.indexOf(QByteArray("\xAA\xCC\x02\x00", 4));
        if (start < 0) {
            m_pending.clear();
            return;
        }
        if (m_pending.size() - start < 7) {
            m_pending.remove(0, start);
            return;
        }
        const quint8 code = quint8(m_pending.at(start + 4));
        m_pending.remove(0, start + 7);
        commands.append(code);
        switch (code) {
        case 0x01:
            reply(modelReply);
            break;
        case 0x03:
            reply(versionReply);
            break;
        case 0x02:
            if (!answerErase)
                break;
            inImage = true;
            m_pending.clear();
            if (eraseEndDelayMs > 0)
                QTimer::singleShot(eraseEndDelayMs, this, [this] { reply("ERASE END"); });
            else
                reply("ERASE END");
            return;
        case 0x09:
            if (onPrepare)
                onPrepare();
            break;
        default:
            break;
        }
    }
}

SerialPortEntry unitPortEntry(const UnitPeer &unit, int productId)
{
    SerialPortEntry p;
    p.portName = unit.portName();
    p.hasVendorId = p.hasProductId = true;
    p.vendorId = kUnitVendor;
    p.productId = productId;
    return p;
}
