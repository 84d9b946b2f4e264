#include "serial/UsbDescriptionSource.h"

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
