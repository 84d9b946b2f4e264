// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/JackGraph.h"

#include "midi/MidiSystemProbe.h"

#include <jack/jack.h>
#include <jack/uuid.h>

#include <QByteArray>
#include <QDebug>

#include <QElapsedTimer>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr int kNewPortWaitMs = 500;

} // namespace

JackGraph::JackGraph()
{
    MidiSystemProbe::routeJackMessagesToTrace();
    jack_status_t status;
    m_client = jack_client_open("Quill Tool Ports", JackNoStartServer, &status);
    if (!m_client)
        return;
    jack_on_shutdown(m_client, &JackGraph::shutdown, this);
    if (isPipeWire() && jack_activate(m_client) != 0)
        qWarning() << "JACK graph client could not be activated; a server restart may go unnoticed";
}

bool JackGraph::isPipeWire()
{
    return QByteArray(jack_get_version_string()).contains("PipeWire");
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

QStringList JackGraph::clientNames() const
{
    QStringList clients;
    if (!isOpen())
        return clients;
    const char **ports = jack_get_ports(m_client, nullptr, nullptr, 0);
    if (!ports)
        return clients;
    for (const char **p = ports; *p; ++p) {
        const QString client = QString::fromUtf8(*p).section(QLatin1Char(':'), 0, 0);
        if (!clients.contains(client))
            clients << client;
    }
    jack_free(ports);
    return clients;
}

QStringList JackGraph::aliasesOf(const QString &portName) const
{
    QStringList aliases;
    if (!isOpen())
        return aliases;
    const jack_port_t *port = jack_port_by_name(m_client, portName.toUtf8().constData());
    if (!port)
        return aliases;
    std::vector<char> first(size_t(jack_port_name_size()) + 1, '\0');
    std::vector<char> second(first.size(), '\0');
    char *both[2] = {first.data(), second.data()};
    // Some libraries fill the second slot while counting only one.
    jack_port_get_aliases(port, both);
    for (const char *alias : both) {
        if (*alias)
            aliases << QString::fromUtf8(alias);
    }
    return aliases;
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

quint64 JackGraph::portIdOf(const QString &portName) const
{
    if (!isOpen())
        return 0;
    const jack_port_t *port = jack_port_by_name(m_client, portName.toUtf8().constData());
    return port ? quint64(jack_port_uuid(port)) : 0;
}

bool JackGraph::connect(const QString &source, const QString &destination) const
{
    if (!isOpen())
        return false;
    const QByteArray from = source.toUtf8();
    const QByteArray to = destination.toUtf8();
    QElapsedTimer waited;
    waited.start();
    while (!(jack_port_by_name(m_client, from.constData()) && jack_port_by_name(m_client, to.constData()))
           && waited.elapsed() < kNewPortWaitMs && isOpen())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int result = jack_connect(m_client, from.constData(), to.constData());
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
