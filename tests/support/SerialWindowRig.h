#pragma once

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/InMemorySerialPortCatalogue.h"
#include "support/InMemoryUsbDescriptionSource.h"
#include "support/UnitPeer.h"

#include <QStringList>

#include <memory>

class SerialPort;

// The main window over in-memory MIDI, USB descriptions and serial ports, with
// a pty unit and the same unit in upgrade mode: told to prepare, the unit's
// port goes away and the upgrade-mode port is listed instead. The transfer's
// waits are short, so a whole upgrade takes well under a second.
struct SerialWindowRig
{
    // The MIDI outputs the in-memory system lists; they swallow what is sent.
    explicit SerialWindowRig(const QStringList &midiDevices = {QStringLiteral("TQR-30 Pro")});

    SerialPort *link() const { return window->serialLink(); }

    InMemoryMidiDriver midi;
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    UnitPeer unit; // normal mode
    UnitPeer boot; // the same unit in upgrade mode
    std::unique_ptr<MainWindow> window;
};
