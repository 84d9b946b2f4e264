#include "support/UnitPeer.h"

#include <QTimer>

#include <algorithm>

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

void UnitPeer::sendAck()
{
    if (ackTwiceInOneWrite) {
        m_pty.send(ackBytes() + ackBytes());
        return;
    }
    m_pty.send(ackBytes());
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
        if (chunkSizes.size() - 1 == eraseEndInsteadOfAck) {
            eraseEndInsteadOfAck = -1;
            m_pty.send("ERASE END");
            return;
        }
        if (stopAckingAfter >= 0 && chunkSizes.size() > stopAckingAfter) {
            m_ackDue = true; // never sent: anything further is ahead of it
            return;
        }
        if (ackDelayMs > 0) {
            m_ackDue = true;
            QTimer::singleShot(ackDelayMs, this, [this] {
                m_ackDue = false;
                sendAck();
            });
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
            m_pty.send(modelReply);
            break;
        case 0x03:
            m_pty.send(versionReply);
            break;
        case 0x02:
            if (!answerErase)
                break;
            inImage = true;
            m_pending.clear();
            if (eraseEndDelayMs > 0)
                QTimer::singleShot(eraseEndDelayMs, this, [this] { m_pty.send("ERASE END"); });
            else
                m_pty.send("ERASE END");
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
