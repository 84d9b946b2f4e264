#pragma once

#include "support/PtyPeer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The serial side of a TQR-30 series unit, scripted for tests, behind a real
// pseudo-terminal. It answers the model and version queries, acknowledges each
// image chunk with a 7-byte reply and records what it was sent.
class UnitPeer : public QObject
{
    Q_OBJECT
public:
    explicit UnitPeer(QObject *parent = nullptr);

    PtyPeer &pty() { return m_pty; }
    QString portName() const { return m_pty.slavePath(); }

    // Behaviour, changeable at any time.
    QByteArray modelReply = QByteArray("TQR-30 Pro\r\n");
    QByteArray versionReply = QByteArray("\xAA\xCC\x06V1.0.2\r\n", 11);
    bool answerErase = true;
    int eraseEndDelayMs = 0;
    bool acknowledge = true;
    int ackDelayMs = 0;
    int stopAckingAfter = -1; // chunks acknowledged before going silent; -1 never
    int eraseEndInsteadOfAck = -1; // answer this chunk (0-based) with "ERASE END" once
    int repeatAckAfterMs = -1; // each acknowledgement again, in a write of its own, this much later
    bool ackTwiceInOneWrite = false; // each acknowledgement doubled into one 14-byte write
    static QByteArray ackBytes() { return QByteArray("\xAA\xCC\x07\x00\x01\r\n", 7); }

    // What was seen.
    QList<quint8> commands;   // command codes, in order
    QList<int> chunkSizes;    // size of each image read
    QByteArray image;         // the image bytes as they arrived
    bool inImage = false;     // erase answered, bytes are image data now
    int chunksAheadOfAck = 0; // image reads that came while an acknowledgement was still due
    std::function<void()> onPrepare; // command 09

    int countCommand(quint8 code) const;

private:
    void onData(const QByteArray &bytes);
    void sendAck();

    PtyPeer m_pty;
    QByteArray m_pending;
    bool m_ackDue = false;
};
