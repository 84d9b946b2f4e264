// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

// A MIDI system that lives in the process: for tests and for the built-in
// emulated unit. Ports are added and removed at run time and numbered, per
// direction, in the order they were added (removing one renumbers the rest,
// as a real system does when a device is unplugged).
//
// "Output" and "input" are the panel's view: the panel writes to an output
// port, whose receiver is called; it reads from an input port, which the
// other side feeds with send().
//
// Threads: a receiver is called synchronously on the thread that sends, inside
// MidiOutputPort::sendLong (QMidiOut's sending thread); a receiver that blocks
// plays a stuck MIDI system. Messages given to send() are delivered to the open
// input port on the driver's own delivery thread, in order, as the real
// drivers do.
class InMemoryMidiDriver : public MidiDriver
{
public:
    using Receiver = std::function<void(const QByteArray &message)>;

    // The two ports of one unit, both under the same name.
    struct Device
    {
        int output = -1;
        int input = -1;
    };

    InMemoryMidiDriver();
    ~InMemoryMidiDriver() override;

    // Port ids are stable for the life of the port, unlike port numbers.
    int addOutputPort(const QString &name, Receiver receiver);
    int addInputPort(const QString &name);
    Device addDevice(const QString &name, Receiver receiver);
    // The port disappears; an open port on it stops working (sends fail,
    // nothing more is delivered).
    void removePort(int id);
    void removeDevice(const Device &device);
    void renamePort(int id, const QString &name);
    // An input whose name cannot be read, as some drivers report.
    void setInputNameReadable(int id, bool readable);
    // An output that refuses to open, as one held by another program.
    void setOutputOpenable(int id, bool openable);

    // Feeds bytes into an input port, as the device would send them. A System
    // Exclusive message (first byte F0) is handed over in receive-buffer sized
    // pieces; anything else as short messages of one to three bytes, split by
    // status byte.
    void send(int inputId, const QByteArray &bytes);
    // Feeds one packed short word, the way some drivers deliver SysEx.
    void sendShort(int inputId, quint8 status, quint8 data1 = 0, quint8 data2 = 0);
    // Returns once everything given to send() so far has been delivered.
    void flush();

    // True while the panel has an input port open on this id.
    bool isInputOpen(int inputId) const;
    bool isOutputOpen(int outputId) const;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    // The port id, written as decimal text.
    QString outputId(int index) override;
    QString inputId(int index) override;
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;

    // The output's device is that sound card, as a USB unit's is; read and
    // set on the owner's thread only.
    void setSoundCard(int portId, int card) { m_soundCards.insert(portId, card); }
    std::optional<int> soundCardOf(const QString &portId) override;

private:
    struct State;
    class OpenedPort;
    class OutputPort;
    class InputPort;
    std::shared_ptr<State> m_state;
    QHash<int, int> m_soundCards;
};
