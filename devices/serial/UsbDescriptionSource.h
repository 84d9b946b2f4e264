// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>

class EmulatedPortRegistry;

// (product id, vendor id), compared in that order.
using UsbKey = QPair<int, int>;
// The description each USB device reports on the bus, by its identifiers.
using UsbDescriptionMap = QMap<UsbKey, QString>;

// One present USB device as the system lists it.
struct UsbDeviceRecord
{
    bool hasIds = false;
    int vendorId = 0;
    int productId = 0;
    QString description;
};

// Where the bus-reported descriptions of the present USB devices come from.
class UsbDescriptionSource
{
public:
    virtual ~UsbDescriptionSource() = default;
    // enumerator names the bus ("USB"). With filterByPrefix only devices whose
    // description begins with prefix are taken.
    virtual UsbDescriptionMap findUsbDeviceDescriptions(const QString &enumerator,
                                                        const QString &prefix,
                                                        bool filterByPrefix) = 0;
};

// Of the strings a device reports (its product string first, then the
// strings of its interfaces), the first that names a unit by the brand word
// or the upgrade-mode name; else the first that is not empty. Some units put
// the words only in the interface string.
QString preferredUnitDescription(const QStringList &strings);
bool namesUnit(const QString &text);

// Files the records in order; the first device with a given pair wins. A
// device without identifiers is left out: filing it under some other
// device's pair (or under 0:0, where built-in serial ports sit) would put
// its description on a port it does not own.
UsbDescriptionMap buildUsbDescriptionMap(const QList<UsbDeviceRecord> &devices,
                                         const QString &prefix, bool filterByPrefix);

// The system's own source, with the emulated units of the registry added
// (registry may be null).
std::unique_ptr<UsbDescriptionSource> createSystemUsbDescriptionSource(
    const EmulatedPortRegistry *registry);
