#pragma once

#include <QByteArray>

#include <memory>

class MidiDriver;
class MidiOutputPort;

// The one MIDI output port of the panel. Everything the panel sends leaves
// here as a long (System Exclusive) message.
class QMidiOut
{
public:
    // How long a send may wait for the driver before it is given up.
    static constexpr int kSendTimeoutMs = 1000;

    explicit QMidiOut(MidiDriver *driver);
    ~QMidiOut();
    QMidiOut(const QMidiOut &) = delete;
    QMidiOut &operator=(const QMidiOut &) = delete;

    // Closes any open port first, so a failed open leaves no port open.
    bool openDevice(int index);
    void closeDevice();
    bool isOpen() const { return m_port != nullptr; }

    // Sends the bytes unchanged; does nothing while closed.
    void sendLongMessage(const QByteArray &message);

private:
    MidiDriver *m_driver;
    std::unique_ptr<MidiOutputPort> m_port;
};
