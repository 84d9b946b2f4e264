// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/InMemoryUsbDeviceLocator.h"
#include "support/SerialUnitRig.h"

#include <QStringList>

#include <memory>

class SerialPort;

// The main window over in-memory MIDI and the unit rig's USB descriptions and
// serial ports, with the unit listed and re-enumerating in upgrade mode when
// told to prepare. The transfer's waits are short, so a whole upgrade takes
// well under a second.
struct SerialWindowRig : SerialUnitRig
{
    // The MIDI outputs the in-memory system lists; they swallow what is sent.
    explicit SerialWindowRig(const QStringList &midiDevices = {QStringLiteral("TQR-30 Pro")});

    SerialPort *link() const { return window->serialLink(); }

    InMemoryMidiDriver midi;
    // Empty: nothing links a MIDI port to a serial port's USB device.
    InMemoryUsbDeviceLocator usbDevices;
    std::unique_ptr<MainWindow> window;
};
