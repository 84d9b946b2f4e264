#pragma once

#include "serial/SerialPort.h"
#include "support/SerialUnitRig.h"

#include <QComboBox>

// A serial link of the panel's own kind over the unit rig's catalogue, with
// the port list a window would give it.
struct SerialLinkRig : SerialUnitRig
{
    // Without a box on failure.
    bool open() { return link.tryOpenPort(unit.portName(), 115200, nullptr); }

    QComboBox list;
    SerialPort link{&list, QStringLiteral("Larkspur"), &usb, &ports};
};
