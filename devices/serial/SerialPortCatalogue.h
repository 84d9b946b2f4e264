// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <memory>

class EmulatedPortRegistry;

// A serial port the system offers, with the USB identity behind it.
struct SerialPortEntry
{
    QString portName; // what QSerialPort::setPortName takes: "ttyACM0" or a full path
    bool hasVendorId = false;
    bool hasProductId = false;
    int vendorId = 0;  // 0 when the port has none
    int productId = 0;
    QString description; // the driver's own text, only for the log
    QString systemLocation;
    QString serialNumber;
    QString manufacturer;
};

// The serial ports present now, in the system's order.
class SerialPortCatalogue
{
public:
    virtual ~SerialPortCatalogue() = default;
    virtual QList<SerialPortEntry> availablePorts() const = 0;
};

// QSerialPortInfo::availablePorts() followed by the registry's emulated ports
// (registry may be null).
std::unique_ptr<SerialPortCatalogue> createSystemSerialPortCatalogue(
    const EmulatedPortRegistry *registry);
