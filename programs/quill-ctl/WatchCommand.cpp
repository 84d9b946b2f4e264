// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatchCommand.h"

#include "CommandContext.h"
#include "ExitCode.h"
#include "OutputText.h"
#include "UnitWords.h"
#include "protocol/MidiTimecodeIn.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

namespace WatchCommand {

const char kUsage[] =
    "[--json] [--seconds N]\n\n"
    "Prints the unit's time code as it comes, one line a frame: the wall-clock\n"
    "time, the label and the rate. Lines for what happens to the stream come\n"
    "between: \"started forward\" or \"started reverse\", \"stopped\", \"rejected\n"
    "label\", \"jump\", \"lost pieces\", \"source\", \"unplugged\", \"back\". Ends on\n"
    "Ctrl-C (exit status 4) or after --seconds (0).\n\n"
    "  --json       One JSON object a line: {\"time\", \"timecode\", \"rate\"}, or\n"
    "               {\"time\", \"event\", ...} with the event's own fields.\n"
    "  --seconds N  Stop watching after N seconds.\n";

namespace {

// How often the stream's state is read between labels: a stopped stream
// sends none.
constexpr int kStateReadMs = 200;

class Printer
{
public:
    Printer(CommandContext &context, bool json)
        : m_context(context)
        , m_json(json)
    {
    }

    void timecode(const QString &label)
    {
        const QString rate = UnitWords::rateWord(m_context.lastRate());
        if (m_json) {
            QJsonObject line{{QStringLiteral("time"), now()},
                             {QStringLiteral("timecode"), label},
                             {QStringLiteral("rate"), rate}};
            write(line);
        } else {
            m_context.out() << now() << ' ' << label << ' ' << rate << Qt::endl;
        }
    }

    void event(const QString &name, const QJsonObject &fields = {})
    {
        if (m_json) {
            QJsonObject line = fields;
            line[QStringLiteral("time")] = now();
            line[QStringLiteral("event")] = name;
            write(line);
            return;
        }
        QString text = now() + QLatin1Char(' ') + name;
        for (auto it = fields.begin(); it != fields.end(); ++it)
            text += QLatin1Char(' ') + it.key() + QLatin1Char('=') + OutputText::plain(it.value().toVariant().toString());
        m_context.out() << text << Qt::endl;
    }

private:
    static QString now() { return QDateTime::currentDateTime().toString(Qt::ISODateWithMs); }
    void write(const QJsonObject &line)
    {
        m_context.out() << QJsonDocument(line).toJson(QJsonDocument::Compact) << Qt::endl;
    }

    CommandContext &m_context;
    bool m_json;
};

// Tells what changed in the stream's state and health since the last look.
class HealthWatch
{
public:
    HealthWatch(CommandContext &context, Printer &printer)
        : m_context(context)
        , m_printer(printer)
        , m_health(context.streamDecoder()->streamHealth())
    {
    }

    void look()
    {
        MidiTimecodeIn *stream = m_context.streamDecoder();
        const MidiTimecodeIn::StreamHealth health = stream->streamHealth();
        auto counted = [this](const char *name, int now, int before) {
            if (now > before)
                m_printer.event(QString::fromLatin1(name), {{QStringLiteral("count"), now - before}});
        };
        counted("lost pieces", health.lostPieces, m_health.lostPieces);
        counted("rejected label", health.rejectedLabels, m_health.rejectedLabels);
        if (health.confirmedJumps > m_health.confirmedJumps)
            m_printer.event(QStringLiteral("jump"), {{QStringLiteral("to"), m_context.lastTimecode()}});
        // A reset (the port reopened) starts the counts again.
        m_health = health;

        bool stopped = false;
        const MidiTimecodeIn::Direction direction = stream->streamDirection(&stopped);
        if (direction != m_direction) {
            if (direction == MidiTimecodeIn::Forward)
                m_printer.event(QStringLiteral("started forward"));
            else if (direction == MidiTimecodeIn::Reverse)
                m_printer.event(QStringLiteral("started reverse"));
            else if (stopped)
                m_printer.event(QStringLiteral("stopped"), {{QStringLiteral("at"), m_context.lastTimecode()}});
            m_direction = direction;
        }
    }

private:
    CommandContext &m_context;
    Printer &m_printer;
    MidiTimecodeIn::StreamHealth m_health;
    MidiTimecodeIn::Direction m_direction = MidiTimecodeIn::Unknown;
};

} // namespace

int watch(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QString(), QStringLiteral("n"));
    parser.addOptions({json, seconds});
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("takes no arguments besides its options."));
    int limitMs = -1;
    if (parser.isSet(seconds)) {
        bool ok = false;
        const double value = parser.value(seconds).toDouble(&ok);
        if (!ok || value <= 0 || value > 24 * 3600 * 365.0)
            return context.usageError(QStringLiteral("--seconds takes a number of seconds above 0."));
        limitMs = int(value * 1000);
    }
    if (const int code = context.connectUnit(); code != ExitCode::kDone)
        return code;

    // The connections below end with this scope, before the context does.
    QObject scope;
    Printer printer(context, parser.isSet(json));
    HealthWatch health(context, printer);
    QObject::connect(&context, &CommandContext::timecodeShown, &scope, [&](const QString &label) {
        health.look();
        printer.timecode(label);
    });
    int source = context.lastSource();
    QObject::connect(&context, &CommandContext::reportReceived, &scope, [&](int number) {
        if (number >= 1 && number <= 6 && number != source) {
            source = number;
            printer.event(QStringLiteral("source"), {{QStringLiteral("source"), UnitWords::sourceWord(number)}});
        }
    });
    QObject::connect(context.session(), &UnitSession::disconnected, &scope,
                     [&](const QString &label) { printer.event(QStringLiteral("unplugged"), {{QStringLiteral("unit"), label}}); });
    QObject::connect(context.session(), &UnitSession::connected, &scope,
                     [&](const QString &label) { printer.event(QStringLiteral("back"), {{QStringLiteral("unit"), label}}); });
    QTimer stateRead;
    QObject::connect(&stateRead, &QTimer::timeout, &scope, [&] { health.look(); });
    stateRead.start(kStateReadMs);

    const CommandContext::Wait wait = context.waitFor([] { return false; }, limitMs);
    if (wait == CommandContext::Wait::Interrupted)
        return context.waitFailed(wait, QString());
    return ExitCode::kDone;
}

} // namespace WatchCommand
