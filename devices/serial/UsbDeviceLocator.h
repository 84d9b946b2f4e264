// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

// Which USB device a sound card or a serial port is a function of. A unit
// offers its MIDI port and its serial port as two functions of one USB
// device, so two units of the same model are told apart by this.
//
// A device is named by a text that is the same for every function of one
// device and differs between devices (on Linux its sysfs path); empty when
// the card or port is on no USB device or the system does not say.
class UsbDeviceLocator
{
public:
    virtual ~UsbDeviceLocator() = default;
    virtual QString deviceOfSoundCard(int card) const = 0;
    // portName as QSerialPort takes it: "ttyACM0" or a full path.
    virtual QString deviceOfSerialPort(const QString &portName) const = 0;
};

// The system's own; null where the system does not say.
std::unique_ptr<UsbDeviceLocator> createSystemUsbDeviceLocator();
