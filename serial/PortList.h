#pragma once

#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"

#include <QString>

class QComboBox;

// A serial port list shows each port under the description its USB device
// reports; the port name to open rides along as the entry's Qt::UserRole data.
// Entries are matched by text, so ports whose devices report the same
// description share one entry and the first port listed keeps it.
namespace PortList {

// Adds the ports that appeared and removes the entries whose device is gone;
// entries that stay keep their place. Ports whose identity is not in the map
// are not listed, unless the port's own description names a unit, which then
// also wins over a map text that does not. With logEachPort one log line per available port is written.
void refresh(QComboBox *list, const UsbDescriptionMap &descriptions,
             const QList<SerialPortEntry> &ports, bool logEachPort = false);

// The port name of the first entry whose text contains tag (case-sensitive),
// or an empty string.
QString findPortContaining(const QComboBox *list, const QString &tag);

} // namespace PortList
