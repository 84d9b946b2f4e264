#pragma once

#include "serial/UsbDescriptionSource.h"

// Reads the USB devices from sysfs: every directory of the devices folder
// that holds idVendor and idProduct is a device, its "product" file the
// description it reports. Interfaces and hubs without those files are
// skipped. Emulated units of the registry follow the real devices.
class SysfsUsbDescriptionSource : public UsbDescriptionSource
{
public:
    static constexpr char kDefaultRoot[] = "/sys/bus/usb/devices";

    explicit SysfsUsbDescriptionSource(const QString &devicesRoot = QString::fromLatin1(kDefaultRoot),
                                       const EmulatedPortRegistry *registry = nullptr);

    UsbDescriptionMap findUsbDeviceDescriptions(const QString &enumerator, const QString &prefix,
                                                bool filterByPrefix) override;

    // The devices in directory-name order, without the registry's.
    QList<UsbDeviceRecord> readDevices() const;

private:
    QString m_root;
    const EmulatedPortRegistry *m_registry;
};
