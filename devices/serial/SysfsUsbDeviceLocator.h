// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UsbDeviceLocator.h"

// Follows sysfs: class/sound/card<N>/device and class/tty/<name>/device lead
// to the function's USB interface (for some serial drivers to a port below
// it); the first directory above that holds idVendor and idProduct is the
// device. Its resolved path names it.
class SysfsUsbDeviceLocator : public UsbDeviceLocator
{
public:
    static constexpr char kDefaultRoot[] = "/sys";

    explicit SysfsUsbDeviceLocator(const QString &sysfsRoot = QString::fromLatin1(kDefaultRoot));

    QString deviceOfSoundCard(int card) const override;
    QString deviceOfSerialPort(const QString &portName) const override;

private:
    QString deviceAbove(const QString &classEntry) const;

    QString m_root;
};
