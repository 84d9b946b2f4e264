// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

// JACK's port graph, read and changed through a client of its own that has no
// ports. Ports are named in full, "client:port".
//
// A JACK port's name stays the same when the program that owns it is
// restarted. Its client's id and its own id together tell a port from the one
// that replaced it: jackd gives a new client a new id but hands a freed port
// id to the next port, PipeWire hands a freed client id to the next client
// but gives every port a new id. Connections are made by name: a port's place in a listing moves
// whenever another port comes or goes, even between two calls a microsecond
// apart.
//
// On jackd the client is never activated and has no process callback, so
// JACK never wakes it; listings are taken anew each time. PipeWire's JACK
// library tells only activated clients that the server went away, so there
// it is activated (still without a process callback). Once the server has
// gone the graph is closed: libjack crashes on a request through a dropped
// client.
class JackGraph
{
public:
    JackGraph();
    ~JackGraph();
    JackGraph(const JackGraph &) = delete;
    JackGraph &operator=(const JackGraph &) = delete;

    bool isOpen() const { return m_client != nullptr && !m_serverGone.load(); }
    // The MIDI ports that send (whose data an input reads) or that receive,
    // in one request to the server.
    QStringList midiPorts(bool sending) const;
    // Every client that has a port of any kind, in one request.
    QStringList clientNames() const;
    // The other names the server gives the port; PipeWire's include the
    // name of its client as that client asked for it, before a rename.
    QStringList aliasesOf(const QString &portName) const;
    // Whether libjack is PipeWire's JACK library rather than jackd's.
    static bool isPipeWire();
    // The id of the port's client; 0 when there is no such port or no server.
    quint64 clientIdOf(const QString &portName) const;
    // The port's own id; 0 when there is no such port. Read from the graph
    // the client shares with the server, without a request.
    quint64 portIdOf(const QString &portName) const;
    // True once the server has taken the connection (also when the two
    // already were connected). Data flows from JACK's next cycle on, which
    // isConnected() tells. A port that another client has just registered
    // is waited for a while: PipeWire tells this client of it some time
    // after the registration returned.
    bool connect(const QString &source, const QString &destination) const;
    // True once the two are not connected (also when they were not).
    bool disconnect(const QString &source, const QString &destination) const;
    // Whether the graph JACK runs now connects the two; no request, any thread.
    bool isConnected(const QString &source, const QString &destination) const;

private:
    static void shutdown(void *self);

    struct _jack_client *m_client = nullptr;
    std::atomic<bool> m_serverGone{false};
};
