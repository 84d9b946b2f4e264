// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/FirmwareLink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

class SerialPort;

// Writes a firmware image to a unit over its serial link: erase, then chunks
// of at most 64 bytes, each only after the unit acknowledged the one before.
// The automatic flow first puts the unit into upgrade mode and reopens the
// link on the port the unit comes back as. The class knows no widgets; the
// window that drives it shows progress, boxes and the end.
//
// It is the one owner of the unit's "ERASE END" and acknowledgements:
//   Idle -> [Preparing -> FindingUpgradePort ->] Erasing -> Erased -> Sending
// and back to Idle with finished() (the last chunk acknowledged) or failed().
// Chunks go out only from Erased, for the image the erase was written for;
// a new image, the end, a failure, a lost or closed port all return to Idle.
class FirmwareTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kChunkSize = 64;

    enum class State {
        Idle,
        Preparing,          // prepare command written, the unit re-enumerates
        FindingUpgradePort, // looking for the upgrade-mode port in fresh lists
        Erasing,            // erase written, waiting for "ERASE END"
        Erased,             // "ERASE END" seen, nothing sent yet
        Sending,            // chunks going out; ends at the last acknowledgement
    };
    Q_ENUM(State)

    struct Timing
    {
        int fastPacingMs = 10;     // model family 2
        int slowPacingMs = 50;     // any other family
        int ackTimeoutMs = 2000;   // from a chunk to its acknowledgement
        int prepareWaitMs = 3000;  // after the prepare command
        int upgradePortTimeoutMs = 10000;
        int upgradePortRetryMs = 500;
        int eraseTimeoutMs = 60000;
    };

    // Through the unit's serial port.
    FirmwareTransfer(SerialPort *port, const Timing &timing, QObject *parent = nullptr);
    // Through any link, which must outlive the transfer.
    FirmwareTransfer(FirmwareLink *link, const Timing &timing, QObject *parent = nullptr);

    void setTiming(const Timing &timing) { m_timing = timing; }
    const Timing &timing() const { return m_timing; }

    // 2 when the model text contains "30", else 1; decides the pacing. The
    // link's model replies set it.
    void setModelFamily(int family) { m_family = family; }
    int modelFamily() const { return m_family; }
    static int familyForModel(const QString &model);
    int pacingMs() const;

    // Automatic flow with a downloaded image: prepare, wait, find the
    // upgrade-mode port, reopen, erase, and send once the unit reports
    // "ERASE END". An empty image, or a transfer already under way, is
    // refused with failed() and nothing is written.
    bool startAutomaticUpgrade(const QByteArray &image);
    // The same first half alone: prepare, wait, find the upgrade-mode port
    // and open it; upgradePortOpened() then tells which, back in Idle, and
    // nothing is erased. Refused with failed() while busy.
    bool startUpgradeMode();

    // Manual flow: the image to write (an empty one is refused); it returns
    // the transfer to Idle, so an erase written for an earlier image counts
    // no more.
    bool loadImage(const QByteArray &image);
    // Forgets the image: Idle.
    void unloadImage();
    // What the end of an erase leads to: the user's Upgrade, or the chunks
    // at once. writeErase() without an argument follows setAfterErase().
    enum class AfterErase { Wait, StartSending };
    void setAfterErase(AfterErase after) { m_afterErase = after; }
    bool writeErase() { return writeErase(m_afterErase); }
    bool writeErase(AfterErase after);

    // Starts sending from byte 0; only in Erased.
    bool beginSending();
    void sendNextChunk();

    // Drops what is running without a message (the owner has told the user).
    void abort();

    State state() const { return m_state; }
    bool isBusy() const;
    const QByteArray &image() const { return m_image; }
    qint64 sent() const { return m_sent; }
    int chunkLength() const { return m_chunk.size(); }

    // The main window's progress value: 100 once past 98 %, else the
    // truncated percentage.
    static int mainWindowProgress(qint64 sent, qint64 size);
    // The upgrade dialog's: the truncated percentage, at most 99.
    static int dialogProgress(qint64 sent, qint64 size);

signals:
    void stateChanged(FirmwareTransfer::State state);
    void preparing();        // the unit was told to prepare
    void preparationEnded(); // the wait is over, the search begins
    void eraseWritten();
    void upgradePortOpened(const QString &portName);
    void chunkWritten(qint64 sent, qint64 size); // after each chunk but the last
    void finished();
    void failed(const QString &message);

private:
    void setState(State state);
    void prepare();
    // False when the pacing interval since the last chunk is still far from
    // over (the timer is set again); otherwise sleeps what is left of it.
    bool waitOutPacing();
    static constexpr qint64 kLongestPacingSleepNs = 1500000;
    // Stops, closes the link and tells.
    void fail(const QString &message);
    void closeLink();
    void stopTimers();
    void onStep();
    void searchUpgradePort();
    void takeChunk();
    void onEraseEnd();
    void onAcknowledged();
    void onLinkError(QSerialPort::SerialPortError error);
    void onLinkClosing();
    QString lostText() const;

    FirmwareLink *m_link;
    Timing m_timing;
    State m_state = State::Idle;
    int m_family = 1;
    QByteArray m_image;
    QByteArray m_pendingImage;
    AfterErase m_afterErase = AfterErase::Wait;
    bool m_startWhenErased = false;
    bool m_waitingForAck = false;
    bool m_closingOnPurpose = false;
    qint64 m_sent = 0;
    QByteArray m_chunk;
    QTimer m_pacing;
    QTimer m_step;
    QTimer m_eraseWait;
    QTimer m_ackWait;
    QElapsedTimer m_sinceChunk;
    QElapsedTimer m_searching;
    QString m_lastOpenFailure;
};
