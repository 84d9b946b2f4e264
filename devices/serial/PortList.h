// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPortCatalogue.h"
#include "serial/SerialPortListModel.h"
#include "serial/UsbDescriptionSource.h"

#include <QString>

// A serial port list shows each port under the description its USB device
// reports; the port name to open rides along as the entry's Qt::UserRole data.
// Entries are matched by text, so ports whose devices report the same
// description share one entry and the first port listed keeps it.
namespace PortList {

// Adds the ports that appeared and removes the entries whose device is gone;
// entries that stay keep their place. Ports whose identity is not in the map
// are not listed, unless the port's own description names a unit, which then
// also wins over a map text that does not. With logEachPort one log line per available port is written.
void refresh(SerialPortListModel *list, const UsbDescriptionMap &descriptions,
             const QList<SerialPortEntry> &ports, bool logEachPort = false);

// The port name of the first entry whose text contains tag (case-sensitive),
// or an empty string.
QString findPortContaining(const SerialPortListModel &list, const QString &tag);

// One entry: the description shown and the port name behind it.
using Entry = SerialPortListModel::Entry;

// The model a text names: "TQR-30 Pro", "TQR-30", or empty.
QString seriesModelIn(const QString &text);
// Which entry is the serial port of the unit whose MIDI port is named
// unitName: the first of the series whose description names the same model,
// else the first of the series where only one side names a model, never one
// that names another model; -1 when there is none.
int pickUnitEntry(const QList<Entry> &entries, const QString &unitName);

} // namespace PortList
