#include "midi/QMidiOut.h"

#include "midi/MidiDriver.h"

#include <QDebug>

QMidiOut::QMidiOut(MidiDriver *driver)
    : m_driver(driver)
{
}

QMidiOut::~QMidiOut() = default;

bool QMidiOut::openDevice(int index)
{
    closeDevice();
    m_port = m_driver->openOutput(index);
    return m_port != nullptr;
}

void QMidiOut::closeDevice()
{
    m_port.reset();
}

void QMidiOut::sendLongMessage(const QByteArray &message)
{
    if (!m_port)
        return;
    if (!m_port->sendLong(message, kSendTimeoutMs))
        qWarning() << "MIDI output did not complete the message within" << kSendTimeoutMs << "ms or failed:"
                   << message.toHex(' ').toUpper();
}
