#include "serial/PortList.h"

#include <QComboBox>
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

} // namespace PortList
