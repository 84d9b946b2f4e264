// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QThread>

// Gathers MIDI messages on the thread it lives on (normally the GUI thread),
// so that a signal emitted on a driver thread is received queued, the way the
// main window receives it.
class MessageCollector : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    QList<QByteArray> messages;
    bool allOnOwnThread = true;

public slots:
    void collect(const QByteArray &message)
    {
        if (QThread::currentThread() != thread())
            allOnOwnThread = false;
        messages.append(message);
    }
};
