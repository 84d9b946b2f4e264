// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuillCtl.h"

#include "Command.h"
#include "CommandContext.h"
#include "ExitCode.h"
#include "QuillVersion.h"

#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTextStream>

QuillCtl::QuillCtl(QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_out(out)
    , m_err(err)
{
}

void QuillCtl::interrupt()
{
    m_interrupted = true;
    if (m_context)
        m_context->interrupt();
}

int QuillCtl::printHelp() const
{
    m_out << "Usage: quill-ctl [options] COMMAND [arguments]\n"
             "Drives a TQR time-code unit from a terminal or a script.\n\n"
             "Options:\n"
             "  --unit NAME        The unit whose MIDI port name contains NAME (letter case\n"
             "                     ignored); needed when several units are present.\n"
             "  --midi-api API     MIDI system: alsa or jack (as QUILL_MIDI_API).\n"
             "  --timeout SECONDS  How long the unit has to answer (default 3).\n"
             "  --verbose          Trace what is sent and received on standard error.\n"
             "  -h, --help         This help; COMMAND --help for a command's own.\n"
             "  --version          The version.\n\n"
             "Commands:\n";
    for (const Command &command : commandTable())
        m_out << "  " << QString::fromLatin1(command.name).leftJustified(9) << ' ' << command.summary << '\n';
    m_out << "\nExit status: 0 done, 1 the unit refused or did not answer in time, 2 usage,\n"
             "3 no such unit, 4 interrupted.\n"
          << Qt::flush;
    return ExitCode::kDone;
}

int QuillCtl::run(const QStringList &arguments, const DeviceFactory &makeDevices)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption unit(QStringLiteral("unit"), QString(), QStringLiteral("name"));
    const QCommandLineOption api(QStringLiteral("midi-api"), QString(), QStringLiteral("api"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("seconds"));
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({unit, api, timeout, verbose, help, version});
    auto usage = [this](const QString &message) {
        m_err << "quill-ctl: " << message << "\nTry 'quill-ctl --help'.\n" << Qt::flush;
        return ExitCode::kUsage;
    };
    if (!parser.parse(QStringList(QStringLiteral("quill-ctl")) + arguments))
        return usage(parser.errorText());
    if (parser.isSet(help))
        return printHelp();
    if (parser.isSet(version)) {
        m_out << "quill-ctl " << QuillVersion::kText << '\n' << Qt::flush;
        return ExitCode::kDone;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return usage(QStringLiteral("no command given."));
    const Command *command = findCommand(rest.first());
    if (!command)
        return usage(QStringLiteral("unknown command \"%1\".").arg(rest.first()));

    CommandContext::Options options;
    options.unitName = parser.value(unit);
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return usage(QStringLiteral("--timeout takes a number of seconds above 0."));
        options.answerTimeoutMs = int(seconds * 1000);
    }
    if (parser.isSet(api)) {
        const QString name = parser.value(api).toLower();
        if (name != QLatin1String("alsa") && name != QLatin1String("jack"))
            return usage(QStringLiteral("--midi-api takes alsa or jack."));
        qputenv("QUILL_MIDI_API", name.toLatin1());
    }
    // The traces of the layers below are for finding faults, not for scripts.
    if (!parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));

    // Help is text alone: no MIDI system is opened for it.
    const QStringList commandArguments = rest.mid(1);
    const bool helpOnly = commandArguments.contains(QLatin1String("--help"))
        || commandArguments.contains(QLatin1String("-h"));
    const UnitSession::Devices devices = helpOnly ? UnitSession::Devices{} : makeDevices();
    CommandContext context(devices, options, m_out, m_err);
    context.setCommand(command);
    m_context = &context;
    const auto forget = qScopeGuard([this] { m_context = nullptr; });
    if (m_interrupted)
        context.interrupt();
    const int code = command->run(context, commandArguments);
    m_out << Qt::flush;
    m_err << Qt::flush;
    return code;
}
