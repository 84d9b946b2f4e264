// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UsbDescriptionSource.h"

// Reads the USB devices from sysfs: every directory of the devices folder
// that holds idVendor and idProduct is a device. Its description is taken
// from its "product" string and the "interface" strings of its interface
// directories (<device>:<config>.<interface>), preferring the one that names
// a unit. Emulated units of the registry follow the real devices.
//
// Walking sysfs by hand is kept over libudev: udev's device database adds
// nothing the two strings do not give here, and the fake tree of the tests
// stays a plain folder.
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
