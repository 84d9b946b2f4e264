// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SerialWindowRig.h"

#include "support/FastTransferTiming.h"

SerialWindowRig::SerialWindowRig(const QStringList &midiDevices)
{
    for (const QString &name : midiDevices)
        midi.addDevice(name, [](const QByteArray &) {});
    listUnit();
    reenumerateOnPrepare();
    Platform platform;
    platform.midi = &midi;
    platform.usbDescriptions = &usb;
    platform.serialPorts = &ports;
    platform.usbDevices = &usbDevices;
    window = std::make_unique<MainWindow>(platform);
    window->firmwareTransfer()->setTiming(fastTransferTiming());
}
