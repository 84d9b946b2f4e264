// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <memory>

class MidiTimecodeIn;

// The MIDI input port. Every message the unit sends is emitted as one
// QByteArray from the driver's thread; receivers on the GUI thread get it
// queued, in arrival order.
//
// Short messages are always three bytes (status, data 1, data 2, unused bytes
// zero). A System Exclusive message is one F0 ... F7 array: either one filled
// receive buffer (at most 512 bytes, longer messages arrive in pieces that are
// not joined) or gathered from short words that begin with F0. While one is
// gathered, real-time words pass through on their own and any other status
// byte drops the unfinished message.
//
// With a quarter-frame decoder made (quarterFrameDecoder()), quarter frames
// are decoded on the driver's thread and not emitted: the decoder's reports
// take their place. What one piece reports is queued to the decoder's own
// (the GUI) thread as one event, in order with the messages, and the decoder
// emits it there.
class QMidiIn : public QObject, private MidiInputSink
{
    Q_OBJECT
public:
    // The driver is only used to open ports.
    QMidiIn(MidiDriver *driver, QObject *parent = nullptr);
    ~QMidiIn() override;

    // Opens the input with this driver port id; closes any open port first.
    bool openDevice(const QString &portId);
    void closeDevice();
    bool isOpen() const { return m_port != nullptr; }

    // Made on the first call, before a port is opened; a child of this port,
    // quiet between labels (see MidiTimecodeIn).
    MidiTimecodeIn *quarterFrameDecoder();

    // What the driver's callback calls, on the driver's thread. Public so
    // that tests and fuzz targets can hand bytes straight in; a fresh QMidiIn
    // (no port needed) is fresh gathering state.
    void shortMessage(quint8 status, quint8 data1, quint8 data2) override;
    void longMessage(const QByteArray &data) override;

    // No unit message comes near this; a gathered message that grows past it
    // is dropped.
    static constexpr int kMaxGatheredSysEx = 64 * 1024;
    // The state of the gathering, to be read only while nothing is delivered.
    int gatheredBytes() const { return m_accumulator.size(); }
    bool isSkippingSysEx() const { return m_discardingSysEx; }

signals:
    void midiMessageReceived(QByteArray message);

private:
    void deliver(const QByteArray &message);

    MidiDriver *m_driver;
    std::unique_ptr<MidiInputPort> m_port;
    // Raised while the port closes so that late callbacks are dropped.
    std::atomic<bool> m_closing{false};

    // Short words of a System Exclusive message in progress; driver thread only.
    QByteArray m_accumulator;
    // Skipping the rest of an over-long message until its F7; driver thread only.
    bool m_discardingSysEx = false;
    // Made before a port opens; from then on used on the driver thread only.
    MidiTimecodeIn *m_quarterFrames = nullptr;
};
