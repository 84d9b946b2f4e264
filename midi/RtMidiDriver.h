#pragma once

#include "midi/MidiDriver.h"

#include <memory>

class RtMidiIn;
class RtMidiOut;

// The MIDI system of the computer through RtMidi: the ALSA sequencer on Linux
// (JACK when QUILL_MIDI_API=jack or when the sequencer cannot be opened),
// WinMM on Windows and CoreMIDI on macOS.
//
// One RtMidi client per direction lives as long as the driver: enumeration
// reuses it, so the one-second port scan creates no clients. Each client can
// hold one open port at a time.
class RtMidiDriver : public MidiDriver
{
public:
    explicit RtMidiDriver(const QString &clientName = QStringLiteral("Quill Tool"));
    ~RtMidiDriver() override;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    std::unique_ptr<MidiOutputPort> openOutput(int index) override;
    std::unique_ptr<MidiInputPort> openInput(int index, MidiInputSink *sink) override;

    // Which system is in use, for the log and the About box ("ALSA", "JACK" ...).
    QString apiName() const;

private:
    class OutputPort;
    class InputPort;

    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
};
