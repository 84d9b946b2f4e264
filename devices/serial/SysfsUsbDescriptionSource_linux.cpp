// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SysfsUsbDescriptionSource.h"

#include "serial/EmulatedPortRegistry.h"

#include <QDir>
#include <QFile>

namespace {

QString readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Attributes end in a newline; descriptions may hold trailing blanks of their own.
    QByteArray text = file.readAll();
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return QString::fromUtf8(text);
}

bool readHexAttribute(const QString &path, int *value)
{
    bool ok = false;
    *value = readAttribute(path).trimmed().toInt(&ok, 16);
    return ok;
}

} // namespace

SysfsUsbDescriptionSource::SysfsUsbDescriptionSource(const QString &devicesRoot,
                                                     const EmulatedPortRegistry *registry)
    : m_root(devicesRoot)
    , m_registry(registry)
{
}

QList<UsbDeviceRecord> SysfsUsbDescriptionSource::readDevices() const
{
    QList<UsbDeviceRecord> devices;
    const QDir root(m_root);
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System,
                                             QDir::Name);
    for (const QString &name : names) {
        const QString dir = root.filePath(name);
        UsbDeviceRecord device;
        if (!readHexAttribute(dir + QLatin1String("/idVendor"), &device.vendorId)
            || !readHexAttribute(dir + QLatin1String("/idProduct"), &device.productId))
            continue;
        device.hasIds = true;
        QStringList strings{readAttribute(dir + QLatin1String("/product"))};
        const QStringList interfaces = root.entryList({name + QLatin1String(":*")},
                                                      QDir::Dirs | QDir::System, QDir::Name);
        for (const QString &interface : interfaces)
            strings.append(readAttribute(root.filePath(interface) + QLatin1String("/interface")));
        device.description = preferredUnitDescription(strings);
        if (device.description.isEmpty())
            continue; // a device that reports no description cannot be told apart
        devices.append(device);
    }
    return devices;
}

UsbDescriptionMap SysfsUsbDescriptionSource::findUsbDeviceDescriptions(const QString &enumerator,
                                                                       const QString &prefix,
                                                                       bool filterByPrefix)
{
    if (enumerator.compare(QLatin1String("USB"), Qt::CaseInsensitive) != 0)
        return UsbDescriptionMap();
    QList<UsbDeviceRecord> devices = readDevices();
    if (m_registry) {
        for (const EmulatedPortRegistry::Entry &entry : m_registry->entries()) {
            UsbDeviceRecord device;
            device.hasIds = true;
            device.vendorId = entry.vendorId;
            device.productId = entry.productId;
            device.description = entry.description;
            devices.append(device);
        }
    }
    return buildUsbDescriptionMap(devices, prefix, filterByPrefix);
}

std::unique_ptr<UsbDescriptionSource> createSystemUsbDescriptionSource(
    const EmulatedPortRegistry *registry)
{
    return std::make_unique<SysfsUsbDescriptionSource>(
        QString::fromLatin1(SysfsUsbDescriptionSource::kDefaultRoot), registry);
}
