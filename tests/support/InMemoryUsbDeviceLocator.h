// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UsbDeviceLocator.h"

#include <QHash>

// USB devices the owner assigns to sound cards and serial ports; anything
// unassigned is on none, as an emulated unit is.
class InMemoryUsbDeviceLocator : public UsbDeviceLocator
{
public:
    QString deviceOfSoundCard(int card) const override { return m_cards.value(card); }
    QString deviceOfSerialPort(const QString &portName) const override { return m_ports.value(portName); }

    void placeSoundCard(int card, const QString &device) { m_cards.insert(card, device); }
    void placeSerialPort(const QString &portName, const QString &device) { m_ports.insert(portName, device); }

private:
    QHash<int, QString> m_cards;
    QHash<QString, QString> m_ports;
};
