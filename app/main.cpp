#include "app/MainWindow.h"
#include "midi/RtMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    RtMidiDriver midi;
    // Emulated units announce their pseudo-terminals here and are listed beside real devices.
    const EmulatedPortRegistry emulatedPorts;
    const std::unique_ptr<UsbDescriptionSource> usbDescriptions = createSystemUsbDescriptionSource(&emulatedPorts);
    const std::unique_ptr<SerialPortCatalogue> serialPorts = createSystemSerialPortCatalogue(&emulatedPorts);
    Platform platform;
    platform.midi = &midi;
    platform.usbDescriptions = usbDescriptions.get();
    platform.serialPorts = serialPorts.get();
    MainWindow window(platform);
    window.show();
    return app.exec();
}
