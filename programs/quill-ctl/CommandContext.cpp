// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandContext.h"

#include "Command.h"
#include "ExitCode.h"
#include "OutputText.h"
#include "midi/MidiConnection.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"
#include "protocol/MidiTimecodeIn.h"
#include "protocol/SysEx.h"
#include "serial/SerialPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

namespace {
// The panel's refresh and unplug watch run this often too.
constexpr int kWatchIntervalMs = 1000;
constexpr int kIdentifyAgainMs = 500;
constexpr int kSourceReportMs = 250;
} // namespace

CommandContext::CommandContext(const UnitSession::Devices &devices, const Options &options, QTextStream &out,
                               QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_out(out)
    , m_err(err)
    , m_options(options)
    , m_session(new UnitSession(devices, this))
    , m_messageDecoder(new MidiTimecodeIn(this))
    , m_watchTimer(new QTimer(this))
{
    MidiConnection *midi = m_session->midi();
    connect(midi->input(), &QMidiIn::midiMessageReceived, this, &CommandContext::receive);
    // Quarter frames are decoded where they arrive, as in the panel.
    streamDecoder();

    UnitSession::Feedback feedback;
    feedback.timecode = [this](const QByteArray &message) { m_messageDecoder->processMidiMessage(message); };
    feedback.messageSeen = [] {};
    m_session->setFeedback(feedback);
    auto noteReport = [this](int number) {
        if (number >= 1 && number <= 6)
            m_lastSource = number;
        else if (const std::optional<FrameRate> rate = FrameRate::fromReport(number))
            m_lastRate = rate;
        emit reportReceived(number);
    };
    auto noteTimecode = [this](const QString &timecode) {
        m_lastTimecode = timecode;
        emit timecodeShown(timecode);
    };
    connect(streamDecoder(), &MidiTimecodeIn::timecodeReceived, this, noteTimecode);
    connect(m_messageDecoder, &MidiTimecodeIn::timeCodeParsed, this,
            [noteTimecode](int hour, int minute, int second, int frame) {
                noteTimecode(QString::asprintf("%02d:%02d:%02d:%02d", hour, minute, second, frame));
            });
    connect(m_messageDecoder, &MidiTimecodeIn::sourcecodeReceived, this, noteReport);
    connect(streamDecoder(), &MidiTimecodeIn::sourcecodeReceived, this, noteReport);

    connect(m_session, &UnitSession::identified, this, [this](const QString &product, bool tqrClass) {
        m_product = product;
        m_identified = tqrClass && !product.isEmpty();
    });
    connect(m_session, &UnitSession::unitIdentified, this, [this](const QString &model, const QString &version) {
        m_serialModel = model;
        m_firmwareVersion = version;
        m_serialIdentified = true;
    });
    connect(m_session, &UnitSession::connected, this, [this](const QString &label) {
        m_label = label;
        m_identified = false;
        send(Identification::identificationRequest());
    });
    connect(m_watchTimer, &QTimer::timeout, this, [this] {
        m_session->midi()->refreshLists();
        m_session->midi()->watch();
    });
}

CommandContext::~CommandContext()
{
    // The ports close before the session's members go.
    disconnectUnit();
}

MidiTimecodeIn *CommandContext::streamDecoder() const
{
    return m_session->midi()->input()->quarterFrameDecoder();
}

void CommandContext::receive(const QByteArray &message)
{
    // F0 7F 7F 01 01 hh mm ss ff F7: hh carries the rate in bits 5-6.
    if (message.size() >= 9 && SysEx::isUniversalRealTime(message, SysEx::kTimeCodeSubId)
        && quint8(message.at(4)) == SysEx::kFullFrame) {
        ++m_fullFrames;
        if (const std::optional<FrameRate> rate = FrameRate::fromHourByte(quint8(message.at(5))))
            m_lastRate = rate;
    }
    m_session->receive(message);
    for (const auto &listener : m_listeners)
        listener(message);
}

void CommandContext::onMessage(std::function<void(const QByteArray &)> listener)
{
    m_listeners.push_back(std::move(listener));
}

// Arguments and messages -------------------------------------------------------

int CommandContext::parse(QCommandLineParser &parser, const QStringList &arguments)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This help."));
    parser.addOption(help);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList all = arguments;
    all.prepend(QStringLiteral("quill-ctl"));
    if (!parser.parse(all)) {
        // --help anywhere wins over a mistake elsewhere.
        if (!arguments.contains(QLatin1String("--help")) && !arguments.contains(QLatin1String("-h")))
            return usageError(parser.errorText());
    }
    if (parser.isSet(help) || arguments.contains(QLatin1String("--help"))) {
        m_out << "Usage: quill-ctl [--unit NAME] [--midi-api alsa|jack] " << m_command->name << ' '
              << m_command->usage << Qt::flush;
        return ExitCode::kDone;
    }
    return -1;
}

