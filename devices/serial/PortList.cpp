// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortList.h"

#include "serial/SerialProtocol.h"

#include <QRegularExpression>
#include <QDebug>
#include <QSet>

namespace PortList {

void refresh(SerialPortListModel *list, const UsbDescriptionMap &descriptions,
             const QList<SerialPortEntry> &ports, bool logEachPort)
{
    QStringList oldTexts;
    for (const Entry &entry : list->entries())
        oldTexts.append(entry.text);

    QSet<QString> handled;
    for (const SerialPortEntry &port : ports) {
        if (logEachPort) {
            qDebug().noquote() << "VID:" << port.vendorId << ", PID:" << port.productId
                               << ", description:" << port.description
                               << ", locate:" << port.systemLocation
                               << ", number:" << port.serialNumber
                               << ", manufacturer:" << port.manufacturer;
        }
        const UsbKey key(port.productId, port.vendorId);
        const auto found = descriptions.constFind(key);
        QString text = found == descriptions.constEnd() ? QString() : found.value();
        // Qt's own description comes from udev; it may name the unit where
        // the bus strings read here do not.
        if (!namesUnit(text) && namesUnit(port.description))
            text = port.description;
        if (text.isEmpty())
            continue;
        if (handled.contains(text))
            continue;
        handled.insert(text);
        if (!oldTexts.contains(text)) {
            list->append(text, port.portName);
        } else {
            // The same device may come back under another port name after a
            // re-plug between two refreshes; the entry must open the new one.
            list->setPortName(list->rowOf(text), port.portName);
        }
    }

    for (const QString &text : qAsConst(oldTexts)) {
        if (handled.contains(text))
            continue;
        const int row = list->rowOf(text);
        if (row >= 0)
            list->removeRow(row);
    }
}

QString findPortContaining(const SerialPortListModel &list, const QString &tag)
{
    for (const Entry &entry : list.entries()) {
        if (entry.text.contains(tag, Qt::CaseSensitive))
            return entry.portName;
    }
    return QString();
}

QString seriesModelIn(const QString &text)
{
    static const QRegularExpression model(QStringLiteral("TQR-30(?![0-9A-Za-z])( Pro(?![0-9A-Za-z]))?"));
    const QRegularExpressionMatch match = model.match(text);
    return match.hasMatch() ? match.captured(0) : QString();
}

int pickUnitEntry(const QList<Entry> &entries, const QString &unitName)
{
    const QString wanted = seriesModelIn(unitName);
    int unnamed = -1;
    for (int i = 0; i < entries.size(); ++i) {
        const QString &text = entries.at(i).text;
        // A unit in upgrade mode is the transfer's business, not this pairing's.
        if (!text.contains(QLatin1String(SerialProtocol::kSeriesTag))
            || text.contains(QLatin1String(SerialProtocol::kUpgradeModeTag)))
            continue;
        const QString model = seriesModelIn(text);
        if (model == wanted)
            return i;
        // Another model's port is never this unit's.
        if ((model.isEmpty() || wanted.isEmpty()) && unnamed < 0)
            unnamed = i;
    }
    return unnamed;
}

} // namespace PortList
