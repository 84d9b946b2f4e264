// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "unit/UnitSession.h"

#include <QObject>
#include <QStringList>

#include <functional>

class CommandContext;
class QTextStream;

// The whole of quill-ctl but main(): the global options, the subcommand
// dispatch and the exit code. Tests run it in the process with their own
// devices and streams.
//
//   quill-ctl [--unit NAME] [--midi-api alsa|jack] [--timeout S] [--verbose] COMMAND [ARGS]
//
// --midi-api sets QUILL_MIDI_API, which the system's MIDI driver reads, so
// the devices are made only after the global options are read.
class QuillCtl : public QObject
{
    Q_OBJECT
public:
    using DeviceFactory = std::function<UnitSession::Devices()>;

    QuillCtl(QTextStream &out, QTextStream &err, QObject *parent = nullptr);

    // arguments without the program's name. makeDevices is called once, and
    // not at all for --help, --version or a usage mistake.
    int run(const QStringList &arguments, const DeviceFactory &makeDevices);

public slots:
    // Ctrl-C: the command in progress ends with ExitCode::kInterrupted.
    void interrupt();

private:
    int printHelp() const;

    QTextStream &m_out;
    QTextStream &m_err;
    CommandContext *m_context = nullptr;
    bool m_interrupted = false;
};