int CommandContext::usageError(const QString &message) const
{
    const QString name = m_command ? QString::fromLatin1(m_command->name) : QString();
    const QString who = name.isEmpty() ? QStringLiteral("quill-ctl") : QStringLiteral("quill-ctl ") + name;
    m_err << who << ": " << OutputText::plain(message) << "\nTry '" << who << " --help'.\n" << Qt::flush;
    return ExitCode::kUsage;
}

int CommandContext::unitFailed(const QString &message) const
{
    const QString name = m_command ? QString::fromLatin1(m_command->name) : QString();
    m_err << "quill-ctl " << name << ": " << OutputText::plain(message) << '\n' << Qt::flush;
    return ExitCode::kUnitFailed;
}

int CommandContext::waitFailed(Wait wait, const QString &whatDidNotCome) const
{
    if (wait == Wait::Interrupted) {
        m_err << "quill-ctl: interrupted\n" << Qt::flush;
        return ExitCode::kInterrupted;
    }
    return unitFailed(whatDidNotCome);
}

// Finding and connecting the unit ------------------------------------------------

QStringList CommandContext::unitLabels()
{
    MidiConnection *midi = m_session->midi();
    midi->rebuildOutputs();
    QStringList units;
    for (const QString &label : midi->outputs().labels) {
        if (label.contains(QLatin1String("TQR"), Qt::CaseInsensitive))
            units << label;
    }
    return units;
}

QString CommandContext::pickUnit(int *code)
{
    const QStringList all = unitLabels();
    const QString wanted = m_options.unitName;
    QStringList matching;
    for (const QString &label : all) {
        if (wanted.isEmpty() || label.contains(wanted, Qt::CaseInsensitive))
            matching << label;
    }
    if (matching.size() == 1) {
        *code = ExitCode::kDone;
        return matching.first();
    }
    // An exact label wins over labels that merely contain it.
    for (const QString &label : matching) {
        if (label.compare(wanted, Qt::CaseInsensitive) == 0) {
            *code = ExitCode::kDone;
            return label;
        }
    }
    *code = ExitCode::kNoSuchUnit;
    const QString unavailable = m_session->midi()->unavailableText();
    if (all.isEmpty()) {
        m_err << "quill-ctl: no TQR unit is present"
              << (unavailable.isEmpty() ? QString() : QStringLiteral(" (") + unavailable + QLatin1Char(')'))
              << '\n';
    } else if (matching.isEmpty()) {
        m_err << "quill-ctl: no unit matches \"" << wanted << "\"; present:\n";
    } else {
        m_err << "quill-ctl: " << matching.size() << " units " << (wanted.isEmpty() ? "are present" : "match")
              << "; pick one with --unit NAME:\n";
    }
    for (const QString &label : matching.isEmpty() ? all : matching)
        m_err << "  " << OutputText::plain(label) << '\n';
    m_err << Qt::flush;
    return QString();
}

int CommandContext::connectUnit(bool needSerial)
{
    int code = ExitCode::kDone;
    const QString label = pickUnit(&code);
    if (code != ExitCode::kDone)
        return code;
    return connectLabel(label, needSerial);
}

