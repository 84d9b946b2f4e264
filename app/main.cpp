#include "app/DesktopIdentity.h"
#include "app/MainWindow.h"
#include "midi/CompositeMidiDriver.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/RtMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"
#include "QuillVersion.h"

#ifdef QUILL_HAVE_EMULATOR
#include "emulator/BuiltInUnit.h"
#endif

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quill Tool"));
    QApplication::setApplicationVersion(QString::fromLatin1(QuillVersion::kText));
    DesktopIdentity::apply();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Control panel for TQR time-code units."));
    parser.addHelpOption();
    parser.addVersionOption();
#ifdef QUILL_HAVE_EMULATOR
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Add a built-in emulated TQR-30 Pro (MIDI ports and serial port) "
                                                 "beside the computer's own devices."));
    parser.addOption(demo);
#endif
    parser.process(app);

    RtMidiDriver systemMidi;
    // Emulated units announce their pseudo-terminals here and are listed beside real devices.
    const EmulatedPortRegistry emulatedPorts;
    const std::unique_ptr<UsbDescriptionSource> usbDescriptions = createSystemUsbDescriptionSource(&emulatedPorts);
    const std::unique_ptr<SerialPortCatalogue> serialPorts = createSystemSerialPortCatalogue(&emulatedPorts);
    Platform platform;
    platform.midi = &systemMidi;
    platform.usbDescriptions = usbDescriptions.get();
    platform.serialPorts = serialPorts.get();

#ifdef QUILL_HAVE_EMULATOR
    // The emulated unit's ports come after the real ones in the menu.
    InMemoryMidiDriver builtInMidi;
    CompositeMidiDriver combined({&systemMidi, &builtInMidi});
    std::unique_ptr<BuiltInUnit> unit;
    if (parser.isSet(demo)) {
        unit = std::make_unique<BuiltInUnit>(&builtInMidi);
        platform.midi = &combined;
    }
#endif

    MainWindow window(platform);
    window.show();
    return app.exec();
}
