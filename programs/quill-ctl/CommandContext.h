// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameRate.h"
#include "unit/UnitSession.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

struct Command;
class MidiTimecodeIn;
class QCommandLineParser;
class QTextStream;
class QTimer;

// What a subcommand works with: its output streams, the parsing of its
// arguments, the unit and the waiting for it.
//
// A subcommand parses first (parse()), then asks for the unit
// (connectUnit()), then sends and waits. Waiting runs the event loop until
// the condition holds, the time is up or the user pressed Ctrl-C; whatever
// the wait ends on, the subcommand returns the matching ExitCode. Results go
// to out() as plain lines, diagnostics to err().
//
// The unit is found among the MIDI output ports whose name holds "TQR": the
// one whose label contains the --unit text (letter case ignored), else the
// only one. Connecting opens its MIDI pair (and, for the TQR-30 series, its
// serial port) through a UnitSession, as the panel's menu pick does, but
// sends only the identification request: the panel's Stop and Locate on
// connecting would stop a show that is running.
class CommandContext : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // --unit: part of the unit's port label; empty for the only unit.
        QString unitName;
        // How long the unit has to answer a request.
        int answerTimeoutMs = 3000;
    };

    enum class Wait { Done, TimedOut, Interrupted };

    CommandContext(const UnitSession::Devices &devices, const Options &options, QTextStream &out, QTextStream &err,
                   QObject *parent = nullptr);
    ~CommandContext() override;

    QTextStream &out() const { return m_out; }
    QTextStream &err() const { return m_err; }
    const Options &options() const { return m_options; }
    int answerTimeoutMs() const { return m_options.answerTimeoutMs; }

    // The subcommand being run; set before its function is called.
    void setCommand(const Command *command) { m_command = command; }
    const Command *command() const { return m_command; }

    // Reads the subcommand's arguments with its options. Returns -1 to go on;
    // otherwise the exit code to return at once: kDone after --help printed
    // the usage, kUsage after a mistake was reported.
    int parse(QCommandLineParser &parser, const QStringList &arguments);
    // "quill-ctl NAME: message" and the hint to --help on err(); kUsage.
    int usageError(const QString &message) const;
    // "quill-ctl NAME: message" on err(); kUnitFailed.
    int unitFailed(const QString &message) const;
    // The code for a wait that did not end in Done, with its message: what
    // did not come in time, or the interruption.
    int waitFailed(Wait wait, const QString &whatDidNotCome) const;

    // The port labels of the units present, in the order the MIDI system
    // lists them.
    QStringList unitLabels();
    // The unit named by --unit, or the only one; with a message on err() and
    // the exit code in *code when there is none to pick.
    QString pickUnit(int *code);

    // Connects to the unit picked by pickUnit() and waits until it has named
    // its model. needSerial: for a unit with a serial port, also until the
    // port gave model and firmware version (kUnitFailed when it did not).
    // Returns kDone or the exit code, its message printed.
    int connectUnit(bool needSerial = false);
    // Connects to this label instead; the same waits.
    int connectLabel(const QString &label, bool needSerial);
    void disconnectUnit();

    UnitSession *session() const { return m_session; }
    QString label() const { return m_label; }
    // The model the unit named; empty before.
    QString product() const { return m_product; }
    // Model and version read over the serial port; empty when not read.
    QString serialModel() const { return m_serialModel; }
    QString firmwareVersion() const { return m_firmwareVersion; }
    // Until the serial port tells model and version again (after an upgrade).
    void forgetFirmwareVersion();

    // Sends one System Exclusive message to the unit; false when the port
    // would not take it.
    bool send(const QByteArray &message) const;
    // Sends a Locate (the unit's time code from before it is then stale).
    bool sendLocate(const QByteArray &locate) const;

    // Every message the unit sends, as the session offers it (see
    // UnitSession::Feedback for the order). Listeners stay for the life of
    // the context.
    void onMessage(std::function<void(const QByteArray &)> listener);
    // Decodes the unit's full frames, source and rate reports.
    MidiTimecodeIn *messageDecoder() const { return m_messageDecoder; }
    // Decodes the quarter frames on the input's thread: the stream's
    // position, its health and the position alarm (see MidiTimecodeIn).
    MidiTimecodeIn *streamDecoder() const;
    // The source (1-6) last heard, 0 before; the rate last heard.
    int lastSource() const { return m_lastSource; }
    std::optional<FrameRate> lastRate() const { return m_lastRate; }
    // The time code last shown, "hh:mm:ss:ff", from quarter frames or a
    // full frame; empty before.
    QString lastTimecode() const { return m_lastTimecode; }
    // Full frames heard since connecting: the unit answers each Locate with
    // one, which also reports its rate.
    int fullFramesSeen() const { return m_fullFrames; }

signals:
    // Each frame the unit's time code shows, as lastTimecode() then says.
    void timecodeShown(const QString &timecode);
    // The unit reported its source (1-6) or rate (11-14).
    void reportReceived(int number);
    // Ctrl-C was pressed.
    void interruptPressed();

public:

    // Runs the event loop until done() holds, timeoutMs passed (negative: no
    // limit) or the user interrupted. done() is asked first and after every
    // batch of events.
    // With Through::Interrupts, Ctrl-C does not end the wait (it is still
    // noted, and interruptPressed() emitted): for what must not stop half-way.
    enum class Through { Nothing, Interrupts };
    Wait waitFor(const std::function<bool()> &done, int timeoutMs, Through through = Through::Nothing);
    // Runs the event loop for this long, or until interrupted.
    Wait pause(int ms);
    // Ctrl-C: every wait ends with Wait::Interrupted from now on.
    void interrupt();
    bool interrupted() const { return m_interrupted; }

private:
    void receive(const QByteArray &message);

    QTextStream &m_out;
    QTextStream &m_err;
    Options m_options;
    const Command *m_command = nullptr;
    UnitSession *m_session;
    MidiTimecodeIn *m_messageDecoder;
    // The MIDI ports' refresh and unplug watch while connected.
    QTimer *m_watchTimer;
    std::vector<std::function<void(const QByteArray &)>> m_listeners;
    QString m_label;
    QString m_product;
    QString m_serialModel;
    QString m_firmwareVersion;
    bool m_identified = false;
    bool m_serialIdentified = false;
    int m_lastSource = 0;
    std::optional<FrameRate> m_lastRate;
    QString m_lastTimecode;
    int m_fullFrames = 0;
    bool m_interrupted = false;
};
