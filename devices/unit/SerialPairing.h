// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/PortList.h"

#include <QList>
#include <QString>

// Which serial port belongs to the unit whose MIDI port the user picked.
//
// Where the system says which USB device the unit's MIDI port is on, the
// serial port on that same device is the unit's, whatever the two report:
// two units of one model describe themselves alike. Otherwise the model
// rule of PortList::pickUnitEntry picks among the listed ports, leaving out
// those known to be on another USB device (another unit's, whose own MIDI
// port is elsewhere).
namespace SerialPairing {

enum class Reason {
    None,
    SameUsbDevice, // on the USB device of the unit's MIDI port
    SameModel,     // its description names the unit's model
    SameSeries,    // one side names no model; the first of the series
};

// A serial port present now; usbDevice as UsbDeviceLocator names it, empty
// when unknown.
struct Port
{
    QString portName;
    QString usbDevice;
};

struct Choice
{
    QString portName;
    QString text; // as listed; for a port not listed, empty
    Reason reason = Reason::None;
};

// unitName: the MIDI port's name without its number; unitDevice: the USB
// device of that port, empty when unknown. present: every serial port there
// is; listed: the port list, one entry per description (so of two alike
// units only one is listed, and the device rule looks at present ones).
Choice choose(const QString &unitName, const QString &unitDevice, const QList<Port> &present,
              const QList<PortList::Entry> &listed);

// "on the same USB device as ..." and the like, for the trace.
QString reasonText(Reason reason);

} // namespace SerialPairing
