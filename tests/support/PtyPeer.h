// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// The far end of a real serial line: the master side of a pseudo-terminal
// pair. The panel opens slavePath() like any serial port.
class PtyPeer : public QObject
{
    Q_OBJECT
public:
    explicit PtyPeer(QObject *parent = nullptr);
    ~PtyPeer() override;

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    void send(const QByteArray &bytes);
    // Closing the master is what unplugging looks like from the panel's side.
    void closeMaster();

    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Called for every read from the line, after received() was extended.
    std::function<void(const QByteArray &)> onData;

signals:
    void dataReceived(const QByteArray &bytes);

private:
    void readAvailable();

    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up between openers
    QString m_slavePath;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_received;
};
