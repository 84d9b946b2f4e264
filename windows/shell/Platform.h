// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class MessageBoxes;
class MidiDriver;
class SerialPortCatalogue;
class UrlOpener;
class UsbDescriptionSource;
class UsbDeviceLocator;

// The platform seams the main window talks through. main() fills them with the
// real implementations; tests and the built-in emulator put their own in.
// The pointers are borrowed and must outlive the window.
struct Platform
{
    MidiDriver *midi = nullptr;
    // Serial link: the USB descriptions of present devices and the serial ports.
    UsbDescriptionSource *usbDescriptions = nullptr;
    SerialPortCatalogue *serialPorts = nullptr;
    // Modal message boxes of the update checks; null means the desktop's own.
    MessageBoxes *messageBoxes = nullptr;
    // The browser for the update checks' release page; null means the desktop's own.
    UrlOpener *urlOpener = nullptr;
    // Which USB device a MIDI port's card and a serial port are on; null
    // where the system does not say.
    UsbDeviceLocator *usbDevices = nullptr;
};
