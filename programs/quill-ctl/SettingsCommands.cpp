// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsCommands.h"

#include "CommandContext.h"
#include "ExitCode.h"
#include "protocol/SettingsForms.h"
#include "protocol/UnitSettings.h"
#include "protocol/UnitSettingsFile.h"
#include "unit/UnitSettingsClient.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace SettingsCommands {

const char kGetSummary[] = "Read the unit's IP, OSC or UDP/TCP settings.";
const char kGetUsage[] =
    "ip|osc|udp\n\n"
    "Asks the unit for one group of its settings and prints them, one\n"
    "\"name: value\" a line:\n"
    "  ip    mode (dhcp or manual), address, subnet, gateway (TQR-30 series)\n"
    "  osc   local-port, forward (on or off), target1 to target4 as\n"
    "        ADDRESS:PORT or \"-\" when unset (TQR-30 Pro)\n"
    "  udp   udp-port, tcp-port (TQR-30 Pro)\n\n"
    "Exits 1 when the unit does not answer, or has no such settings.\n";

const char kSetSummary[] = "Change the unit's IP, OSC, UDP/TCP settings or time offset.";
const char kSetUsage[] =
    "ip dhcp | ip ADDRESS MASK GATEWAY | osc [OPTIONS] | udp UDP [TCP] | offset N\n\n"
    "Writes one group of settings and waits for the unit to take each message\n"
    "(--timeout each, 3 s unless given). Values are checked first, as the panel's windows check them; a\n"
    "value no unit takes is a usage error (exit 2) and nothing is sent.\n\n"
    "  ip dhcp                   addressing by DHCP\n"
    "  ip ADDRESS MASK GATEWAY   fixed addressing, for example\n"
    "                            set ip 10.0.0.5 255.255.255.0 10.0.0.1\n"
    "  osc [--port P] [--forward on|off] [--target N=ADDRESS:PORT]...\n"
    "                            the OSC local port, the forward switch and\n"
    "                            targets 1 to 4; what is not given stays as the\n"
    "                            unit has it. An OSC target cannot be cleared.\n"
    "  udp UDP [TCP]             the UDP port, and the TCP port (else it stays)\n"
    "  offset N                  the time offset, -15 to 15 frames\n\n"
    "Prints nothing when done. Exits 1 when the unit refuses a value or does not\n"
    "answer, or has no such settings.\n";

const char kBackupSummary[] = "Save the unit's settings to a file.";
const char kBackupUsage[] =
    "FILE\n\n"
    "Reads every setting the unit reports (IP, OSC and UDP/TCP as the model has\n"
    "them, and the time offset when the unit has reported it) and writes them\n"
    "with the model and firmware version to FILE as JSON (\"-\": standard\n"
    "output). The file is replaced only once it is complete.\n";

const char kRestoreSummary[] = "Write settings from a file to the unit.";
const char kRestoreUsage[] =
    "[--dry-run] FILE\n\n"
    "Reads a file written by backup (or the panel's \"Save Unit Settings...\"; \"-\":\n"
    "standard input), prints what differs from the unit, one\n"
    "\"setting: now -> from file\" a line, writes the groups that differ, reads\n"
    "the unit again and reports on standard error what still differs. Settings\n"
    "the unit's model does not have are left out, with a note. A file that does\n"
    "not read cleanly is refused as a whole (exit 2), nothing written.\n\n"
    "  --dry-run   Only print what would change; write nothing.\n\n"
    "Exits 1 when the unit refuses a value, does not answer, or reads back other\n"
    "values than were written.\n";

namespace {

using Client = UnitSettingsClient;

// One read or write of the settings client, run to its end.
struct Run
{
    bool ended = false;
    std::optional<UnitSettings> settings;
    Client::Failure failure = Client::Failure::NoAnswer;
    QString message;
};

int failureCode(CommandContext &context, const Run &run)
{
    if (run.failure == Client::Failure::Invalid)
        return context.usageError(run.message);
    return context.unitFailed(run.message);
}

// Runs work (a read or a write) and waits for its end; returns -1 when it
// ended, else the exit code of the interruption.
int runClient(CommandContext &context, Run &run, const std::function<void(Client *)> &work)
{
    Client *client = context.session()->settings();
    client->setTimeouts(context.answerTimeoutMs(), context.answerTimeoutMs());
    QObject guard;
    QObject::connect(client, &Client::readFinished, &guard, [&run](const UnitSettings &s) {
        run.settings = s;
        run.ended = true;
    });
    QObject::connect(client, &Client::writeFinished, &guard, [&run] { run.ended = true; });
    QObject::connect(client, &Client::failed, &guard, [&run](Client::Failure failure, const QString &message) {
        run.failure = failure;
        run.message = message;
        run.ended = true;
    });
    work(client);
    const CommandContext::Wait wait = context.waitFor([&run] { return run.ended; }, -1);
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QString());
    return -1;
}

