// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPortCatalogue.h"
#include "support/PtyPeer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The serial side of a TQR-30 series unit, scripted for tests, behind a real
// pseudo-terminal. It answers the model and version queries, acknowledges each
// image chunk with a 7-byte reply and records what it was sent.
//
// By default it acknowledges a few milliseconds late, by a delay that varies
// from chunk to chunk and now and then exceeds the pacing interval, as a unit
// busy writing its flash does: a sender that does not wait for the
// acknowledgement shows up in chunksAheadOfAck.
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
    static constexpr int kVaryingDelay = -1;
    int ackDelayMs = kVaryingDelay; // 0: in the same turn as the chunk
    int stopAckingAfter = -1; // chunks acknowledged before going silent; -1 never
    int eraseEndBeforeAck = -1; // before this chunk's (0-based) acknowledgement, a stray "ERASE END"
    bool splitReplies = false; // each reply written in two pieces, a few milliseconds apart
    int repeatAckAfterMs = -1; // each acknowledgement again, in a write of its own, this much later
    bool ackTwiceInOneWrite = false; // each acknowledgement doubled into one 14-byte write
    int chatterAfterChunk = -1; // after this chunk (1-based), an unsolicited model reply
    static QByteArray ackBytes() { return QByteArray("\xAA\xCC\x07\x00\x01\r\n", 7); }

    // What was seen.
    QList<quint8> commands;   // command codes, in order
    QList<int> chunkSizes;    // size of each image read
    QByteArray image;         // the image bytes as they arrived
    bool inImage = false;     // erase answered, bytes are image data now
    int chunksAheadOfAck = 0; // image reads that came while an acknowledgement was still due
    int acksSent = 0;
    std::function<void()> onPrepare; // command 09

    int countCommand(quint8 code) const;

private:
    void onData(const QByteArray &bytes);
    void sendAck();
    void reply(const QByteArray &bytes, bool isAck = false);
    int nextAckDelay();

    PtyPeer m_pty;
    QByteArray m_pending;
    bool m_ackDue = false;
    int m_delayStep = 0;
};

// The unit's USB ids: a catalogue lists its port under kUnitNormalProduct, or
// under kUnitBootProduct once it is in upgrade mode.
constexpr int kUnitVendor = 0x1209;
constexpr int kUnitNormalProduct = 0x5130;
constexpr int kUnitBootProduct = 0x5131;
SerialPortEntry unitPortEntry(const UnitPeer &unit, int productId);
