// SPDX-License-Identifier: GPL-3.0-or-later
// quill-ctl: a TQR unit from a terminal and from scripts.

#include "InterruptWatch.h"
#include "QuillCtl.h"
#include "midi/RtMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"
#include "serial/UsbDeviceLocator.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quill-ctl"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QuillCtl ctl(out, err);
    InterruptWatch interrupts;
    QObject::connect(&interrupts, &InterruptWatch::interrupted, &ctl, &QuillCtl::interrupt);

    // Made once the global options are read: --midi-api picks the system.
    std::unique_ptr<RtMidiDriver> midi;
    std::unique_ptr<EmulatedPortRegistry> emulatedPorts;
    std::unique_ptr<UsbDescriptionSource> usbDescriptions;
    std::unique_ptr<SerialPortCatalogue> serialPorts;
    std::unique_ptr<UsbDeviceLocator> usbDevices;
    const auto makeDevices = [&] {
        midi = std::make_unique<RtMidiDriver>(QStringLiteral("quill-ctl"));
        // Emulated units announce their pseudo-terminals here, as to the panel.
        emulatedPorts = std::make_unique<EmulatedPortRegistry>();
        usbDescriptions = createSystemUsbDescriptionSource(emulatedPorts.get());
        serialPorts = createSystemSerialPortCatalogue(emulatedPorts.get());
        usbDevices = createSystemUsbDeviceLocator();
        UnitSession::Devices devices;
        devices.midi = midi.get();
        devices.usb = usbDescriptions.get();
        devices.ports = serialPorts.get();
        devices.usbDevices = usbDevices.get();
        return devices;
    };
    return ctl.run(app.arguments().mid(1), makeDevices);
}
