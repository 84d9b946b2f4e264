// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <QElapsedTimer>

#include <atomic>
#include <memory>

class AlsaMidiDriver;
class JackMidiDriver;

// The MIDI system of the computer: the ALSA sequencer on Linux through RtMidi
// (AlsaMidiDriver), or a JACK server (JackMidiDriver) when QUILL_MIDI_API=jack
// or when the sequencer cannot be opened; elsewhere RtMidi's own default.
// Each system is probed quietly before it is opened. When none can be opened,
// one line saying so goes to standard error, unavailableText() keeps it for
// the window, and the systems are tried again, quietly, every
// kRetryIntervalMs while ports are listed. A JACK server that stops leaves the
// driver without a system until one can be opened again.
//
// Numbering is that of the last outputCount()/inputCount(); ports are opened
// by id (see the two drivers for what an id is on each). One input port is
// open at a time, whichever system opened it.
class RtMidiDriver : public MidiDriver
{
public:
    explicit RtMidiDriver(const QString &clientName = QStringLiteral("Quill Tool"));
    ~RtMidiDriver() override;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    QString outputId(int index) override;
    QString inputId(int index) override;
    QString unavailableText() const override;
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;
    std::optional<int> soundCardOf(const QString &portId) override;

    // Which system is in use, for the log and the About box ("ALSA", "Jack" ...).
    QString apiName() const;

    static constexpr int kRetryIntervalMs = 10000;

private:
    // The driver of the system in use, null without one.
    MidiDriver *system() const;
    void openSystem();
    void retryIfUnavailable();

    QString m_clientName;
    QString m_unavailable;
    bool m_toldUnavailable = false;
    QElapsedTimer m_lastAttempt;
    // The input port is taken (an open input of either system is alive).
    std::shared_ptr<std::atomic<bool>> m_inputTaken = std::make_shared<std::atomic<bool>>(false);
    // At most one of the two.
    std::unique_ptr<AlsaMidiDriver> m_alsa;
    std::unique_ptr<JackMidiDriver> m_jack;
};