int CommandContext::connectLabel(const QString &label, bool needSerial)
{
    disconnectUnit();
    m_session->midi()->rebuildOutputs();
    m_session->choose(label);
    if (!m_session->midi()->isConnected())
        return unitFailed(QStringLiteral("%1 would not open").arg(label));
    m_watchTimer->start(kWatchIntervalMs);
    // The question is asked again while no answer came: on a busy JACK
    // graph the first message after the ports are joined can be lost.
    QTimer askAgain;
    connect(&askAgain, &QTimer::timeout, this, [this] { send(Identification::identificationRequest()); });
    askAgain.start(kIdentifyAgainMs);
    Wait wait = waitFor([this] { return m_identified; }, answerTimeoutMs());
    askAgain.stop();
    if (wait != Wait::Done) {
        return waitFailed(wait, m_session->midi()->input()->isOpen()
                                    ? QStringLiteral("%1 did not answer the identification request").arg(label)
                                    : QStringLiteral("%1 has no MIDI input to answer on").arg(label));
    }
    // The unit tells its source right after its model; commands that
    // depend on the source find it known.
    wait = waitFor([this] { return m_lastSource != 0; }, kSourceReportMs);
    if (wait == Wait::Interrupted)
        return waitFailed(wait, QString());
    // Of the family, only the TQR-30 series has a serial port.
    if (!needSerial || !m_product.startsWith(QLatin1String("TQR-30")))
        return ExitCode::kDone;
    wait = waitFor([this] { return m_serialIdentified; }, answerTimeoutMs());
    if (wait != Wait::Done) {
        const QString port = m_session->pairedSerialPort();
        return waitFailed(wait, port.isEmpty()
                                    ? QStringLiteral("no serial port of %1 was found").arg(label)
                                    : QStringLiteral("%1 did not tell its firmware version on %2").arg(label, port));
    }
    return ExitCode::kDone;
}

void CommandContext::disconnectUnit()
{
    m_watchTimer->stop();
    if (m_session->midi()->isConnected())
        m_session->choose(m_session->midi()->connectedOutputLabel());
    m_label.clear();
    m_product.clear();
    m_serialModel.clear();
    m_firmwareVersion.clear();
    m_identified = false;
    m_serialIdentified = false;
    m_lastSource = 0;
    m_lastRate.reset();
    m_lastTimecode.clear();
    m_fullFrames = 0;
}

void CommandContext::forgetFirmwareVersion()
{
    m_serialModel.clear();
    m_firmwareVersion.clear();
    m_serialIdentified = false;
}

bool CommandContext::send(const QByteArray &message) const
{
    return m_session->midi()->output()->sendLongMessage(message);
}

bool CommandContext::sendLocate(const QByteArray &locate) const
{
    // Whatever the unit said before it moved is not where it will be.
    m_messageDecoder->forgetTimeline();
    streamDecoder()->forgetTimeline();
    return send(locate);
}

// Waiting ----------------------------------------------------------------------

CommandContext::Wait CommandContext::waitFor(const std::function<bool()> &done, int timeoutMs, Through through)
{
    QEventLoop loop;
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, [&timedOut] { timedOut = true; });
    if (timeoutMs >= 0)
        deadline.start(timeoutMs);
    Wait result = Wait::Done;
    while (true) {
        if (m_interrupted && through == Through::Nothing) {
            result = Wait::Interrupted;
            break;
        }
        if (done())
            break;
        if (timedOut) {
            result = Wait::TimedOut;
            break;
        }
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return result;
}

CommandContext::Wait CommandContext::pause(int ms)
{
    const Wait wait = waitFor([] { return false; }, ms);
    return wait == Wait::TimedOut ? Wait::Done : wait;
}

void CommandContext::interrupt()
{
    // Called from an event (the signal's notifier), so a wait in progress
    // looks at the flag right after.
    m_interrupted = true;
    emit interruptPressed();
}
