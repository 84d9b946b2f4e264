// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/FrameClock.h"
#include "emulator/UnitMessages.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The emulator folder is a second, independent implementation of the unit,
// written from the unit's side of the protocol: it keeps its own byte
// constants and message code instead of using protocol/, so that a fault in
// the panel's builders or parsers is not repeated by the unit that tests them.
//
// An emulated TQR unit: its generator, source, network settings and firmware,
// and its answers to every message the panel sends. It knows no transport: the
// MIDI and serial bytes it receives come in through receiveMidi() and
// receiveSerial(), what it sends goes out through midiOut() and serialOut(),
// and its presence on the bus is announced by the other signals, which the
// transport links turn into ports that appear and vanish.
//
// A plain QObject: it works on the thread it lives on (the panel's or its own)
// and all its timers run there.
class EmulatedUnit : public QObject
{
    Q_OBJECT
public:
    using Model = UnitMessages::Model;

    // What the serial side currently shows to the computer.
    enum class SerialMode { Absent, Normal, Upgrade };
    Q_ENUM(SerialMode)

    // Switches that make the unit misbehave, for tests of the panel's handling.
    struct Faults
    {
        bool dropAcks = false;      // settings and chunk acknowledgements are never sent
        int ackDelayMs = 0;         // acknowledgements go out this late
        bool duplicateAcks = false; // every acknowledgement is sent twice
        bool failAcks = false;      // settings are refused (code 0), erases fail
        bool silent = false;        // nothing is answered and the generator freezes
        bool malformed = false;     // replies lose a byte, serial replies their CR LF
        // Serial replies as a USB serial adapter under load delivers them:
        bool splitReplies = false;  // every reply written in two pieces, kSplitGapMs apart
        bool coalesceAcks = false;  // every chunk acknowledgement written doubled, in one write
        int busyUpgradePortMs = 0;  // the upgrade-mode port refuses opens this long after it appears
        bool chatter = false;       // one unsolicited model reply after the image's kChatterChunk-th chunk
    };
    static constexpr int kChatterChunk = 40;
    static constexpr int kSplitGapMs = 4;

    // How the generator sends its time code.
    struct Generator
    {
        // Each quarter frame is filled from the running counter instead of one
        // time latched per label: pieces 4-7 of a label come from the frame
        // after the label's own, so the label of a minute's last frame carries
        // the next minute, as some generators send it.
        bool liveCounter = false;
        // Plays backwards: labels count down, their pieces go 7 to 0.
        bool reverse = false;
    };

    // How long the unit's own steps take; tests shorten them.
    struct Timing
    {
        int reenumerateMs = 1500;  // gone after "prepare" or a finished image, then back
        int eraseMs = 300;         // until "ERASE END"
        int chunkIdleMs = 25;      // a short chunk is complete when nothing follows this long
        int imageEndIdleMs = 1500; // the image is complete when no chunk follows this long
        int rebootMs = 8000;       // after the image, until it restarts in normal mode
        // Everything the unit sends over MIDI leaves this much later, in order,
        // as from a USB device that answers in its next frames. 0: at once.
        int midiLatencyMs = 0;
    };

    struct Network
    {
        bool manual = false;
        UnitMessages::Octets address {192, 168, 61, 112};
        UnitMessages::Octets subnet {255, 255, 255, 0};
        UnitMessages::Octets gateway {192, 168, 61, 1};
        int oscLocalPort = 8000;
        bool oscForward = false;
        struct Target
        {
            bool set = false;
            UnitMessages::Octets address {};
            int port = 0;
        };
        Target oscTargets[4];
        int udpPort = 5000;
        int tcpPort = 6000;
    };

    explicit EmulatedUnit(Model model = Model::Tqr30Pro, const QString &firmwareVersion = QStringLiteral("V1.0.2"),
                          QObject *parent = nullptr);
    ~EmulatedUnit() override;

    Model model() const { return m_model; }
    QString modelName() const { return UnitMessages::modelName(m_model); }
    // The name its MIDI ports carry: the model's, unless another was given
    // (two emulated units of one model are told apart by it).
    QString portName() const { return m_portName.isEmpty() ? modelName() : m_portName; }
    void setPortName(const QString &name) { m_portName = name; }
    bool hasSerialPort() const { return UnitMessages::hasNetwork(m_model); }
    QString firmwareVersion() const { return m_firmwareVersion; }

    void setFaults(const Faults &faults) { m_faults = faults; }
    Faults faults() const { return m_faults; }
    void setTiming(const Timing &timing) { m_timing = timing; }
    void setGenerator(const Generator &generator) { m_generator = generator; }
    Generator generator() const { return m_generator; }
    Timing timing() const { return m_timing; }

