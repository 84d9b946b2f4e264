// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ConnectionReactions.h"

#include "shell/ModelControls.h"
#include "shell/UnitStatus.h"
#include "panel/TimecodePanel.h"
#include "unit/UnitSession.h"

#include <QLineEdit>

ConnectionReactions::ConnectionReactions(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_transport(parts.panel->transport())
    , m_readout(parts.panel->readout())
{
    // The session hears of a connect or disconnect before the device menu
    // does, so these run before the menu's boxes open a nested event loop:
    // by then the panel has let go of the old unit.
    connect(parts.session, &UnitSession::connected, this, &ConnectionReactions::connected);
    connect(parts.session, &UnitSession::disconnected, this, &ConnectionReactions::disconnected);
}

void ConnectionReactions::connected(const QString &label)
{
    m_transport->cancelPendingPlay();
    m_parts.modelControls->forgetProduct();
    m_readout->show(1, 0, 0, 0);
    m_readout->setLive(true);
    m_parts.status->connected(label);
    m_parts.session->sendConnectSequence(m_parts.start->text(), m_parts.panel->context().locateRate());
    m_parts.modelControls->updateOscControlsVisibility();
    m_parts.modelControls->applyGeneratorSourceRule(label);
}

void ConnectionReactions::disconnected(const QString &label, MidiConnection::Loss loss)
{
    m_transport->unitGone();
    m_readout->setLive(false);
    m_parts.status->disconnected(loss == MidiConnection::Loss::Unplugged
                                     ? label + QStringLiteral(" was unplugged")
                                     : QStringLiteral("Disconnected from ") + label);
    m_parts.modelControls->forgetProduct();
    if (loss == MidiConnection::Loss::ByUser)
        m_parts.modelControls->updateOscControlsVisibility();
}
