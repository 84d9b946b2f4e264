// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/UsbDescriptionSource.h"

#include "serial/UnitUsbNames.h"

#include <QStringList>

bool namesUnit(const QString &text)
{
    return text.contains(QLatin1String(UnitUsbNames::kBrandWord))
        || text.contains(QLatin1String(UnitUsbNames::kUpgradeModeName));
}

QString preferredUnitDescription(const QStringList &strings)
{
    for (const QString &text : strings) {
        if (namesUnit(text))
            return text;
    }
    for (const QString &text : strings) {
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

UsbDescriptionMap buildUsbDescriptionMap(const QList<UsbDeviceRecord> &devices,
                                         const QString &prefix, bool filterByPrefix)
{
    UsbDescriptionMap map;
    for (const UsbDeviceRecord &device : devices) {
        if (!device.hasIds)
            continue;
        if (filterByPrefix && !device.description.startsWith(prefix))
            continue;
        const UsbKey key(device.productId, device.vendorId);
        if (!map.contains(key))
            map.insert(key, device.description);
    }
    return map;
}
