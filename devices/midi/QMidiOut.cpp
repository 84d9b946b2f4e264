// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QMidiOut.h"

#include "midi/MidiDriver.h"

#include <QDebug>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Shared by the GUI thread and the sending thread, so that a sending thread
// left behind by a stuck driver still has everything it touches.
struct QMidiOut::Sender
{
    std::unique_ptr<MidiOutputPort> port; // used and released on the sending thread
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::optional<QByteArray> job;
    bool busy = false;
    bool result = false;
    quint64 queued = 0;
    quint64 finished = 0;
    bool stopping = false;
    bool exited = false;
    std::thread thread;

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || job; });
            if (stopping)
                break;
            const QByteArray message = std::move(*job);
            job.reset();
            busy = true;
            lock.unlock();
            const bool ok = port->sendLong(message);
            lock.lock();
            busy = false;
            result = ok;
            finished = queued;
            done.notify_all();
        }
        lock.unlock();
        port.reset();
        lock.lock();
        exited = true;
        done.notify_all();
    }
};

QMidiOut::QMidiOut(MidiDriver *driver)
    : m_driver(driver)
{
}

QMidiOut::~QMidiOut()
{
    closeDevice();
}

bool QMidiOut::openDevice(const QString &portId)
{
    closeDevice();
    std::unique_ptr<MidiOutputPort> port = m_driver->openOutput(portId);
    if (!port)
        return false;
    auto sender = std::make_shared<Sender>();
    sender->port = std::move(port);
    // The thread keeps the shared state alive if it outlives this object.
    sender->thread = std::thread([sender] { sender->run(); });
    m_sender = std::move(sender);
    return true;
}

void QMidiOut::closeDevice()
{
    if (!m_sender)
        return;
    const std::shared_ptr<Sender> sender = std::move(m_sender);
    std::unique_lock<std::mutex> lock(sender->mutex);
    sender->stopping = true;
    sender->job.reset();
    sender->wake.notify_all();
    if (sender->done.wait_for(lock, std::chrono::milliseconds(kSendTimeoutMs), [&] { return sender->exited; })) {
        lock.unlock();
        sender->thread.join();
        return;
    }
    qWarning() << "MIDI output still stuck in a send after" << kSendTimeoutMs
               << "ms; it is released when the MIDI system returns";
    sender->thread.detach();
}

bool QMidiOut::sendLongMessage(const QByteArray &message)
{
    qDebug().noquote() << "Send SysEx:" << message.toHex(' ').toUpper();
    if (!m_sender) {
        qDebug() << "MIDI output closed; not sent";
        return false;
    }
    Sender &sender = *m_sender;
    std::unique_lock<std::mutex> lock(sender.mutex);
    if (sender.busy) {
        qWarning() << "MIDI output still stuck in an earlier send; not sent";
        return false;
    }
    sender.job = message;
    const quint64 mine = ++sender.queued;
    sender.wake.notify_one();
    if (!sender.done.wait_for(lock, std::chrono::milliseconds(kSendTimeoutMs),
                              [&] { return sender.finished >= mine; })) {
        // Not taken yet: it must not go out after the caller was told it failed.
        sender.job.reset();
        qWarning() << "MIDI output did not complete the message within" << kSendTimeoutMs << "ms";
        return false;
    }
    if (!sender.result)
        qWarning() << "MIDI output failed to send the message";
    return sender.result;
}
