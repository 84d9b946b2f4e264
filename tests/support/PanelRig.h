#pragma once

// A main window on the in-memory MIDI system with one unit attached, for tests
// of the time-code panel: the unit records what the panel sends, and what it
// "sends" reaches the window through the real input port and queued signal.

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxWatcher.h"
#include "ui_MainWindow.h" // each test that includes this file gets it generated

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QtTest>

#include <memory>
#include <utility>

namespace PanelTest {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The eight quarter-frame messages (F1 dd, padded to three bytes as the input
// port delivers them) of one time at a locate rate code 0-3.
inline QList<QByteArray> quarterFrames(int h, int m, int s, int f, int rateCode)
{
    const int nibbles[8] = {f & 0x0F, f >> 4, s & 0x0F, s >> 4, m & 0x0F, m >> 4, h & 0x0F,
                            ((h >> 4) & 0x01) | (rateCode << 1)};
    QList<QByteArray> out;
    for (int piece = 0; piece < 8; ++piece) {
        QByteArray message(3, '\0');
        message[0] = char(0xF1);
        message[1] = char((piece << 4) | nibbles[piece]);
        out << message;
    }
    return out;
}

class PanelRig
{
public:
    explicit PanelRig(const QString &unitName = QStringLiteral("TQR-30 Pro"))
        : name(unitName)
    {
        ports = driver.addDevice(unitName, [this](const QByteArray &message) {
            QMutexLocker lock(&mutex);
            received.append(message);
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
        return std::exchange(received, {});
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
    // Before the window, so that it outlives every box the window opens.
    MessageBoxWatcher boxes;
    std::unique_ptr<MainWindow> window;
};

} // namespace PanelTest
