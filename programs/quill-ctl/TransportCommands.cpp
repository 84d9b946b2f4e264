// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransportCommands.h"

#include "CommandContext.h"
#include "ExitCode.h"
#include "GeneratorRun.h"
#include "TimeArgument.h"
#include "UnitWords.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"
#include "protocol/SourceSelection.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>

using FrameArithmetic::Label;

namespace TransportCommands {

const char kLocateUsage[] =
    "[--rate 24|25|30drop|30] HH:MM:SS:FF\n\n"
    "Sends the unit's generator to a time and prints where it landed.\n\n"
    "  --rate R   The rate the Locate carries, which the unit takes on. Default:\n"
    "             the rate the unit reports; needed when its time code is stopped.\n";
const char kPlayUsage[] =
    "\n\n"
    "Starts the unit's generator where it stands; done once its time code runs.\n";
const char kStopUsage[] =
    "\n\n"
    "Stops the unit's generator and prints where it stopped.\n";
const char kRunUsage[] =
    "--start HH:MM:SS:FF --end HH:MM:SS:FF [--loop] [--rate R]\n\n"
    "Locates the generator to Start and plays it until it reaches End, where it\n"
    "is stopped; prints where it landed. With --loop it goes back to Start at End\n"
    "and plays again until Ctrl-C, which stops it.\n\n"
    "  --rate R   As for locate.\n";
const char kSourceUsage[] =
    "usb|midi|ltc|generator|rtp-midi|art-net\n\n"
    "Chooses where the unit takes its time code from. The unit answers with the\n"
    "source in force; one it does not offer is refused (exit status 1).\n";
const char kRateUsage[] =
    "[--at HH:MM:SS:FF] 24|25|30drop|30\n\n"
    "Sets the generator's frame rate: a Locate carrying the new rate, to where the\n"
    "unit stands (01:00:00:00 when its time code is stopped).\n\n"
    "  --at T     Locate there instead.\n";

namespace {

// Once the unit has answered, this long for its time code to tell its rate
// and position.
constexpr int kListenMs = 300;
// While waiting for a stream to stop.
constexpr int kStopPollMs = 20;
// How often a run looks whether the unit's time code still comes.
constexpr int kStallCheckMs = 250;

bool streamStopped(CommandContext &context)
{
    bool stopped = false;
    return context.streamDecoder()->streamDirection(&stopped) == MidiTimecodeIn::Unknown;
}

// Parses, checks that there are `positionals` arguments, connects.
int prepare(CommandContext &context, QCommandLineParser &parser, const QStringList &arguments, int positionals)
{
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (parser.positionalArguments().size() != positionals) {
        return context.usageError(positionals == 0 ? QStringLiteral("takes no arguments.")
                                                   : QStringLiteral("takes %1 argument.").arg(positionals));
    }
    return context.connectUnit();
}

// The rate from --rate, else the one the unit reports.
int rateFor(CommandContext &context, const QCommandLineParser &parser, const QCommandLineOption &option,
            FrameRate *rate)
{
    if (parser.isSet(option)) {
        const std::optional<FrameRate> named = FrameRate::fromName(parser.value(option));
        if (!named)
            return context.usageError(QStringLiteral("--rate takes 24, 25, 30drop or 30."));
        *rate = *named;
        return ExitCode::kDone;
    }
    const CommandContext::Wait wait = context.waitFor([&] { return context.lastRate().has_value(); }, kListenMs);
    if (wait == CommandContext::Wait::Interrupted)
        return context.waitFailed(wait, QString());
    if (!context.lastRate()) {
        return context.usageError(
            QStringLiteral("the unit's time code is stopped, so its rate is not known: give --rate."));
    }
    *rate = *context.lastRate();
    return ExitCode::kDone;
}

// A label the unit can show at the rate.
int checkLabel(CommandContext &context, const QString &text, FrameRate rate, const char *what, Label *label)
{
    const std::optional<Label> parsed = TimeArgument::parse(text);
    if (!parsed || !FrameArithmetic::existsAtRate(*parsed, rate)) {
        return context.usageError(QStringLiteral("%1 \"%2\" is not a time at %3 frames a second (HH:MM:SS:FF).")
                                      .arg(QLatin1String(what), text, rate.name()));
    }
    *label = *parsed;
    return ExitCode::kDone;
}

// The generator only runs while the unit follows it.
int needGenerator(CommandContext &context)
{
    const int source = context.lastSource();
    if (source != 0 && source != 4) {
        return context.unitFailed(QStringLiteral("the unit takes its time code from %1, not its generator "
                                                 "(quill-ctl source generator)")
                                      .arg(UnitWords::sourceWord(source)));
    }
    return ExitCode::kDone;
}

// Sends a Locate and waits for the full frame the unit answers it with.
int locateAndWait(CommandContext &context, const Label &label, FrameRate rate)
{
    const std::optional<QByteArray> message =
        MachineControl::locate(label.hours, label.minutes, label.seconds, label.frames, rate);
    const int before = context.fullFramesSeen();
    if (!message || !context.sendLocate(*message))
        return context.unitFailed(QStringLiteral("the Locate could not be sent"));
    const CommandContext::Wait wait =
        context.waitFor([&] { return context.fullFramesSeen() > before; }, context.answerTimeoutMs());
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QStringLiteral("the unit did not answer the Locate"));
    return ExitCode::kDone;
}

} // namespace

