// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/InMemoryMidiDriver.h"

#include <QObject>

class EmulatedUnit;

// Puts an emulated unit's MIDI ports into an in-memory MIDI system: one output
// and one input under one port name while the unit is present. What the
// panel writes reaches the unit on the unit's own thread; what the unit sends
// is fed into the input port.
//
// Lives on the unit's thread; the driver is borrowed and must outlive it.
class InMemoryUnitLink : public QObject
{
    Q_OBJECT
public:
    InMemoryUnitLink(EmulatedUnit *unit, InMemoryMidiDriver *driver, const QString &portName,
                     QObject *parent = nullptr);
    ~InMemoryUnitLink() override;

    bool isPresent() const { return m_device.output >= 0; }
    InMemoryMidiDriver::Device device() const { return m_device; }

private:
    void follow(bool present);

    EmulatedUnit *m_unit;
    InMemoryMidiDriver *m_driver;
    QString m_portName;
    InMemoryMidiDriver::Device m_device;
};
