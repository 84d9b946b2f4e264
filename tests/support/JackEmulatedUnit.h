// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/EmulatedUnit.h"

#include <QString>
#include <QThread>

#include <functional>

class RtMidiUnitLink;

// An emulated unit on a thread of its own, shown on the JACK graph through
// RtMidi as the stand-alone emulator shows it, for measurements of the panel
// against a unit that keeps its own clock.
class JackEmulatedUnit
{
public:
    // returnLagMs: see RtMidiUnitLink::setReturnLagMs; set before the unit is
    // powered on, as the stand-alone emulator does.
    explicit JackEmulatedUnit(UnitMessages::Model model = UnitMessages::Model::Tqr30Pro, int returnLagMs = 0);
    ~JackEmulatedUnit();
    JackEmulatedUnit(const JackEmulatedUnit &) = delete;
    JackEmulatedUnit &operator=(const JackEmulatedUnit &) = delete;

    // False when JACK could not be reached; errorText() says why.
    bool isOpen() const { return m_open; }
    QString errorText() const { return m_error; }
    QString portName() const { return m_portName; }

    // Runs `work` on the unit's thread and waits for it.
    void call(const std::function<void(EmulatedUnit &)> &work) const;

private:
    QThread m_thread;
    EmulatedUnit *m_unit = nullptr;
    RtMidiUnitLink *m_link = nullptr;
    bool m_open = false;
    QString m_error;
    QString m_portName;
};
