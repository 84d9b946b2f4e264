#pragma once

// A main window on the in-memory MIDI system with one unit attached, for tests
// of the panel and its settings windows: the unit records what the panel sends
// (and when), may answer it, and what it "sends" reaches the window through the
// real input port and queued signal.

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/QuarterFrames.h"
#include "ui_MainWindow.h" // each test that includes this file gets it generated

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

namespace PanelTest {

class PanelRig
{
public:
    explicit PanelRig(const QString &unitName = QStringLiteral("TQR-30 Pro"))
        : name(unitName)
    {
        clock.start();
        ports = driver.addDevice(unitName, [this](const QByteArray &message) {
            QByteArray reply;
            {
                QMutexLocker lock(&mutex);
                received.append(message);
                arrivals.append(clock.elapsed());
                if (answer)
                    reply = answer(message);
            }
            if (!reply.isEmpty())
                driver.send(ports.input, reply);
        });
        window = std::make_unique<MainWindow>(Platform{&driver});
    }

    Ui::MainWindow *ui() const { return window->form(); }

    // Connects the unit the way its menu entry does and forgets what that sent.
    void connectUnit()
    {
        window->connectMidiDevice(name + QStringLiteral(" [0]"));
        take();
    }

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
    // Milliseconds since the rig was built at which each message not yet taken arrived.
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

    // The unit sends; returns once the window has handled it.
    void feed(const QByteArray &bytes)
    {
        driver.send(ports.input, bytes);
        driver.flush();
        QCoreApplication::sendPostedEvents();
    }
    void feed(const QList<QByteArray> &messages)
    {
        for (const QByteArray &m : messages)
            driver.send(ports.input, m);
        driver.flush();
        QCoreApplication::sendPostedEvents();
    }

    QString readoutText() const
    {
        return ui()->time_hour->text() + ui()->time_min->text() + ui()->time_sed->text() + ui()->time_fam->text();
    }

    QString name;
    InMemoryMidiDriver driver;
    InMemoryMidiDriver::Device ports;
    QMutex mutex;
    QList<QByteArray> received;
    QList<qint64> arrivals;
    QElapsedTimer clock;
    std::function<QByteArray(const QByteArray &)> answer;
    // Before the window, so that it outlives every box the window opens.
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    std::unique_ptr<MainWindow> window;
};

} // namespace PanelTest
