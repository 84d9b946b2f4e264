// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SerialWindowRig.h"

#include "serial/FirmwareTransfer.h"

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
    FirmwareTransfer::Timing timing;
    timing.prepareWaitMs = 50;
    timing.upgradePortRetryMs = 20;
    timing.upgradePortTimeoutMs = 300;
    timing.ackTimeoutMs = 300;
    timing.fastPacingMs = 1;
    window->firmwareTransfer()->setTiming(timing);
}
