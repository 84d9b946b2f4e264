// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPortCatalogue.h"

// A catalogue whose ports the owner sets, for tests and tools. Test ports are
// usually pseudo-terminals, so the panel talks to a real serial line.
class InMemorySerialPortCatalogue : public SerialPortCatalogue
{
public:
    QList<SerialPortEntry> availablePorts() const override { return m_ports; }

    void setPorts(const QList<SerialPortEntry> &ports) { m_ports = ports; }
    void addPort(const SerialPortEntry &port) { m_ports.append(port); }
    void removePort(const QString &portName)
    {
        for (int i = m_ports.size() - 1; i >= 0; --i) {
            if (m_ports.at(i).portName == portName)
                m_ports.removeAt(i);
        }
    }
    void clear() { m_ports.clear(); }

private:
    QList<SerialPortEntry> m_ports;
};
