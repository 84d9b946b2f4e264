#include "midi/QMidiIn.h"

#include <QDebug>
#include <QLoggingCategory>

// Every received message in hex. Off by default because time code alone is a
// hundred messages a second; QT_LOGGING_RULES="quill.midi.in.debug=true" shows it.
Q_LOGGING_CATEGORY(lcMidiIn, "quill.midi.in", QtInfoMsg)

QMidiIn::QMidiIn(MidiDriver *driver, QObject *parent)
    : QObject(parent)
    , m_driver(driver)
{
}

QMidiIn::~QMidiIn()
{
    closeDevice();
}

bool QMidiIn::openDevice(int index)
{
    closeDevice();
    m_accumulator.clear();
    m_port = m_driver->openInput(index, this);
    if (!m_port) {
        qDebug() << "Error: Unable to open MIDI input device. Index:" << index;
        return false;
    }
    qDebug() << "MIDI input device connected successfully.";
    return true;
}

void QMidiIn::closeDevice()
{
    if (!m_port)
        return;
    m_closing = true;
    m_port.reset(); // returns only once the driver has stopped calling us
    m_closing = false;
}

void QMidiIn::shortMessage(quint8 status, quint8 data1, quint8 data2)
{
    if (m_closing)
        return;
    if (status == 0xF0 || !m_accumulator.isEmpty()) {
        m_accumulator.append(char(status));
        m_accumulator.append(char(data1));
        m_accumulator.append(char(data2));
        const int end = m_accumulator.indexOf(char(0xF7));
        if (end < 0)
            return;
        const QByteArray message = m_accumulator.left(end + 1);
        m_accumulator.remove(0, end + 1);
        deliver(message);
        return;
    }
    const char bytes[3] = {char(status), char(data1), char(data2)};
    deliver(QByteArray(bytes, 3));
}

void QMidiIn::longMessage(const QByteArray &data)
{
    if (m_closing)
        return;
    deliver(data);
}

void QMidiIn::deliver(const QByteArray &message)
{
    qCDebug(lcMidiIn).noquote() << "MIDI in:" << message.toHex(' ').toUpper();
    emit midiMessageReceived(message);
}
