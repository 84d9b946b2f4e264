// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// The MIDI system as the panel sees it: numbered output and input ports with
// names and ids, opened by id. One real implementation talks to the operating
// system's MIDI service; an in-memory one serves tests and the built-in
// emulated unit.
//
// Port numbers are those of the last outputCount() or inputCount(), for
// reading names and ids; they change whenever ports come or go. Opening takes
// the port's id instead: a number from one listing may belong to another port
// by the time it is opened, since systems hand a freed slot to the next port
// that registers.

// Receives what an open input port delivers. Called on a thread of the driver,
// never on the GUI thread; implementations must only copy and hand over.
class MidiInputSink
{
public:
    virtual ~MidiInputSink() = default;
    // A short (channel, system common or real-time) message. Bytes a message
    // does not use are zero: F8 arrives as (F8, 00, 00).
    virtual void shortMessage(quint8 status, quint8 data1, quint8 data2) = 0;
    // A System Exclusive message, or a piece of one, as filled into one
    // receive buffer of at most kSysExBufferSize bytes.
    virtual void longMessage(const QByteArray &data) = 0;
};

// An open output port. Destroying it closes the port.
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;
    // Sends one long message exactly as given and returns once the driver has
    // finished with it; false when it failed. It may block as long as the MIDI
    // system does: QMidiOut runs it on a thread of its own and bounds the wait.
    // The port is destroyed on that thread too.
    virtual bool sendLong(const QByteArray &message) = 0;
};

// An open input port. Destroying it closes the port; once the destructor has
// returned, the sink is not called again.
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;
};

class MidiDriver
{
public:
    static constexpr int kSysExBufferSize = 512;

    virtual ~MidiDriver() = default;

    virtual int outputCount() = 0;
    virtual QString outputName(int index) = 0;
    virtual int inputCount() = 0;
    // Empty when the name of that input cannot be read; such inputs are skipped.
    virtual std::optional<QString> inputName(int index) = 0;

    // What tells a port apart for as long as it exists, whatever its number:
    // the system's own id of the port where it has one, else its name. Ports
    // that come again after they were gone may come back under another id.
    virtual QString outputId(int index) = 0;
    virtual QString inputId(int index) = 0;

    // Empty while the MIDI system works; otherwise one line for the user that
    // says which systems were tried.
    virtual QString unavailableText() const { return QString(); }

    // The port with this id (as outputId()/inputId() gave it), checked after
    // opening to be that port; nullptr when it is gone, was replaced or
    // cannot be opened.
    virtual std::unique_ptr<MidiOutputPort> openOutput(const QString &id) = 0;
    virtual std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) = 0;

    // The sound card (ALSA's card number) whose device has the port (output or
    // input) with this id, where the system says so; none for ports of
    // programs and on systems that do not tell.
    virtual std::optional<int> soundCardOf(const QString &portId)
    {
        Q_UNUSED(portId)
        return std::nullopt;
    }
};
