#include "midi/JackPortIds.h"

#include "midi/MidiSystemProbe.h"

#include <jack/jack.h>
#include <jack/uuid.h>

#include <QByteArray>

JackPortIds::JackPortIds()
{
    MidiSystemProbe::routeJackMessagesToTrace();
    jack_status_t status;
    m_client = jack_client_open("Quill Tool Ports", JackNoStartServer, &status);
}

JackPortIds::~JackPortIds()
{
    if (m_client)
        jack_client_close(m_client);
}

quint64 JackPortIds::idOf(const QString &portName) const
{
    if (!m_client)
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
