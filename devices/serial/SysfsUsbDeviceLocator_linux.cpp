// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SysfsUsbDeviceLocator.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Interface, port and tty directories lie at most this far below the device.
constexpr int kMostLevelsUp = 4;

bool isUsbDevice(const QDir &dir)
{
    return dir.exists(QStringLiteral("idVendor")) && dir.exists(QStringLiteral("idProduct"));
}

} // namespace

SysfsUsbDeviceLocator::SysfsUsbDeviceLocator(const QString &sysfsRoot)
    : m_root(sysfsRoot)
{
}

QString SysfsUsbDeviceLocator::deviceOfSoundCard(int card) const
{
    if (card < 0)
        return QString();
    return deviceAbove(QStringLiteral("class/sound/card%1").arg(card));
}

QString SysfsUsbDeviceLocator::deviceOfSerialPort(const QString &portName) const
{
    // "/dev/ttyACM0" and "ttyACM0" are one tty; a pseudo-terminal's
    // "/dev/pts/3" has no entry and so no device.
    const QString name = QFileInfo(portName).fileName();
    if (name.isEmpty())
        return QString();
    return deviceAbove(QStringLiteral("class/tty/") + name);
}

QString SysfsUsbDeviceLocator::deviceAbove(const QString &classEntry) const
{
    const QString function = QFileInfo(QDir(m_root).filePath(classEntry + QStringLiteral("/device")))
                                 .canonicalFilePath();
    if (function.isEmpty())
        return QString(); // no such entry, or a link that leads nowhere
    QDir dir(function);
    for (int level = 0; level <= kMostLevelsUp; ++level) {
        if (isUsbDevice(dir))
            return dir.canonicalPath();
        if (!dir.cdUp())
            break;
    }
    return QString();
}

std::unique_ptr<UsbDeviceLocator> createSystemUsbDeviceLocator()
{
    return std::make_unique<SysfsUsbDeviceLocator>();
}
