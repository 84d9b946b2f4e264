#include "midi/JackGraph.h"

#include "midi/MidiSystemProbe.h"

#include <jack/jack.h>
#include <jack/uuid.h>

#include <QByteArray>

#include <cerrno>

JackGraph::JackGraph()
{
    MidiSystemProbe::routeJackMessagesToTrace();
    jack_status_t status;
    m_client = jack_client_open("Quill Tool Ports", JackNoStartServer, &status);
    if (m_client)
        jack_on_shutdown(m_client, &JackGraph::shutdown, this);
}

void JackGraph::shutdown(void *self)
{
    static_cast<JackGraph *>(self)->m_serverGone.store(true);
}

JackGraph::~JackGraph()
{
    if (m_client)
        jack_client_close(m_client);
}

QStringList JackGraph::midiPorts(bool sending) const
{
    QStringList names;
    if (!isOpen())
        return names;
    const char **ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        sending ? JackPortIsOutput : JackPortIsInput);
    if (!ports)
        return names;
    for (const char **p = ports; *p; ++p)
        names << QString::fromUtf8(*p);
    jack_free(ports);
    return names;
}

bool JackGraph::hasPort(const QString &portName) const
{
    return isOpen() && jack_port_by_name(m_client, portName.toUtf8().constData());
}

quint64 JackGraph::clientIdOf(const QString &portName) const
{
    if (!isOpen())
        return 0;
    const QByteArray name = portName.toUtf8();
    if (!jack_port_by_name(m_client, name.constData()))
        return 0;
    // Port ids are slots that JACK hands out again; the owning client's id is
    // new for every client that registers.
    const int colon = name.indexOf(':');
    char *uuid = jack_get_uuid_for_client_name(m_client, name.left(colon).constData());
    if (!uuid)
        return 0;
    jack_uuid_t value = 0;
    jack_uuid_parse(uuid, &value);
    jack_free(uuid);
    return quint64(value);
}

bool JackGraph::connect(const QString &source, const QString &destination) const
{
    if (!isOpen())
        return false;
    const int result = jack_connect(m_client, source.toUtf8().constData(), destination.toUtf8().constData());
    return result == 0 || result == EEXIST;
}

bool JackGraph::disconnect(const QString &source, const QString &destination) const
{
    if (!isOpen())
        return false;
    return jack_disconnect(m_client, source.toUtf8().constData(), destination.toUtf8().constData()) == 0
           || !isConnected(source, destination);
}

bool JackGraph::isConnected(const QString &source, const QString &destination) const
{
    if (!isOpen())
        return false;
    const jack_port_t *port = jack_port_by_name(m_client, source.toUtf8().constData());
    return port && jack_port_connected_to(port, destination.toUtf8().constData());
}
