// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QMidiIn.h"

#include "protocol/MidiTimecodeIn.h"
#include "protocol/SysEx.h"
#include "protocol/TrafficLog.h"

#include <QDebug>

QMidiIn::QMidiIn(MidiDriver *driver, QObject *parent)
    : QObject(parent)
    , m_driver(driver)
{
}

QMidiIn::~QMidiIn()
{
    closeDevice();
}

bool QMidiIn::openDevice(const QString &portId)
{
    closeDevice();
    m_accumulator.clear();
    m_discardingSysEx = false;
    if (m_quarterFrames)
        m_quarterFrames->resetStreamHealth();
    m_port = m_driver->openInput(portId, this);
    if (!m_port) {
        qDebug() << "Error: Unable to open MIDI input device:" << portId;
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
    m_accumulator.clear();
    m_discardingSysEx = false;
    // No stream from a closed port, and the next connection locates the unit.
    if (m_quarterFrames) {
        m_quarterFrames->forgetTimeline();
        m_quarterFrames->resetStreamHealth();
    }
}

MidiTimecodeIn *QMidiIn::quarterFrameDecoder()
{
    if (!m_quarterFrames) {
        m_quarterFrames = new MidiTimecodeIn(this);
        m_quarterFrames->reportPositionsOnlyAtLabelsAndAlarm();
    }
    return m_quarterFrames;
}

void QMidiIn::shortMessage(quint8 status, quint8 data1, quint8 data2)
{
    if (m_closing)
        return;
    const bool realTime = status >= SysEx::kFirstRealTimeStatus;
    const bool gathering = !m_accumulator.isEmpty() || m_discardingSysEx;
    if (gathering && !realTime && (status & 0x80) && status != SysEx::kEnd) {
        // A unit that is unplugged or reset mid-message never sends its F7.
        // As on a MIDI cable, the next status byte ends the broken message;
        // without this every later short message would be swallowed.
        qCDebug(lcMidiIn).noquote() << "Unfinished SysEx dropped:" << m_accumulator.toHex(' ').toUpper();
        m_accumulator.clear();
        m_discardingSysEx = false;
    }
    // Real-time bytes may sit between the words of a message; they are
    // messages of their own and leave it intact.
    if (!realTime && (status == SysEx::kStart || !m_accumulator.isEmpty() || m_discardingSysEx)) {
        const char bytes[3] = {char(status), char(data1), char(data2)};
        if (m_discardingSysEx) {
            if (QByteArray::fromRawData(bytes, 3).contains(char(SysEx::kEnd)))
                m_discardingSysEx = false;
            return;
        }
        m_accumulator.append(bytes, 3);
        const int end = m_accumulator.indexOf(char(SysEx::kEnd));
        if (end < 0) {
            if (m_accumulator.size() > kMaxGatheredSysEx) {
                // Far longer than anything a unit sends: keep memory bounded
                // and skip the rest of it.
                qCDebug(lcMidiIn) << "SysEx longer than" << kMaxGatheredSysEx << "bytes dropped";
                m_accumulator.clear();
                m_discardingSysEx = true;
            }
            return;
        }
        const QByteArray message = m_accumulator.left(end + 1);
        m_accumulator.remove(0, end + 1);
        deliver(message);
        return;
    }
    if (m_quarterFrames && status == SysEx::kQuarterFrame) {
        m_quarterFrames->takeQuarterFrame(data1);
        MidiTimecodeIn::PieceReports reports = m_quarterFrames->takePieceReports();
        if (!reports.isEmpty()) {
            // One event for all a piece reports: the GUI thread is woken once
            // and takes them in one go, in order with the messages around them.
            MidiTimecodeIn *decoder = m_quarterFrames;
            QMetaObject::invokeMethod(
                decoder, [decoder, reports = std::move(reports)] { decoder->emitPieceReports(reports); },
                Qt::QueuedConnection);
        }
        return;
    }
    const char bytes[3] = {char(status), char(data1), char(data2)};
    deliver(QByteArray(bytes, 3));
}

void QMidiIn::longMessage(const QByteArray &data)
{
    // A driver hands back an empty buffer when input is reset; it is no message.
    if (m_closing || data.isEmpty())
        return;
    deliver(data);
}

void QMidiIn::deliver(const QByteArray &message)
{
    if (m_quarterFrames && quint8(message.at(0)) == SysEx::kStart)
        m_quarterFrames->followFullFrame(message);
    qCDebug(lcMidiIn).noquote() << "MIDI in:" << message.toHex(' ').toUpper();
    emit midiMessageReceived(message);
}
