// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/EmulatedUnit.h"

#include <QString>
#include <QThread>

#include <functional>

class InMemoryMidiDriver;
class InMemoryUnitLink;
class PtySerialLink;

// An emulated unit inside the panel's process, for the demo and for end-to-end
// tests: its MIDI ports in an in-memory MIDI system, its serial port (TQR-30
// series) as a pseudo-terminal announced in the emulated-port registry. The
// unit runs on a thread of its own, so that the panel's blocking waits do not
// stall its time code or its re-enumeration, as with a real device.
//
// Its MIDI ports are named after the model with " (built-in)", so that the
// menu tells it from a real unit or a stand-alone emulator of the same model;
// the name still pairs its two ports and still names the model.
class BuiltInUnit
{
public:
    struct Options
    {
        UnitMessages::Model model = UnitMessages::Model::Tqr30Pro;
        QString firmwareVersion = QStringLiteral("V1.0.2");
        QString registryDirectory; // empty: the registry's default
        EmulatedUnit::Timing timing = defaultTiming();
        EmulatedUnit::Faults faults;
    };
    // A unit on USB answers a few milliseconds after it was asked.
    static EmulatedUnit::Timing defaultTiming()
    {
        EmulatedUnit::Timing timing;
        timing.midiLatencyMs = 3;
        return timing;
    }

    BuiltInUnit(InMemoryMidiDriver *driver, const Options &options);
    explicit BuiltInUnit(InMemoryMidiDriver *driver);
    ~BuiltInUnit();
    BuiltInUnit(const BuiltInUnit &) = delete;
    BuiltInUnit &operator=(const BuiltInUnit &) = delete;

    // Runs `work` on the unit's thread and waits for it: the way to read or
    // change the unit's state from outside.
    void call(const std::function<void(EmulatedUnit &)> &work) const;
    EmulatedUnit *unit() const { return m_unit; }
    // The name of its MIDI ports, "TQR-30 Pro (built-in)".
    QString portName() const { return m_portName; }
    static QString portNameFor(UnitMessages::Model model);

    // The pty the panel opens; empty while the unit shows no serial port.
    QString serialPortPath() const;
    void unplug();
    void plugIn();

private:
    QThread m_thread;
    QString m_portName;
    EmulatedUnit *m_unit = nullptr;
    InMemoryUnitLink *m_midi = nullptr;
    PtySerialLink *m_serial = nullptr;
};
