// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/DesktopIdentity.h"
#include "shell/MainWindow.h"
#include "shell/QtOptions.h"
#include "midi/CompositeMidiDriver.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/RtMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"
#include "serial/UsbDeviceLocator.h"
#include "QuillVersion.h"

#ifdef QUILL_HAVE_EMULATOR
#include "emulator/BuiltInUnit.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Usage mistakes exit with 2, as command-line tools do, and in one line.
[[noreturn]] void refuse(const QString &error)
{
    std::fprintf(stderr, "quill-tool: %s Try 'quill-tool --help'.\n", qPrintable(error));
    std::exit(2);
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
    // Help, version and a mistaken option are plain text and must also work where no display
    // can be reached (over ssh, in a package build), yet the widget application aborts without
    // one. So the command line is first read here with Qt's own options taken out.
    const QStringList ownArguments = QtOptions::removedFrom(argumentList(argc, argv));
    if (!parser.parse(ownArguments))
        refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        const QCoreApplication textOnly(argc, argv);
        parser.process(ownArguments); // prints and exits
    }
    // --help-all lists the widget application's options too, so it needs one; a platform that
    // draws nowhere serves when the text is all that is asked for.
    if (parser.isSet(QStringLiteral("help-all")))
        qputenv("QT_QPA_PLATFORM", "minimal");

    QApplication app(argc, argv);
    DesktopIdentity::apply();
    if (!parser.parse(QCoreApplication::arguments()))
        refuse(parser.errorText());
    parser.process(app);

    RtMidiDriver systemMidi;
    // Emulated units announce their pseudo-terminals here and are listed beside real devices.
    const EmulatedPortRegistry emulatedPorts;
    const std::unique_ptr<UsbDescriptionSource> usbDescriptions = createSystemUsbDescriptionSource(&emulatedPorts);
    const std::unique_ptr<SerialPortCatalogue> serialPorts = createSystemSerialPortCatalogue(&emulatedPorts);
    const std::unique_ptr<UsbDeviceLocator> usbDevices = createSystemUsbDeviceLocator();
    Platform platform;
    platform.midi = &systemMidi;
    platform.usbDescriptions = usbDescriptions.get();
    platform.serialPorts = serialPorts.get();
    platform.usbDevices = usbDevices.get();

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
