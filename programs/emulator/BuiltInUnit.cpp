// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/BuiltInUnit.h"

#include "emulator/InMemoryUnitLink.h"
#include "emulator/PtySerialLink.h"

BuiltInUnit::BuiltInUnit(InMemoryMidiDriver *driver)
    : BuiltInUnit(driver, Options())
{
}

QString BuiltInUnit::portNameFor(UnitMessages::Model model)
{
    return UnitMessages::modelName(model) + QStringLiteral(" (built-in)");
}

BuiltInUnit::BuiltInUnit(InMemoryMidiDriver *driver, const Options &options)
    : m_portName(portNameFor(options.model))
{
    m_thread.setObjectName(QStringLiteral("emulated unit"));
    m_unit = new EmulatedUnit(options.model, options.firmwareVersion);
    m_unit->setTiming(options.timing);
    m_unit->setFaults(options.faults);
    m_unit->moveToThread(&m_thread);
    m_thread.start();
    call([&](EmulatedUnit &unit) {
        m_midi = new InMemoryUnitLink(&unit, driver, m_portName);
        if (unit.hasSerialPort())
            m_serial = new PtySerialLink(&unit, options.registryDirectory);
        unit.powerOn();
    });
}

BuiltInUnit::~BuiltInUnit()
{
    call([this](EmulatedUnit &unit) {
        delete m_midi;
        delete m_serial;
        unit.unplug();
    });
    m_thread.quit();
    m_thread.wait();
    // Its timers are all stopped by now, so it may go from this thread.
    delete m_unit;
}

void BuiltInUnit::call(const std::function<void(EmulatedUnit &)> &work) const
{
    EmulatedUnit *unit = m_unit;
    if (QThread::currentThread() == &m_thread) {
        work(*unit);
        return;
    }
    QMetaObject::invokeMethod(unit, [unit, &work] { work(*unit); }, Qt::BlockingQueuedConnection);
}

QString BuiltInUnit::serialPortPath() const
{
    QString path;
    call([&](EmulatedUnit &) {
        if (m_serial)
            path = m_serial->portPath();
    });
    return path;
}

void BuiltInUnit::unplug()
{
    call([](EmulatedUnit &unit) { unit.unplug(); });
}

void BuiltInUnit::plugIn()
{
    call([](EmulatedUnit &unit) { unit.powerOn(); });
}
