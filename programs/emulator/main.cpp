// SPDX-License-Identifier: GPL-3.0-or-later
// tqr-emulator: an emulated TQR unit on the computer's MIDI system and a
// pseudo-terminal, for the installed panel and for other MIDI software.

#include "emulator/EmulatedUnit.h"
#include "emulator/PtySerialLink.h"
#include "emulator/RtMidiUnitLink.h"
#include "QuillVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <memory>

#include <csignal>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// --replug-after: how long the unit stays away, and how much later the port
// the computer reads from registers than the one it writes to.
constexpr int kReplugAwayMs = 3000;
constexpr int kReturnLagMs = 1500;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

const char kSettingNames[] = "ip-mode=dhcp|manual, ip-address=A, subnet=A, gateway=A, osc-port=P, "
                             "osc-forward=on|off, osc-target1..4=A:P, udp-port=P, tcp-port=P, offset=-15..15";

bool readOctets(const QString &text, UnitMessages::Octets *octets)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int n = parts[i].toInt(&ok);
        if (!ok || n < 0 || n > 255)
            return false;
        (*octets)[size_t(i)] = n;
    }
    return true;
}

bool readPort(const QString &text, int *port)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > 65535)
        return false;
    *port = n;
    return true;
}

// One --setting NAME=VALUE into the unit's starting settings; false when the
// name or the value is not one the unit has.
bool applySetting(const QString &setting, EmulatedUnit::Network *network, int *offset)
{
    const int eq = setting.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    const QString name = setting.left(eq).trimmed();
    const QString value = setting.mid(eq + 1).trimmed();
    if (name == QLatin1String("ip-mode")) {
        if (value != QLatin1String("dhcp") && value != QLatin1String("manual"))
            return false;
        network->manual = value == QLatin1String("manual");
        return true;
    }
    if (name == QLatin1String("ip-address"))
        return readOctets(value, &network->address);
    if (name == QLatin1String("subnet"))
        return readOctets(value, &network->subnet);
    if (name == QLatin1String("gateway"))
        return readOctets(value, &network->gateway);
    if (name == QLatin1String("osc-port"))
        return readPort(value, &network->oscLocalPort);
    if (name == QLatin1String("osc-forward")) {
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return false;
        network->oscForward = value == QLatin1String("on");
        return true;
    }
    if (name.startsWith(QLatin1String("osc-target")) && name.size() == 11) {
        const int n = name.right(1).toInt();
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        if (n < 1 || n > 4 || colon < 0)
            return false;
        auto &target = network->oscTargets[n - 1];
        target.set = readOctets(value.left(colon), &target.address) && readPort(value.mid(colon + 1), &target.port);
        return target.set;
    }
    if (name == QLatin1String("udp-port"))
        return readPort(value, &network->udpPort);
    if (name == QLatin1String("tcp-port"))
        return readPort(value, &network->tcpPort);
    if (name == QLatin1String("offset")) {
        bool ok = false;
        *offset = value.toInt(&ok);
        return ok && *offset >= -15 && *offset <= 15;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tqr-emulator"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(QuillVersion::kText));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates a TQR time-code unit. Its MIDI ports appear on ALSA or JACK under the model's name; "
        "a TQR-30 or TQR-30 Pro also offers a serial port (a pseudo-terminal announced to Quill Tool "
        "through the emulated-port registry). It answers identification, Machine Control, source "
        "selection, the network settings and firmware upgrades like the hardware. Stop it with Ctrl+C."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Model: TQR-10, TQR-20, TQR-30 or \"TQR-30 Pro\" (default)."),
                                   QStringLiteral("name"), QStringLiteral("TQR-30 Pro"));
    const QCommandLineOption firmware(QStringLiteral("firmware"),
                                      QStringLiteral("Firmware version it reports (default V1.0.2)."),
                                      QStringLiteral("version"), QStringLiteral("V1.0.2"));
    const QCommandLineOption api(QStringLiteral("midi-api"),
                                 QStringLiteral("MIDI system: alsa or jack (default: ALSA, JACK when ALSA is missing)."),
                                 QStringLiteral("api"));
    const QCommandLineOption registry(QStringLiteral("registry"),
                                      QStringLiteral("Directory of the emulated-port registry (default: "
                                                     "$XDG_RUNTIME_DIR/quill-tool/serial)."),
                                      QStringLiteral("dir"));
    const QCommandLineOption dropAcks(QStringLiteral("drop-acks"), QStringLiteral("Fault: never acknowledge."));
    const QCommandLineOption ackDelay(QStringLiteral("ack-delay"),
                                      QStringLiteral("Fault: acknowledge this many milliseconds late."),
                                      QStringLiteral("ms"));
    const QCommandLineOption duplicateAcks(QStringLiteral("duplicate-acks"),
                                           QStringLiteral("Fault: acknowledge everything twice."));
    const QCommandLineOption fail(QStringLiteral("fail"),
                                  QStringLiteral("Fault: refuse every setting and every erase."));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Fault: answer nothing and send no time code."));
    const QCommandLineOption malformed(QStringLiteral("malformed"),
                                       QStringLiteral("Fault: garble every reply (one byte short, no line ends)."));
    const QCommandLineOption splitReplies(QStringLiteral("split-replies"),
                                          QStringLiteral("Fault: write every serial reply in two pieces, a few "
                                                         "milliseconds apart."));
    const QCommandLineOption coalesceAcks(QStringLiteral("coalesce-acks"),
                                          QStringLiteral("Fault: write two copies of every firmware chunk "
                                                         "acknowledgement together, in one write."));
    const QCommandLineOption busyUpgradePort(QStringLiteral("busy-upgrade-port"),
                                             QStringLiteral("Fault: the upgrade-mode serial port is busy for this "
                                                            "many milliseconds after it appears."),
                                             QStringLiteral("ms"));
    const QCommandLineOption unplugAfter(QStringLiteral("unplug-after"),
                                         QStringLiteral("Fault: vanish from MIDI and serial after this many seconds."),
                                         QStringLiteral("s"));
    const QCommandLineOption replugAfter(
        QStringLiteral("replug-after"),
        QStringLiteral("Fault: vanish from MIDI and serial after this many seconds and come back %1 s later, the MIDI "
                       "port the computer writes to %2 s before the one it reads from.")
            .arg(kReplugAwayMs / 1000.0)
            .arg(kReturnLagMs / 1000.0),
        QStringLiteral("s"));
    const QCommandLineOption chatter(
        QStringLiteral("chatter"),
        QStringLiteral("Fault: send one unsolicited model reply in the middle of a firmware image (after its %1th "
                       "chunk).")
            .arg(EmulatedUnit::kChatterChunk));
    const QCommandLineOption liveCounter(
        QStringLiteral("live-counter"),
        QStringLiteral("Generator: fill each quarter frame from the running counter instead of latching one time "
                       "per label, so the label of a minute's last frame can carry the next minute."));
    const QCommandLineOption reverse(QStringLiteral("reverse"),
                                     QStringLiteral("Generator: play backwards (labels count down, their quarter "
                                                    "frames come 7 to 0)."));
    const QCommandLineOption portName(
        QStringLiteral("name"),
        QStringLiteral("Name of its MIDI ports (default: the model's). A second unit of the same model "
                       "needs another, such as \"TQR-30 Pro B\", for programs to tell the two apart."),
        QStringLiteral("name"));
    const QCommandLineOption setting(
        QStringList{QStringLiteral("s"), QStringLiteral("setting")},
        QStringLiteral("A network setting or the offset to start with, as NAME=VALUE; repeat for more. Names: %1 "
                       "(A an IPv4 address, P a port 1 to 65535).")
            .arg(QLatin1String(kSettingNames)),
        QStringLiteral("name=value"));
    parser.addOptions({model, firmware, api, registry, portName, setting, dropAcks, ackDelay, duplicateAcks, fail, silent, malformed,
                       splitReplies, coalesceAcks, busyUpgradePort, unplugAfter, replugAfter, chatter, liveCounter,
                       reverse});
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    UnitMessages::Model chosen;
    if (!UnitMessages::modelFromName(parser.value(model), &chosen)) {
        err << "Unknown model \"" << parser.value(model) << "\": use TQR-10, TQR-20, TQR-30 or \"TQR-30 Pro\".\n";
        return 2;
    }
    RtMidiUnitLink::Api midiApi = RtMidiUnitLink::Api::Default;
    if (parser.isSet(api)) {
        const QString name = parser.value(api).toLower();
        if (name == QLatin1String("alsa")) {
            midiApi = RtMidiUnitLink::Api::Alsa;
        } else if (name == QLatin1String("jack")) {
            midiApi = RtMidiUnitLink::Api::Jack;
        } else {
            err << "Unknown MIDI system \"" << parser.value(api) << "\": use alsa or jack.\n";
            return 2;
        }
    }
    EmulatedUnit::Faults faults;
    faults.dropAcks = parser.isSet(dropAcks);
    faults.duplicateAcks = parser.isSet(duplicateAcks);
    faults.failAcks = parser.isSet(fail);
    faults.silent = parser.isSet(silent);
    faults.malformed = parser.isSet(malformed);
    faults.splitReplies = parser.isSet(splitReplies);
    faults.coalesceAcks = parser.isSet(coalesceAcks);
    faults.chatter = parser.isSet(chatter);
    if (parser.isSet(busyUpgradePort)) {
        bool ok = false;
        faults.busyUpgradePortMs = parser.value(busyUpgradePort).toInt(&ok);
        if (!ok || faults.busyUpgradePortMs < 0) {
            err << "--busy-upgrade-port takes a number of milliseconds.\n";
            return 2;
        }
    }
    if (parser.isSet(ackDelay)) {
        bool ok = false;
        faults.ackDelayMs = parser.value(ackDelay).toInt(&ok);
        if (!ok || faults.ackDelayMs < 0) {
            err << "--ack-delay takes a number of milliseconds.\n";
            return 2;
        }
    }

    EmulatedUnit unit(chosen, parser.value(firmware));
    EmulatedUnit::Network network = unit.network();
    int offset = unit.offsetFrames();
    for (const QString &text : parser.values(setting)) {
        if (!applySetting(text, &network, &offset)) {
            err << "Unknown setting or value \"" << text << "\". Settings are NAME=VALUE with the names " << kSettingNames
                << ".\n";
            return 2;
        }
    }
    if (parser.isSet(portName)) {
        const QString name = parser.value(portName).trimmed();
        if (name.isEmpty() || name.contains(QLatin1Char(':'))) {
            err << "--name takes a port name without a colon.\n";
            return 2;
        }
        unit.setPortName(name);
    }
    unit.setNetwork(network);
    unit.setOffsetFrames(offset);
    unit.setFaults(faults);
    EmulatedUnit::Generator generator;
    generator.liveCounter = parser.isSet(liveCounter);
    generator.reverse = parser.isSet(reverse);
    unit.setGenerator(generator);
    RtMidiUnitLink midi(&unit, midiApi);
    midi.setReturnLagMs(kReturnLagMs);
    std::unique_ptr<PtySerialLink> serial;
    if (unit.hasSerialPort())
        serial = std::make_unique<PtySerialLink>(&unit, parser.value(registry));

    QObject::connect(&unit, &EmulatedUnit::firmwareReceived, [&out](const QByteArray &image, const QString &version) {
        out << "Firmware image of " << image.size() << " bytes received; now " << version << Qt::endl;
    });
    if (serial) {
        QObject::connect(serial.get(), &PtySerialLink::portChanged, [&out](const QString &path, const QString &text) {
            if (path.isEmpty())
                out << "Serial port gone" << Qt::endl;
            else
                out << "Serial port " << path << " (\"" << text << "\")" << Qt::endl;
        });
    }
    unit.powerOn();
    if (!midi.isOpen()) {
        err << "The MIDI ports could not be made: " << midi.errorText() << '\n';
        return 1;
    }
    out << unit.modelName() << " " << unit.firmwareVersion() << " on " << midi.apiName() << " as \""
        << unit.portName() << "\"" << Qt::endl;

    if (parser.isSet(unplugAfter)) {
        bool ok = false;
        const double seconds = parser.value(unplugAfter).toDouble(&ok);
        if (!ok || seconds < 0) {
            err << "--unplug-after takes a number of seconds.\n";
            return 2;
        }
        QTimer::singleShot(int(seconds * 1000), &unit, [&unit, &out] {
            unit.unplug();
            out << "Unplugged" << Qt::endl;
        });
    }

    if (parser.isSet(replugAfter)) {
        bool ok = false;
        const double seconds = parser.value(replugAfter).toDouble(&ok);
        if (!ok || seconds < 0) {
            err << "--replug-after takes a number of seconds.\n";
            return 2;
        }
        QObject::connect(&unit, &EmulatedUnit::presenceChanged, [&out](bool present) {
            out << (present ? "Plugged in again" : "Unplugged") << Qt::endl;
        });
        QTimer::singleShot(int(seconds * 1000), &unit, [&unit] { unit.replug(kReplugAwayMs); });
    }

    // Ctrl+C and kill end the event loop, so the ports and registry entries go.
    if (::pipe(signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    const int status = app.exec();
    serial.reset();
    return status;
}
