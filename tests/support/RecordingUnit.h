// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A unit on the in-memory MIDI system that records what the panel sends it
// (and when) and may answer it; what it "sends" reaches the panel through
// the real input port.

#include "midi/InMemoryMidiDriver.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <functional>
#include <utility>

namespace PanelTest {

class RecordingUnit
{
public:
    RecordingUnit(InMemoryMidiDriver &driver, const QString &unitName)
        : name(unitName)
        , m_driver(driver)
    {
        clock.start();
        ports = m_driver.addDevice(unitName, [this](const QByteArray &message) {
            QByteArray reply;
            {
                QMutexLocker lock(&mutex);
                received.append(message);
                arrivals.append(clock.elapsed());
                if (answer)
                    reply = answer(message);
            }
            if (!reply.isEmpty())
                m_driver.send(ports.input, reply);
        });
    }
    RecordingUnit(const RecordingUnit &) = delete;
    RecordingUnit &operator=(const RecordingUnit &) = delete;

    QList<QByteArray> take()
    {
        QMutexLocker lock(&mutex);
        arrivals.clear();
        return std::exchange(received, {});
    }
    int count()
    {
        QMutexLocker lock(&mutex);
        return received.size();
    }
    // Milliseconds since the unit was built at which each message not yet taken arrived.
    QList<qint64> arrivalTimes()
    {
        QMutexLocker lock(&mutex);
        return arrivals;
    }
    // What the unit answers to each message it gets from now on; an empty
    // answer sends nothing.
    void setAnswer(std::function<QByteArray(const QByteArray &)> reply)
    {
        QMutexLocker lock(&mutex);
        answer = std::move(reply);
    }

    QString name;
    InMemoryMidiDriver::Device ports;
    QMutex mutex;
    QList<QByteArray> received;
    QList<qint64> arrivals;
    QElapsedTimer clock;
    std::function<QByteArray(const QByteArray &)> answer;

private:
    InMemoryMidiDriver &m_driver;
};

} // namespace PanelTest
