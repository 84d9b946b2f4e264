// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiConnection.h"

#include <QObject>
#include <QString>

class GeneratorTransport;
class ModelControls;
class QLineEdit;
class TimecodePanel;
class TimecodeReadout;
class UnitSession;
class UnitStatus;

// What a unit's arrival and departure mean for the window: the generator lets
// go of the old unit, the readout resets and dims, the model-dependent
// controls wait for the new unit to identify itself, the status line
// follows, and a new unit is sent Stop, the Start time and the identification
// request. These touch five parts of the window in an order that matters, so
// they are kept together rather than spread over the parts.
class ConnectionReactions : public QObject
{
    Q_OBJECT
public:
    // All borrowed; the window owns them.
    struct Parts
    {
        UnitSession *session;
        TimecodePanel *panel;
        ModelControls *modelControls;
        UnitStatus *status;
        // The Start time the new unit is located to.
        QLineEdit *start;
    };

    ConnectionReactions(const Parts &parts, QObject *parent);

private:
    void connected(const QString &label);
    void disconnected(const QString &label, MidiConnection::Loss loss);

    Parts m_parts;
    GeneratorTransport *m_transport;
    TimecodeReadout *m_readout;
};
