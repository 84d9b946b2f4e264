#include "serial/PortList.h"

#include "serial/SerialProtocol.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QDebug>
#include <QIcon>
#include <QSet>

namespace PortList {

void refresh(QComboBox *list, const UsbDescriptionMap &descriptions,
             const QList<SerialPortEntry> &ports, bool logEachPort)
{
    QStringList oldTexts;
    for (int i = 0; i < list->count(); ++i)
        oldTexts.append(list->itemText(i));

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
            list->addItem(QIcon(), text, port.portName);
        } else {
            // The same device may come back under another port name after a
            // re-plug between two refreshes; the entry must open the new one.
            const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (index >= 0 && list->itemData(index, Qt::UserRole).toString() != port.portName)
                list->setItemData(index, port.portName, Qt::UserRole);
        }
    }

    for (const QString &text : qAsConst(oldTexts)) {
        if (handled.contains(text))
            continue;
        const int index = list->findData(text, Qt::DisplayRole, Qt::MatchCaseSensitive);
        if (index >= 0)
            list->removeItem(index);
    }
}

QString findPortContaining(const QComboBox *list, const QString &tag)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).contains(tag, Qt::CaseSensitive))
            return list->itemData(i, Qt::UserRole).toString();
    }
    return QString();
}

QList<Entry> entries(const QComboBox *list)
{
    QList<Entry> all;
    for (int i = 0; i < list->count(); ++i)
        all.append({list->itemText(i), list->itemData(i, Qt::UserRole).toString()});
    return all;
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
