#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

// JACK's port graph, read and changed through a client of its own that has no
// ports. Ports are named in full, "client:port".
//
// A JACK port's name stays the same when the program that owns it is
// restarted; its client's id does not, which tells a port from the one that
// replaced it. Connections are made by name: a port's place in a listing moves
// whenever another port comes or goes, even between two calls a microsecond
// apart.
//
// The client is never activated and has no process callback, so JACK never
// wakes it; listings are taken anew each time. Once the server has gone the
// graph is closed: libjack crashes on a request through a dropped client.
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
    // Read from the graph the client shares with the server, without a
    // request; safe from any thread.
    bool hasPort(const QString &portName) const;
    // The id of the port's client; 0 when there is no such port or no server.
    quint64 clientIdOf(const QString &portName) const;
    // True once the server has taken the connection (also when the two
    // already were connected). Data flows from JACK's next cycle on, which
    // isConnected() tells.
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