int locate(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption rateOption(QStringLiteral("rate"), QString(), QStringLiteral("rate"));
    parser.addOption(rateOption);
    if (const int code = prepare(context, parser, arguments, 1); code != ExitCode::kDone)
        return code;
    FrameRate rate;
    if (const int code = rateFor(context, parser, rateOption, &rate); code != ExitCode::kDone)
        return code;
    Label label;
    if (const int code = checkLabel(context, parser.positionalArguments().first(), rate, "time", &label);
        code != ExitCode::kDone)
        return code;
    if (const int code = locateAndWait(context, label, rate); code != ExitCode::kDone)
        return code;
    context.out() << context.lastTimecode() << Qt::endl;
    return ExitCode::kDone;
}

int play(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = prepare(context, parser, arguments, 0); code != ExitCode::kDone)
        return code;
    if (const int code = needGenerator(context); code != ExitCode::kDone)
        return code;
    if (!context.send(MachineControl::play()))
        return context.unitFailed(QStringLiteral("Play could not be sent"));
    const CommandContext::Wait wait = context.waitFor(
        [&] {
            return context.streamDecoder()->streamDirection() != MidiTimecodeIn::Unknown
                && !context.lastTimecode().isEmpty();
        },
        context.answerTimeoutMs());
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QStringLiteral("the unit's time code did not start"));
    context.out() << context.lastTimecode() << Qt::endl;
    return ExitCode::kDone;
}

int stop(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = prepare(context, parser, arguments, 0); code != ExitCode::kDone)
        return code;
    // A running stream shows itself within a few frames.
    if (context.pause(kListenMs) == CommandContext::Wait::Interrupted)
        return context.waitFailed(CommandContext::Wait::Interrupted, QString());
    if (!context.send(MachineControl::stop()))
        return context.unitFailed(QStringLiteral("Stop could not be sent"));
    // A stream that stops sends nothing more: its state is looked at as
    // this ticks.
    QTimer poll;
    poll.start(kStopPollMs);
    const CommandContext::Wait wait =
        context.waitFor([&] { return streamStopped(context); }, context.answerTimeoutMs());
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QStringLiteral("the unit's time code did not stop"));
    context.out() << (context.lastTimecode().isEmpty() ? QStringLiteral("-") : context.lastTimecode()) << Qt::endl;
    return ExitCode::kDone;
}

