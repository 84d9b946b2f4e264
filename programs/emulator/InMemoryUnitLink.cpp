// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/InMemoryUnitLink.h"

#include "emulator/EmulatedUnit.h"

#include <QPointer>

InMemoryUnitLink::InMemoryUnitLink(EmulatedUnit *unit, InMemoryMidiDriver *driver, const QString &portName,
                                   QObject *parent)
    : QObject(parent)
    , m_unit(unit)
    , m_driver(driver)
    , m_portName(portName)
{
    connect(unit, &EmulatedUnit::presenceChanged, this, &InMemoryUnitLink::follow);
    connect(unit, &EmulatedUnit::midiOut, this, [this](const QByteArray &message) {
        if (m_device.input >= 0)
            m_driver->send(m_device.input, message);
    });
    follow(unit->isPresent());
}

InMemoryUnitLink::~InMemoryUnitLink()
{
    follow(false);
}

void InMemoryUnitLink::follow(bool present)
{
    if (present == isPresent())
        return;
    if (!present) {
        m_driver->removeDevice(m_device);
        m_device = {};
        return;
    }
    // The panel's send returns before the unit has read the message: the unit
    // answers from its own thread, as hardware would.
    QPointer<EmulatedUnit> unit(m_unit);
    m_device = m_driver->addDevice(m_portName, [unit](const QByteArray &message) {
        if (unit)
            QMetaObject::invokeMethod(unit, [unit, message] {
                if (unit)
                    unit->receiveMidi(message);
            }, Qt::QueuedConnection);
    });
}
