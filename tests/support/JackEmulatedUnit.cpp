// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/JackEmulatedUnit.h"

#include "emulator/RtMidiUnitLink.h"

JackEmulatedUnit::JackEmulatedUnit(UnitMessages::Model model, int returnLagMs)
{
    m_thread.setObjectName(QStringLiteral("emulated unit on JACK"));
    m_unit = new EmulatedUnit(model);
    m_portName = m_unit->portName();
    m_unit->moveToThread(&m_thread);
    m_thread.start();
    call([this, returnLagMs](EmulatedUnit &unit) {
        m_link = new RtMidiUnitLink(&unit, RtMidiUnitLink::Api::Jack);
        m_link->setReturnLagMs(returnLagMs);
        unit.powerOn();
        m_open = m_link->isOpen();
        m_error = m_link->errorText();
    });
}

JackEmulatedUnit::~JackEmulatedUnit()
{
    call([this](EmulatedUnit &unit) {
        unit.unplug();
        delete m_link;
    });
    m_thread.quit();
    m_thread.wait();
    // Its timers are all stopped by now, so it may go from this thread.
    delete m_unit;
}

void JackEmulatedUnit::call(const std::function<void(EmulatedUnit &)> &work) const
{
    EmulatedUnit *unit = m_unit;
    QMetaObject::invokeMethod(unit, [unit, &work] { work(*unit); }, Qt::BlockingQueuedConnection);
}
