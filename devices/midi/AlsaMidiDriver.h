// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <rtmidi/RtMidi.h>

#include <QStringList>

#include <atomic>
#include <memory>

// The MIDI system through RtMidi's own clients: the ALSA sequencer on Linux,
// the system's service elsewhere. RtMidiDriver chooses it.
//
// One RtMidi client per direction lives as long as the driver, named
// "<clientName> In" and "<clientName> Out" (two different names). Enumeration
// reuses them, so the one-second port scan creates no clients. The input
// client holds at most one open port; each open output gets a client of its
// own. The driver's own ports are not listed.
//
// A port's id is the system's full name of it, "client:port 20:0" on ALSA (the
// numbers, its address, change when a device is plugged in again). ALSA opens
// by number only, so the port's number is looked up by its address right
// before opening and checked again after: the sequencer hands a freed slot to
// the next port that registers.
//
// Port names: ALSA reports "client:port 20:0". The trailing numbers go; what
// remains is the port name when it already starts with the client name (USB
// devices: "TQR-30 Pro:TQR-30 Pro MIDI 1" -> "TQR-30 Pro MIDI 1"), else
// "client:port". A USB unit's input and output are one sequencer port, so both
// directions get the same name and pair.
class AlsaMidiDriver : public MidiDriver
{
public:
    // Null when neither direction's client can be made. api is the system to
    // use, or RtMidi::UNSPECIFIED for RtMidi's default. inputTaken is true
    // while an input port of the panel is open, whichever driver opened it.
    static std::unique_ptr<AlsaMidiDriver> open(RtMidi::Api api, const QString &clientName,
                                                std::shared_ptr<std::atomic<bool>> inputTaken);
    ~AlsaMidiDriver() override;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    QString outputId(int index) override;
    QString inputId(int index) override;
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;
    // From the port's address: a USB device's sequencer client has its card.
    std::optional<int> soundCardOf(const QString &portId) override;

    // RtMidi's name of the system in use ("ALSA" ...).
    QString apiName() const;

    // The readable names for the raw names of one direction, in order (see
    // above). Own ports are not filtered here.
    static QStringList cleanNames(const QStringList &rawNames);

private:
    class OutputPort;
    class InputPort;

    AlsaMidiDriver(const QString &clientName, std::shared_ptr<std::atomic<bool>> inputTaken);

    // The ports of one direction as last listed that are not our own: the
    // clean name and the id of each.
    struct Listing
    {
        QStringList names;
        QStringList ids;
    };
    Listing list(bool outputs) const;

    QString m_clientName;
    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
    std::shared_ptr<std::atomic<bool>> m_inputTaken;
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    Listing m_outputs;
    Listing m_inputs;
};
