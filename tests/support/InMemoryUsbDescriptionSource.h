// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UsbDescriptionSource.h"

// A device list the owner sets, filed by the same rules as the system's.
class InMemoryUsbDescriptionSource : public UsbDescriptionSource
{
public:
    UsbDescriptionMap findUsbDeviceDescriptions(const QString &, const QString &prefix,
                                                bool filterByPrefix) override
    {
        ++m_lookups;
        return buildUsbDescriptionMap(m_devices, prefix, filterByPrefix);
    }

    void setDevices(const QList<UsbDeviceRecord> &devices) { m_devices = devices; }
    void addDevice(int vendorId, int productId, const QString &description)
    {
        UsbDeviceRecord device;
        device.hasIds = true;
        device.vendorId = vendorId;
        device.productId = productId;
        device.description = description;
        m_devices.append(device);
    }
    void removeDevice(int vendorId, int productId)
    {
        for (int i = m_devices.size() - 1; i >= 0; --i) {
            if (m_devices.at(i).vendorId == vendorId && m_devices.at(i).productId == productId)
                m_devices.removeAt(i);
        }
    }
    int lookups() const { return m_lookups; }

private:
    QList<UsbDeviceRecord> m_devices;
    int m_lookups = 0;
};
