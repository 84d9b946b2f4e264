// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/StatusLine.h"

#include "shell/ShellStyles.h"
#include "shell/UnitStatus.h"
#include "midi/MidiConnection.h"
#include "serial/FirmwareTransfer.h"
#include "unit/UnitSession.h"

#include <QLabel>
#include <QVBoxLayout>

StatusLine::StatusLine(QVBoxLayout *layout, int position, UnitSession *session, MidiConnection *midi,
                       FirmwareTransfer *transfer, QObject *parent)
    : QObject(parent)
    , m_status(new UnitStatus(this))
    , m_label(new QLabel(layout->parentWidget()))
{
    m_label->setObjectName(QStringLiteral("statusLine"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->insertWidget(position, m_label);
    connect(m_status, &UnitStatus::changed, this, &StatusLine::show);

    // Without a MIDI system nothing can be connected; the line says why.
    const auto midiSystem = [this, midi] { m_status->setMidiUnavailable(midi->unavailableText()); };
    connect(midi, &MidiConnection::stateChanged, this, midiSystem);
    connect(midi, &MidiConnection::connectFailed, this, [this](const QString &label, bool again) {
        if (!again)
            m_status->noteProblem(QStringLiteral("Could not connect to ") + label);
    });
    connect(session, &UnitSession::identified, this,
            [this](const QString &product, bool tqrClass) { m_status->setModel(tqrClass ? product : QString()); });
    connect(session, &UnitSession::unitIdentified, this,
            [this](const QString &, const QString &version) { m_status->setFirmware(version); });
    connect(transfer, &FirmwareTransfer::finished, this,
            [this] { m_status->noteDone(QStringLiteral("New firmware written")); });
    connect(transfer, &FirmwareTransfer::failed, this,
            [this](const QString &message) { m_status->noteProblem(QStringLiteral("Upgrade failed: ") + message); });
    midiSystem();
    show();
}

void StatusLine::show()
{
    m_label->setText(m_status->text());
    m_label->setStyleSheet(m_status->lastIsProblem() ? ShellStyles::kStatusLineProblem
                                                     : ShellStyles::kStatusLineQuiet);
}
