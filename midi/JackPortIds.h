#pragma once

#include <QString>
#include <QtGlobal>

// JACK's ids of the clients that own ports, read through a client of its own
// without ports. A JACK port's name stays the same when the program that owns
// it is restarted; its client's id does not, which tells a port from the one
// that replaced it.
class JackPortIds
{
public:
    JackPortIds();
    ~JackPortIds();
    JackPortIds(const JackPortIds &) = delete;
    JackPortIds &operator=(const JackPortIds &) = delete;

    bool isOpen() const { return m_client != nullptr; }
    // The id of the port's client; 0 when there is no such port or no server.
    quint64 idOf(const QString &portName) const;

private:
    struct _jack_client *m_client = nullptr;
};