    int source() const { return m_source; }
    FrameRate rate() const { return m_rate; }
    bool isRunning() const { return m_running; }
    // Where the generator stands now (while running, by the quarter frames sent).
    FrameClock::Label position() const;
    // Where the generator stood by its own clock when the last Stop reached it
    // while running: frames from 00:00:00:00 with their fraction; -1 before.
    double stopFrame() const { return m_stopFrame; }
    Network network() const { return m_network; }
    // The settings it starts with, as if set before it was plugged in.
    void setNetwork(const Network &network) { m_network = network; }
    void setOffsetFrames(int frames) { m_offsetFrames = frames; }
    int offsetFrames() const { return m_offsetFrames; }
    SerialMode serialMode() const { return m_serialMode; }
    bool isPresent() const { return m_present; }

    // Image reads that came while an acknowledgement was still to be written.
    int chunksAheadOfAck() const { return m_chunksAheadOfAck; }
    // The last complete firmware image and the version it brought.
    QByteArray receivedImage() const { return m_lastImage; }
    // The image file's name as the user picked it, when the host knows it: the
    // version is taken from it when the image carries no trailer.
    void setImageFileNameHint(const QString &fileName) { m_imageFileName = fileName; }

public slots:
    // Starts the unit: its ports appear. Called once by the host.
    void powerOn();
    // The unit is unplugged: its ports vanish and it forgets any transfer.
    void unplug();
    // Unplugged, and plugged in again this many milliseconds later.
    void replug(int awayMs);
    void receiveMidi(const QByteArray &message);
    void receiveSerial(const QByteArray &bytes);

signals:
    void midiOut(const QByteArray &message);
    void serialOut(const QByteArray &bytes);
    // MIDI ports present or gone.
    void presenceChanged(bool present);
    void serialModeChanged(EmulatedUnit::SerialMode mode);
    void firmwareReceived(const QByteArray &image, const QString &version);

private:
    void handleRequest(const UnitMessages::Request &request);
    // Every MIDI message leaves through here.
    void sendMidi(const QByteArray &message);
    void flushMidi();
    void answerMidi(const QByteArray &message);
    void acknowledge(quint8 code);
    // Sends through the acknowledgement faults: dropped, late or twice.
    void sendAck(const std::function<void()> &send);
    bool refuseSetting();

    void locate(const FrameClock::Label &label, FrameRate rate);
    void startStream();
    void stopStream();
    void streamTick();
    // Frames the generator moved since the stream started, negative backwards.
    qint64 framesPlayed() const { return m_generator.reverse ? -(m_quarterFramesSent / 4) : m_quarterFramesSent / 4; }

    void handleSerialCommand(quint8 code);
    void answerSerial(const QByteArray &bytes);
    // Every serial byte leaves through here, in order, faults applied.
    void writeSerial(const QByteArray &bytes, bool isAck = false);
    void flushSerial();
    void startErase();
    void takeImageBytes(const QByteArray &bytes);
    void acknowledgeChunks(bool allowShort);
    void finishImage();
    void setSerialMode(SerialMode mode);
    void reenumerate(SerialMode next, int delayMs);

    Model m_model;
    QString m_firmwareVersion;
    QString m_portName;
    Faults m_faults;
    Timing m_timing;
    Generator m_generator;
    bool m_present = false;

    int m_source = UnitMessages::SourceGenerator;
    FrameRate m_rate;
    qint64 m_frame = 0; // where the generator stands, or where the stream started
    bool m_running = false;
    QElapsedTimer m_clock;
    qint64 m_streamStartNs = 0;
    qint64 m_quarterFramesSent = 0;
    double m_stopFrame = -1;
    QTimer m_streamTimer;
    QList<QByteArray> m_outbox;
    QTimer m_outboxTimer;

    Network m_network;
    int m_offsetFrames = 0;

    struct SerialPiece
    {
        QByteArray bytes;
        int gapBeforeMs = 0;
        bool endsAck = false;
    };
    QList<SerialPiece> m_serialOutbox;
    QTimer m_serialTimer;
    int m_splitCount = 0;
    int m_acksOwed = 0;
    int m_chunksAheadOfAck = 0;

    SerialMode m_serialMode = SerialMode::Absent;
    QByteArray m_serialBuffer;
    bool m_receivingImage = false;
    QByteArray m_image;
    int m_imageAcked = 0;
    bool m_chattered = false;
    QByteArray m_lastImage;
    QString m_imageFileName;
    QTimer m_chunkIdleTimer;
    QTimer m_imageEndTimer;
    QTimer m_eraseTimer;
    QTimer m_rebootTimer;
    QTimer m_modeTimer;
    SerialMode m_pendingMode = SerialMode::Absent;
};
