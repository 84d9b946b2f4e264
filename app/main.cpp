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
#include <QCoreApplication>
#include <QStringList>

#include <memory>

namespace {

// Help and version are plain text and must also work where no display can be reached (over
// ssh, in a package build), yet the widget application aborts without one. When the command
// line holds only this program's own options and asks for either, it is answered by a
// non-GUI application. Anything else (Qt's own options, --help-all, which lists the GUI
// application's options, or a mistake) goes to the widget application as before, which
// strips Qt's options before reading the rest.
bool asksOnlyForText(QCommandLineParser &parser, int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parser.parse(arguments)
           && (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Quill Tool"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(QuillVersion::kText));

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
    if (asksOnlyForText(parser, argc, argv)) {
        const QCoreApplication textOnly(argc, argv);
        parser.process(textOnly); // prints and exits
    }

    QApplication app(argc, argv);
    DesktopIdentity::apply();
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
