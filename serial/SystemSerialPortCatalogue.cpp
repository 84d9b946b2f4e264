#include "serial/SystemSerialPortCatalogue.h"

#include "serial/EmulatedPortRegistry.h"

#include <QSerialPortInfo>

SystemSerialPortCatalogue::SystemSerialPortCatalogue(const EmulatedPortRegistry *registry)
    : m_registry(registry)
{
}

QList<SerialPortEntry> SystemSerialPortCatalogue::availablePorts() const
{
    QList<SerialPortEntry> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortEntry port;
        port.portName = info.portName();
        port.hasVendorId = info.hasVendorIdentifier();
        port.hasProductId = info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        port.description = info.description();
        port.systemLocation = info.systemLocation();
        port.serialNumber = info.serialNumber();
        port.manufacturer = info.manufacturer();
        ports.append(port);
    }
    if (m_registry) {
        for (const EmulatedPortRegistry::Entry &entry : m_registry->entries())
            ports.append(EmulatedPortRegistry::toPortEntry(entry));
    }
    return ports;
}

std::unique_ptr<SerialPortCatalogue> createSystemSerialPortCatalogue(
    const EmulatedPortRegistry *registry)
{
    return std::make_unique<SystemSerialPortCatalogue>(registry);
}
