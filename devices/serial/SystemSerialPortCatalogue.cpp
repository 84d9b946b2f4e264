// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SystemSerialPortCatalogue.h"

#include "serial/EmulatedPortRegistry.h"
#include "serial/PlatformAccess.h"

#include <QDateTime>
#include <QSerialPortInfo>

#include <utility>

namespace {
QList<SerialPortEntry> systemPorts()
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
    return ports;
}
} // namespace

SystemSerialPortCatalogue::SystemSerialPortCatalogue(const EmulatedPortRegistry *registry)
    : SystemSerialPortCatalogue(registry, systemPorts, PlatformAccess::deviceFolderStamp, kSettleMs,
                                QDateTime::currentSecsSinceEpoch)
{
}

SystemSerialPortCatalogue::SystemSerialPortCatalogue(const EmulatedPortRegistry *registry, Walk walk, Stamp stamp,
                                                     int settleMs, Clock now)
    : m_registry(registry)
    , m_walk(std::move(walk))
    , m_stamp(std::move(stamp))
    , m_settleMs(settleMs)
    , m_now(std::move(now))
{
}

QList<SerialPortEntry> SystemSerialPortCatalogue::availablePorts() const
{
    const quint64 stamp = m_stamp();
    if (stamp == 0 || !m_sinceChange.isValid() || stamp != m_lastStamp) {
        // The stamp's second may hold the change, so the window reaches a
        // second past it.
        const bool longAgo = m_now() - qint64(stamp) > 1 + m_settleMs / 1000;
        m_settling = stamp == 0 || m_sinceChange.isValid() || !longAgo;
        m_lastStamp = stamp;
        m_sinceChange.start();
        m_walked = m_walk();
    } else if (m_settling && m_sinceChange.elapsed() < m_settleMs) {
        m_walked = m_walk();
    }
    QList<SerialPortEntry> ports = m_walked;
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