int run(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption startOption(QStringLiteral("start"), QString(), QStringLiteral("time"));
    const QCommandLineOption endOption(QStringLiteral("end"), QString(), QStringLiteral("time"));
    const QCommandLineOption loopOption(QStringLiteral("loop"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QString(), QStringLiteral("rate"));
    parser.addOptions({startOption, endOption, loopOption, rateOption});
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("takes no arguments besides its options."));
    if (!parser.isSet(startOption) || !parser.isSet(endOption))
        return context.usageError(QStringLiteral("--start and --end are needed."));
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    GeneratorRun::Range range;
    range.loop = parser.isSet(loopOption);
    if (const int code = rateFor(context, parser, rateOption, &range.rate); code != ExitCode::kDone)
        return code;
    if (const int code = checkLabel(context, parser.value(startOption), range.rate, "--start", &range.start);
        code != ExitCode::kDone)
        return code;
    if (const int code = checkLabel(context, parser.value(endOption), range.rate, "--end", &range.end);
        code != ExitCode::kDone)
        return code;
    if (FrameArithmetic::distance(range.start, range.end, range.rate) <= 0)
        return context.usageError(QStringLiteral("--end must come after --start."));
    if (const int code = needGenerator(context); code != ExitCode::kDone)
        return code;

    GeneratorRun generator(context, range);
    if (!generator.start())
        return context.unitFailed(QStringLiteral("Locate and Play could not be sent"));
    CommandContext::Wait wait =
        context.waitFor([&] { return generator.heardTimecode(); }, context.answerTimeoutMs());
    // Looked at between positions too: a unit that stops short sends none.
    QTimer stallCheck;
    stallCheck.start(kStallCheckMs);
    bool stalled = false;
    if (wait == CommandContext::Wait::Done) {
        wait = context.waitFor(
            [&] {
                stalled = generator.stalled(context.answerTimeoutMs());
                return generator.isOver() || stalled;
            },
            -1);
    }
    if (wait != CommandContext::Wait::Done || stalled) {
        // Ctrl-C, or a unit that never ran or stopped on its own: it is left stopped.
        context.send(MachineControl::stop());
        return context.waitFailed(wait, stalled ? QStringLiteral("the unit's time code stopped at %1, short of End")
                                                      .arg(context.lastTimecode())
                                                : QStringLiteral("the unit's time code did not start"));
    }
    context.out() << generator.landing() << Qt::endl;
    return ExitCode::kDone;
}

int source(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (parser.positionalArguments().size() != 1)
        return context.usageError(QStringLiteral("takes one source."));
    const std::optional<int> number = UnitWords::sourceNumber(parser.positionalArguments().first());
    if (!number) {
        return context.usageError(QStringLiteral("\"%1\" is not a source: %2.")
                                      .arg(parser.positionalArguments().first(),
                                           UnitWords::sourceWords().join(QLatin1String(", "))));
    }
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    int reports = 0;
    int reported = 0;
    // The connection ends with this scope, before the context does.
    QObject scope;
    QObject::connect(&context, &CommandContext::reportReceived, &scope, [&](int n) {
        if (n >= 1 && n <= 6) {
            ++reports;
            reported = n;
        }
    });
    // The identification's own source report may still be on its way.
    if (context.pause(kListenMs) == CommandContext::Wait::Interrupted)
        return context.waitFailed(CommandContext::Wait::Interrupted, QString());
    reports = 0;
    if (!context.send(SourceSelection::sourceMessage(*number)))
        return context.unitFailed(QStringLiteral("the source could not be sent"));
    const CommandContext::Wait wait = context.waitFor([&] { return reports > 0; }, context.answerTimeoutMs());
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QStringLiteral("the unit did not answer the source choice"));
    if (reported != *number) {
        return context.unitFailed(QStringLiteral("the unit refused %1; it stays on %2")
                                      .arg(UnitWords::sourceWord(*number), UnitWords::sourceWord(reported)));
    }
    context.out() << UnitWords::sourceWord(reported) << Qt::endl;
    return ExitCode::kDone;
}

int rate(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption atOption(QStringLiteral("at"), QString(), QStringLiteral("time"));
    parser.addOption(atOption);
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (parser.positionalArguments().size() != 1)
        return context.usageError(QStringLiteral("takes one rate."));
    const std::optional<FrameRate> rate = FrameRate::fromName(parser.positionalArguments().first());
    if (!rate)
        return context.usageError(QStringLiteral("\"%1\" is not a rate: 24, 25, 30drop or 30.")
                                      .arg(parser.positionalArguments().first()));
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;
    if (const int code = needGenerator(context); code != ExitCode::kDone)
        return code;
    Label label{1, 0, 0, 0};
    if (parser.isSet(atOption)) {
        if (const int code = checkLabel(context, parser.value(atOption), *rate, "--at", &label);
            code != ExitCode::kDone)
            return code;
    } else {
        if (context.pause(kListenMs) == CommandContext::Wait::Interrupted)
            return context.waitFailed(CommandContext::Wait::Interrupted, QString());
        if (const std::optional<Label> here = TimeArgument::parse(context.lastTimecode()))
            label = FrameArithmetic::withinRate(*here, *rate);
    }
    if (const int code = locateAndWait(context, label, *rate); code != ExitCode::kDone)
        return code;
    if (context.lastRate() != rate) {
        return context.unitFailed(QStringLiteral("the unit refused %1; it stays at %2")
                                      .arg(rate->name(), UnitWords::rateWord(context.lastRate())));
    }
    context.out() << rate->name() << ' ' << context.lastTimecode() << Qt::endl;
    return ExitCode::kDone;
}

} // namespace TransportCommands
