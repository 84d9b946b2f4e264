#pragma once

#include "serial/SerialPortCatalogue.h"

// The ports Qt finds on this system, then the emulated units' pseudo-terminals.
class SystemSerialPortCatalogue : public SerialPortCatalogue
{
public:
    explicit SystemSerialPortCatalogue(const EmulatedPortRegistry *registry = nullptr);
    QList<SerialPortEntry> availablePorts() const override;

private:
    const EmulatedPortRegistry *m_registry;
};
