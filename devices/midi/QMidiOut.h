// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class MidiDriver;

// The one MIDI output port of the panel. Everything the panel sends leaves
// here as a long (System Exclusive) message, with one trace line each.
//
// The driver's send runs on a thread of the port's own, so that a stuck MIDI
// system holds the GUI thread at most kSendTimeoutMs per message. A message
// that timed out before it was handed to the driver is dropped, never sent
// later; while the driver is still stuck in an earlier send, further messages
// fail at once. Closing waits for a stuck send at most kSendTimeoutMs too and
// then leaves the port to be released by its thread when the driver returns.
class QMidiOut
{
public:
    static constexpr int kSendTimeoutMs = 1000;

    explicit QMidiOut(MidiDriver *driver);
    ~QMidiOut();
    QMidiOut(const QMidiOut &) = delete;
    QMidiOut &operator=(const QMidiOut &) = delete;

    // Opens the output with this driver port id. Closes any open port first,
    // so a failed open leaves no port open.
    bool openDevice(const QString &portId);
    void closeDevice();
    bool isOpen() const { return m_sender != nullptr; }

    // Sends the bytes unchanged. False, traced, when the port is closed, the
    // driver reports a failure or the send timed out.
    bool sendLongMessage(const QByteArray &message);

private:
    struct Sender;
    MidiDriver *m_driver;
    std::shared_ptr<Sender> m_sender;
};
