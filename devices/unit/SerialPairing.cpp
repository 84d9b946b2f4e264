// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit/SerialPairing.h"

#include "serial/SerialProtocol.h"

namespace SerialPairing {

namespace {

QString listedText(const QList<PortList::Entry> &listed, const QString &portName)
{
    for (const PortList::Entry &entry : listed) {
        if (entry.portName == portName)
            return entry.text;
    }
    return QString();
}

QString deviceOf(const QList<Port> &present, const QString &portName)
{
    for (const Port &port : present) {
        if (port.portName == portName)
            return port.usbDevice;
    }
    return QString();
}

} // namespace

Choice choose(const QString &unitName, const QString &unitDevice, const QList<Port> &present,
              const QList<PortList::Entry> &listed)
{
    if (!unitDevice.isEmpty()) {
        for (const Port &port : present) {
            if (port.usbDevice != unitDevice)
                continue;
            const QString text = listedText(listed, port.portName);
            // Upgrade mode is the transfer's business, not this pairing's.
            if (text.contains(QLatin1String(SerialProtocol::kUpgradeModeTag)))
                continue;
            return {port.portName, text, Reason::SameUsbDevice};
        }
    }
    QList<PortList::Entry> candidates;
    for (const PortList::Entry &entry : listed) {
        const QString device = unitDevice.isEmpty() ? QString() : deviceOf(present, entry.portName);
        if (device.isEmpty())
            candidates.append(entry);
    }
    const int at = PortList::pickUnitEntry(candidates, unitName);
    if (at < 0)
        return {};
    const PortList::Entry &entry = candidates.at(at);
    const QString model = PortList::seriesModelIn(entry.text);
    const Reason reason = !model.isEmpty() && model == PortList::seriesModelIn(unitName)
        ? Reason::SameModel
        : Reason::SameSeries;
    return {entry.portName, entry.text, reason};
}

QString reasonText(Reason reason)
{
    switch (reason) {
    case Reason::SameUsbDevice:
        return QStringLiteral("on the same USB device");
    case Reason::SameModel:
        return QStringLiteral("of the same model");
    case Reason::SameSeries:
        return QStringLiteral("of the series, no model told apart");
    case Reason::None:
        break;
    }
    return QString();
}

} // namespace SerialPairing