// Reads groups; the settings, or nothing and the exit code in *code.
std::optional<UnitSettings> readUnit(CommandContext &context, Client::Groups groups, int *code)
{
    Run run;
    if (const int c = runClient(context, run, [groups](Client *client) { client->read(groups); }); c >= 0) {
        *code = c;
        return std::nullopt;
    }
    if (!run.settings) {
        *code = failureCode(context, run);
        return std::nullopt;
    }
    return run.settings;
}

int writeUnit(CommandContext &context, const UnitSettings &settings)
{
    Run run;
    if (const int c = runClient(context, run, [&settings](Client *client) { client->write(settings); }); c >= 0)
        return c;
    if (!run.message.isEmpty())
        return failureCode(context, run);
    return ExitCode::kDone;
}

// kDone when the connected model has the group, else its message and code.
int needGroup(CommandContext &context, Client::Group group)
{
    Client *client = context.session()->settings();
    if (client->supportedGroups() & group)
        return ExitCode::kDone;
    return context.unitFailed(QStringLiteral("%1 has no %2.").arg(client->modelName(), Client::groupName(group)));
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

void printGroup(QTextStream &out, const UnitSettings &s)
{
    if (s.addressing) {
        out << "mode: " << (s.addressing->dhcp ? "dhcp" : "manual") << '\n';
        out << "address: " << s.addressing->address << '\n';
        out << "subnet: " << s.addressing->subnet << '\n';
        out << "gateway: " << s.addressing->gateway << '\n';
    }
    if (s.osc) {
        out << "local-port: " << s.osc->localPort << '\n';
        out << "forward: " << onOff(s.osc->forward) << '\n';
        for (int i = 0; i < UnitSettings::kOscTargets; ++i) {
            const std::optional<UnitSettings::OscTarget> &t = s.osc->targets[size_t(i)];
            out << "target" << i + 1 << ": " << (t ? UnitSettings::targetText(*t) : QStringLiteral("-")) << '\n';
        }
    }
    if (s.ports) {
        out << "udp-port: " << s.ports->udp << '\n';
        out << "tcp-port: " << s.ports->tcp << '\n';
    }
    out << Qt::flush;
}

std::optional<Client::Group> groupOfWord(const QString &word)
{
    if (word == QLatin1String("ip"))
        return Client::Addressing;
    if (word == QLatin1String("osc"))
        return Client::Osc;
    if (word == QLatin1String("udp") || word == QLatin1String("tcp"))
        return Client::Ports;
    if (word == QLatin1String("offset"))
        return Client::Offset;
    return std::nullopt;
}

// set ip ...: the addressing, or a usage message in *error.
std::optional<UnitSettings::Addressing> addressingOf(const QStringList &words, QString *error)
{
    if (words.size() == 1 && words[0] == QLatin1String("dhcp"))
        return UnitSettings::Addressing{true, QString(), QString(), QString()};
    if (words.size() != 3) {
        *error = QStringLiteral("set ip takes \"dhcp\", or the address, the subnet mask and the gateway.");
        return std::nullopt;
    }
    for (const QString &word : words) {
        if (SettingsForms::isBlankAddress(word)) {
            *error = QStringLiteral("set ip takes three addresses, none empty.");
            return std::nullopt;
        }
    }
    if (const auto problem = SettingsForms::checkManualAddressing(words[0], words[1], words[2])) {
        *error = problem->text;
        return std::nullopt;
    }
    return UnitSettings::Addressing{false, SettingsForms::normalAddress(words[0]),
                                    SettingsForms::normalAddress(words[1]), SettingsForms::normalAddress(words[2])};
}

// set osc's options over the unit's current settings.
std::optional<UnitSettings::Osc> oscOf(const QCommandLineParser &parser, const QCommandLineOption &port,
                                       const QCommandLineOption &forward, const QCommandLineOption &target,
                                       const UnitSettings::Osc &current, QString *error)
{
    QString localPort = QString::number(current.localPort);
    if (parser.isSet(port))
        localPort = parser.value(port);
    bool forwardOn = current.forward;
    if (parser.isSet(forward)) {
        const QString word = parser.value(forward);
        if (word != QLatin1String("on") && word != QLatin1String("off")) {
            *error = QStringLiteral("--forward takes on or off.");
            return std::nullopt;
        }
        forwardOn = word == QLatin1String("on");
    }
    std::array<SettingsForms::OscTargetText, UnitSettings::kOscTargets> targets;
    for (int i = 0; i < UnitSettings::kOscTargets; ++i) {
        if (const std::optional<UnitSettings::OscTarget> &t = current.targets[size_t(i)])
            targets[size_t(i)] = {t->address, QString::number(t->port)};
    }
    for (const QString &value : parser.values(target)) {
        const int eq = value.indexOf(QLatin1Char('='));
        bool ok = false;
        const int n = value.left(eq).toInt(&ok);
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        if (eq < 0 || !ok || n < 1 || n > UnitSettings::kOscTargets || colon < eq) {
            *error = QStringLiteral("--target takes N=ADDRESS:PORT with N 1 to 4, not \"%1\".").arg(value);
            return std::nullopt;
        }
        targets[size_t(n - 1)] = {value.mid(eq + 1, colon - eq - 1), value.mid(colon + 1)};
    }
    return SettingsForms::parseOsc(localPort, forwardOn, targets, error);
}

QString changeLines(const QList<UnitSettings::Change> &changes, bool writable)
{
    QStringList lines;
    for (const UnitSettings::Change &change : changes) {
        if (change.writable == writable)
            lines << change.text();
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

int get(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    const QStringList words = parser.positionalArguments();
    const std::optional<Client::Group> group = words.size() == 1 ? groupOfWord(words[0]) : std::nullopt;
    if (!group || *group == Client::Offset)
        return context.usageError(QStringLiteral("get takes one of ip, osc, udp."));
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    if (const int code = needGroup(context, *group); code != ExitCode::kDone)
        return code;
    int code = ExitCode::kDone;
    const std::optional<UnitSettings> settings = readUnit(context, *group, &code);
    if (!settings)
        return code;
    printGroup(context.out(), *settings);
    return ExitCode::kDone;
}

int set(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("OSC local port."), QStringLiteral("P"));
    const QCommandLineOption forward(QStringLiteral("forward"), QStringLiteral("OSC forward."),
                                     QStringLiteral("on|off"));
    const QCommandLineOption target(QStringLiteral("target"), QStringLiteral("OSC target."),
                                    QStringLiteral("N=ADDRESS:PORT"));
    parser.addOptions({port, forward, target});
    // A negative offset is a value, not an option.
    QStringList given = arguments;
    if (given.size() == 2 && given[0] == QLatin1String("offset") && given[1].startsWith(QLatin1Char('-')))
        given.insert(1, QStringLiteral("--"));
    if (const int code = context.parse(parser, given); code >= 0)
        return code;
    QStringList words = parser.positionalArguments();
    const std::optional<Client::Group> group = words.isEmpty() ? std::nullopt : groupOfWord(words.takeFirst());
    if (!group)
        return context.usageError(QStringLiteral("set takes one of ip, osc, udp, offset first."));
    const bool oscOptions = parser.isSet(port) || parser.isSet(forward) || parser.isSet(target);
    if (oscOptions != (*group == Client::Osc))
        return context.usageError(QStringLiteral("--port, --forward and --target belong to set osc."));

    UnitSettings wanted;
    QString error;
    switch (*group) {
    case Client::Addressing:
        wanted.addressing = addressingOf(words, &error);
        if (!wanted.addressing)
            return context.usageError(error);
        break;
    case Client::Osc:
        if (!words.isEmpty() || !oscOptions)
            return context.usageError(QStringLiteral("set osc takes --port, --forward and --target options."));
        break;
    case Client::Ports:
        if (words.isEmpty() || words.size() > 2)
            return context.usageError(QStringLiteral("set udp takes the UDP port and, if it changes too, the TCP port."));
        // The TCP port is checked once the unit has said what it is.
        if (!SettingsForms::parsePorts(words[0], words.value(1, QStringLiteral("1")), &error))
            return context.usageError(error);
        break;
    case Client::Offset:
        if (words.size() != 1)
            return context.usageError(QStringLiteral("set offset takes one number of frames."));
        wanted.offsetFrames = SettingsForms::parseOffset(words[0], &error);
        if (!wanted.offsetFrames)
            return context.usageError(error);
        break;
    }

    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    if (const int code = needGroup(context, *group); code != ExitCode::kDone)
        return code;
    // What is not given stays: the unit's own values fill it in.
    if (*group == Client::Osc || (*group == Client::Ports && words.size() == 1)) {
        int code = ExitCode::kDone;
        const std::optional<UnitSettings> current = readUnit(context, *group, &code);
        if (!current)
            return code;
        if (*group == Client::Osc)
            wanted.osc = oscOf(parser, port, forward, target, *current->osc, &error);
        else
            wanted.ports = SettingsForms::parsePorts(words[0], QString::number(current->ports->tcp), &error);
        if (!wanted.osc && !wanted.ports)
            return context.usageError(error);
    } else if (*group == Client::Ports) {
        wanted.ports = SettingsForms::parsePorts(words[0], words[1], &error);
    }
    return writeUnit(context, wanted);
}

int backup(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1 || words[0].isEmpty())
        return context.usageError(QStringLiteral("backup takes the name of the file to write."));
    const QString path = words[0];
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    Client *client = context.session()->settings();
    // The firmware version comes over the serial port, if the unit has one.
    if (context.product().startsWith(QLatin1String("TQR-30"))) {
        const CommandContext::Wait wait = context.waitFor(
            [&] { return !context.firmwareVersion().isEmpty(); }, context.answerTimeoutMs());
        if (wait == CommandContext::Wait::Interrupted)
            return context.waitFailed(wait, QString());
        if (wait == CommandContext::Wait::TimedOut)
            context.err() << "quill-ctl backup: the unit did not tell its firmware version; the file has none.\n"
                          << Qt::flush;
    }
    int code = ExitCode::kDone;
    const std::optional<UnitSettings> settings = readUnit(context, client->supportedGroups(), &code);
    if (!settings)
        return code;
    if (settings->isEmpty())
        return context.unitFailed(QStringLiteral("%1 has no network settings and has reported no time offset; "
                                                 "there is nothing to back up.")
                                      .arg(context.product()));
    const UnitSettingsFile file{context.product(), context.firmwareVersion(), *settings};
    if (path == QLatin1String("-")) {
        context.out() << file.toJson() << Qt::flush;
        return ExitCode::kDone;
    }
    QString error;
    if (!file.save(path, &error)) {
        context.err() << "quill-ctl backup: " << path << ": " << error << '\n' << Qt::flush;
        return ExitCode::kUsage;
    }
    return ExitCode::kDone;
}

int restore(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Write nothing."));
    parser.addOption(dryRun);
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1 || words[0].isEmpty())
        return context.usageError(QStringLiteral("restore takes the name of the file to read."));
    const QString path = words[0];
    QString error;
    std::optional<UnitSettingsFile> file;
    if (path == QLatin1String("-")) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly))
            file = UnitSettingsFile::fromJson(in.read(UnitSettingsFile::kMaxFileSize + 1), &error);
        else
            error = in.errorString();
    } else {
        file = UnitSettingsFile::load(path, &error);
    }
    if (!file)
        return context.usageError(QStringLiteral("%1: %2").arg(path, error));

    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    Client *client = context.session()->settings();
    const Client::Groups supported = client->supportedGroups();
    UnitSettings &wanted = file->settings;
    QStringList leftOut;
    auto drop = [&](auto &group, Client::Group which) {
        if (group && !(supported & which)) {
            group.reset();
            leftOut << Client::groupName(which);
        }
    };
    drop(wanted.addressing, Client::Addressing);
    drop(wanted.osc, Client::Osc);
    drop(wanted.ports, Client::Ports);
    QTextStream &err = context.err();
    if (file->model != context.product())
        err << "quill-ctl restore: the file was saved from a " << file->model << ", the unit is a "
            << context.product() << ".\n";
    if (!leftOut.isEmpty())
        err << "quill-ctl restore: left out, as a " << context.product()
            << " has none: " << leftOut.join(QLatin1String(", ")) << ".\n";
    err << Qt::flush;
    if (wanted.isEmpty())
        return context.unitFailed(QStringLiteral("nothing in %1 is for this unit.").arg(path));

    Client::Groups groups = Client::Offset;
    if (wanted.addressing)
        groups |= Client::Addressing;
    if (wanted.osc)
        groups |= Client::Osc;
    if (wanted.ports)
        groups |= Client::Ports;
    int code = ExitCode::kDone;
    const std::optional<UnitSettings> current = readUnit(context, groups, &code);
    if (!current)
        return code;
    const QList<UnitSettings::Change> changes = UnitSettings::changes(*current, wanted);
    if (const QString lines = changeLines(changes, true); !lines.isEmpty())
        context.out() << lines << Qt::endl;
    if (const QString stays = changeLines(changes, false); !stays.isEmpty())
        err << stays << Qt::endl;
    const UnitSettings toWrite = UnitSettings::changedGroups(*current, wanted);
    if (toWrite.isEmpty())
        err << "quill-ctl restore: the unit already has the settings of " << path << ".\n" << Qt::flush;
    if (parser.isSet(dryRun) || toWrite.isEmpty())
        return ExitCode::kDone;

    if (const int written = writeUnit(context, toWrite); written != ExitCode::kDone)
        return written;
    const std::optional<UnitSettings> after = readUnit(context, groups, &code);
    if (!after)
        return code;
    const QString differ = changeLines(UnitSettings::changes(*after, wanted), true);
    if (!differ.isEmpty())
        return context.unitFailed(QStringLiteral("the unit took the settings but reads back other values:\n%1").arg(differ));
    return ExitCode::kDone;
}

} // namespace SettingsCommands
