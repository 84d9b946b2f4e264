// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a unit can send over MIDI, through the panel's whole receive
// path: the in-memory driver hands the bytes to the window's input port as a
// device would (System Exclusive in receive buffers, the rest as short
// messages), and the window dispatches them to identification, time code,
// source and rate reports and every settings window's feedback and
// acknowledgement handling, against a connected TQR-30 Pro so that replies are
// sent too.
//
// Each input gets a window of its own, built, connected and destroyed again,
// so that a crash file replays alone exactly as it ran: nothing one input did
// is there for the next, and the heap does not grow from input to input.
//
// Besides the sanitizers, the panel must answer only with well-formed System
// Exclusive.

#include "FuzzSupport.h"

#include "shell/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "update/StartupCheckSetting.h"

#include <QApplication>
#include <QMutex>
#include <QMutexLocker>

namespace {

class Rig
{
public:
    Rig()
    {
        m_device = m_driver.addDevice("TQR-30 Pro", [this](const QByteArray &m) {
            QMutexLocker lock(&m_mutex);
            m_sent.append(m);
        });
        m_window = std::make_unique<MainWindow>(Platform{&m_driver});
        m_window->connectMidiDevice("TQR-30 Pro [0]");
        // The window is never shown, so its style sheets need not be applied:
        // polishing every widget was two thirds of an input's time.
        QCoreApplication::removePostedEvents(nullptr, QEvent::PolishRequest);
        if (!m_driver.isInputOpen(m_device.input))
            FuzzSupport::fault("the window did not open the unit's input");
        settle();
    }

    // Destroys the window, whose output port finishes sending on the way, and
    // returns everything it sent, its connect sequence included.
    QList<QByteArray> close()
    {
        m_window.reset();
        // What the window handed to deleteLater goes now, not with a later input.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return takeSent();
    }

    void send(const QByteArray &bytes) { m_driver.send(m_device.input, bytes); }

    // Everything sent so far has reached the window, and what it started in
    // reply (queued calls, zero timers) has run.
    void settle()
    {
        m_driver.flush();
        QCoreApplication::processEvents();
    }

private:
    QList<QByteArray> takeSent()
    {
        QMutexLocker lock(&m_mutex);
        return std::exchange(m_sent, {});
    }

    InMemoryMidiDriver m_driver;
    InMemoryMidiDriver::Device m_device;
    QMutex m_mutex;
    QList<QByteArray> m_sent;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::startApplication();
    FuzzSupport::closeModalDialogsAutomatically();
    // A window that lives for one input has no business asking the update
    // server; its settings and the server are stand-ins all the same.
    StartupCheckSetting::setEnabled(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig rig;
    for (const QByteArray &message : FuzzSupport::splitMessages(data, size)) {
        rig.send(message);
        rig.settle();
    }
    for (const QByteArray &out : rig.close())
        if (!FuzzSupport::isWellFormedSysEx(out))
            FuzzSupport::fault("panel sent a malformed message", out);
    return 0;
}
