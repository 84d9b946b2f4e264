// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitCommands.h"

#include "CommandContext.h"
#include "ExitCode.h"
#include "OutputText.h"
#include "UnitWords.h"
#include "midi/MidiConnection.h"
#include "protocol/MidiTimecodeIn.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace UnitCommands {

const char kListUsage[] =
    "[--json]\n\n"
    "Lists the units present, one a line: the MIDI port, the model the unit names,\n"
    "its firmware version and serial port (TQR-30 series), separated by tabs; \"-\"\n"
    "for what is not known. With --unit, only the units whose name matches.\n\n"
    "  --json   One JSON array of objects with output, input, model, firmware,\n"
    "           serial.\n";

const char kStatusUsage[] =
    "\n\n"
    "Prints the unit's model, firmware, time-code source and rate, the time code\n"
    "now and the health of its stream, one \"name: value\" a line.\n";

namespace {

// How long status listens for the time code once the unit has answered: a
// few frames at any rate.
constexpr int kListenMs = 250;

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : OutputText::plain(text);
}

} // namespace

int list(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOption(json);
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("list takes no arguments."));

    const QString wanted = context.options().unitName;
    QJsonArray units;
    for (const QString &label : context.unitLabels()) {
        if (!wanted.isEmpty() && !label.contains(wanted, Qt::CaseInsensitive))
            continue;
        const int code = context.connectLabel(label, true);
        if (code == ExitCode::kInterrupted)
            return code;
        QJsonObject unit;
        unit[QStringLiteral("output")] = label;
        unit[QStringLiteral("input")] = context.session()->midi()->connectedInputLabel();
        unit[QStringLiteral("model")] = context.product();
        unit[QStringLiteral("firmware")] = context.firmwareVersion();
        unit[QStringLiteral("serial")] = context.session()->pairedSerialPort();
        context.disconnectUnit();
        if (parser.isSet(json)) {
            units.append(unit);
            continue;
        }
        context.out() << OutputText::plain(label) << '\t' << orDash(unit[QStringLiteral("model")].toString()) << '\t'
                      << orDash(unit[QStringLiteral("firmware")].toString()) << '\t'
                      << orDash(unit[QStringLiteral("serial")].toString()) << Qt::endl;
    }
    if (parser.isSet(json))
        context.out() << QJsonDocument(units).toJson(QJsonDocument::Compact) << Qt::endl;
    return ExitCode::kDone;
}

int status(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("status takes no arguments."));
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;

    // The firmware comes over the serial port while the time code is heard.
    const bool hasSerial = context.product().startsWith(QLatin1String("TQR-30"));
    CommandContext::Wait wait = context.waitFor(
        [&] { return !hasSerial || !context.firmwareVersion().isEmpty(); }, context.answerTimeoutMs());
    if (wait == CommandContext::Wait::Interrupted)
        return context.waitFailed(wait, QString());
    if (context.pause(kListenMs) == CommandContext::Wait::Interrupted)
        return context.waitFailed(CommandContext::Wait::Interrupted, QString());

    MidiTimecodeIn *stream = context.streamDecoder();
    bool stopped = false;
    const MidiTimecodeIn::Direction direction = stream->streamDirection(&stopped);
    const MidiTimecodeIn::StreamHealth health = stream->streamHealth();
    const QString streamText = direction == MidiTimecodeIn::Forward ? QStringLiteral("forward")
        : direction == MidiTimecodeIn::Reverse                      ? QStringLiteral("reverse")
        : stopped                                                   ? QStringLiteral("stopped")
                                                                    : QStringLiteral("none");
    QTextStream &out = context.out();
    out << "unit: " << OutputText::plain(context.label()) << '\n';
    out << "model: " << context.product() << '\n';
    out << "firmware: "
        << (hasSerial ? orDash(context.firmwareVersion()) : QStringLiteral("- (no serial port on this model)"))
        << '\n';
    if (hasSerial)
        out << "serial: " << orDash(context.session()->pairedSerialPort()) << '\n';
    out << "source: " << UnitWords::sourceWord(context.lastSource()) << '\n';
    out << "rate: " << UnitWords::rateWord(context.lastRate()) << '\n';
    out << "timecode: " << orDash(context.lastTimecode()) << '\n';
    out << "stream: " << streamText << '\n';
    out << "lost pieces: " << health.lostPieces << '\n';
    out << "rejected labels: " << health.rejectedLabels << '\n';
    out << "jumps: " << health.confirmedJumps << Qt::endl;
    return ExitCode::kDone;
}

} // namespace UnitCommands
