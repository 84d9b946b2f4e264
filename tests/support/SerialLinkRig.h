// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPort.h"
#include "serial/SerialPortListModel.h"
#include "support/SerialUnitRig.h"

// A serial link of the panel's own kind over the unit rig's catalogue.
struct SerialLinkRig : SerialUnitRig
{
    bool open() { return link.tryOpenPort(unit.portName(), 115200, nullptr); }

    SerialPort link{QStringLiteral("Larkspur"), &usb, &ports};
    const SerialPortListModel &list = *link.portList();
};
