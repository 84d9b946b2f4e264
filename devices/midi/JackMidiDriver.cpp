// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/JackMidiDriver.h"

#include "midi/AlsaSoundCard.h"
#include "midi/JackGraph.h"
#include "midi/JackMidiClient.h"

#include <QDebug>
#include <QHash>
#include <QRegularExpression>

#include <thread>

namespace {

// "client:port" -> "client"; the text before the first colon.
QString clientPart(const QString &raw)
{
    const int colon = raw.indexOf(QLatin1Char(':'));
    return colon < 0 ? raw : raw.left(colon);
}

// The name the client asked for. jackd calls a second client of a taken
// name "name-01", PipeWire "name-<its node id>"; but "TQR-30" is a name of
// its own, so a suffix goes only where the server shows that it was added:
// a client of the name without it is there, or one of the port's aliases
// names its client so (PipeWire's do).
QString clientAsAsked(const QString &client, const QStringList &clients, const QStringList &aliases)
{
    static const QRegularExpression renamed(QStringLiteral("^(.+)-\\d+$"));
    const QRegularExpressionMatch match = renamed.match(client);
    if (!match.hasMatch())
        return client;
    const QString asked = match.captured(1);
    if (clients.contains(asked))
        return asked;
    for (const QString &alias : aliases) {
        if (clientPart(alias) == asked)
            return asked;
    }
    return client;
}

// A JACK port id: the port's full name, "#", its client's id, "." and the
// port's own id (see JackGraph for why both).
QString portIdText(const QString &portName, quint64 clientId, quint64 portId)
{
    return portName + QLatin1Char('#') + QString::number(clientId) + QLatin1Char('.') + QString::number(portId);
}

} // namespace

struct JackMidiDriver::PortKey
{
    QString name;
    quint64 client = 0;
    quint64 port = 0;

    // Zero ids when the text is not a JACK port id.
    static PortKey of(const QString &id)
    {
        const int hash = id.lastIndexOf(QLatin1Char('#'));
        const QStringList ids = hash > 0 ? id.mid(hash + 1).split(QLatin1Char('.')) : QStringList();
        if (ids.size() != 2)
            return {};
        return {id.left(hash), ids[0].toULongLong(), ids[1].toULongLong()};
    }
};

// An output port of the driver's JACK client, connected to target.
class JackMidiDriver::OutputPort : public MidiOutputPort
{
public:
    // The client and the graph may outlive the driver with a stuck send.
    OutputPort(std::shared_ptr<JackMidiClient> client, JackMidiClient::Output *output, const QString &target,
                   std::shared_ptr<JackGraph> jack)
        : m_client(std::move(client))
        , m_output(output)
        , m_ownPort(m_client->outputPort(output))
        , m_target(target)
        , m_graph(std::move(jack))
    {
    }
    ~OutputPort() override { m_client->removeOutput(m_output); }

    // Returns once the message is queued for JACK's next cycle. The graph is
    // asked afterwards whether the receiver is still connected: JACK does not
    // tell a sender that its receiver went away, and a port of the same name
    // that replaced it is not connected. A Stop must not wait for a request.
    bool sendLong(const QByteArray &message) override
    {
        if (!m_flowing && !waitForConnection())
            return false;
        if (!m_client->queue(m_output, message))
            return false;
        if (!m_graph->isConnected(m_ownPort, m_target)) {
            qWarning() << "MIDI output port has gone:" << m_target;
            return false;
        }
        return true;
    }

private:
    // JACK routes a new connection from its next cycle on; what is sent
    // before goes nowhere, and a unit would never see the first messages.
    // PipeWire shows the connection once its link exists, and the link
    // carries data only some cycles later. This runs on QMidiOut's sending
    // thread.
    bool waitForConnection()
    {
        for (int waited = 0; waited < kConnectionWaitMs; ++waited) {
            if (m_graph->isConnected(m_ownPort, m_target)) {
                if (JackGraph::isPipeWire())
                    m_client->waitForCycles(kPipeWireLinkCycles);
                m_flowing = true;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        qWarning() << "MIDI output: JACK has not connected" << m_ownPort << "to" << m_target;
        return false;
    }

    std::shared_ptr<JackMidiClient> m_client;
    JackMidiClient::Output *m_output;
    QString m_ownPort;
    QString m_target;
    std::shared_ptr<JackGraph> m_graph;
    bool m_flowing = false;
    static constexpr int kConnectionWaitMs = 500;
    static constexpr int kPipeWireLinkCycles = 3;
};

// An open JACK input: the source connected to the driver's input port.
// Closing disconnects it; the port stays.
class JackMidiDriver::InputPort : public MidiInputPort
{
public:
    InputPort(std::shared_ptr<JackMidiClient> client, MidiInputSink *sink, std::shared_ptr<JackGraph> jack,
                  const QString &source, const QString &port, std::shared_ptr<std::atomic<bool>> taken)
        : m_client(std::move(client))
        , m_graph(std::move(jack))
        , m_source(source)
        , m_port(port)
        , m_taken(std::move(taken))
    {
        *m_taken = true;
        m_client->setInputSink(sink);
    }
    ~InputPort() override
    {
        m_client->setInputSink(nullptr);
        m_graph->disconnect(m_source, m_port);
        *m_taken = false;
    }

private:
    std::shared_ptr<JackMidiClient> m_client;
    std::shared_ptr<JackGraph> m_graph;
    QString m_source;
    QString m_port;
    std::shared_ptr<std::atomic<bool>> m_taken;
};

std::unique_ptr<JackMidiDriver> JackMidiDriver::open(const QString &clientName,
                                                     std::shared_ptr<std::atomic<bool>> inputTaken)
{
    // The graph client is the question whether a JACK server runs: a second
    // client only to ask would cost as much again at start-up.
    auto graph = std::make_shared<JackGraph>();
    if (!graph->isOpen())
        return nullptr;
    return std::unique_ptr<JackMidiDriver>(new JackMidiDriver(clientName, std::move(graph), std::move(inputTaken)));
}

JackMidiDriver::JackMidiDriver(const QString &clientName, std::shared_ptr<JackGraph> graph,
                               std::shared_ptr<std::atomic<bool>> inputTaken)
    : m_clientName(clientName)
    , m_graph(std::move(graph))
    , m_inputTaken(std::move(inputTaken))
{
}

JackMidiDriver::~JackMidiDriver() = default;

bool JackMidiDriver::serverGone() const
{
    return !m_graph->isOpen();
}

QStringList JackMidiDriver::cleanNames(const QStringList &rawNames, const QStringList &clients,
                                         const QList<QStringList> &aliases)
{
    QHash<QString, int> portsPerClient;
    for (const QString &raw : rawNames)
        ++portsPerClient[clientPart(raw)];
    QStringList names;
    for (int i = 0; i < rawNames.size(); ++i) {
        const QString &raw = rawNames[i];
        const QString client = clientPart(raw);
        names << (portsPerClient.value(client) > 1 ? raw
                                                   : clientAsAsked(client, clients, aliases.value(i)));
    }
    return names;
}

JackMidiDriver::Listing JackMidiDriver::list(bool outputs) const
{
    Listing listing;
    // RtMidi asks JACK for the whole list again for each name; one request
    // gives them all, in the same order.
    const QStringList all = m_graph->midiPorts(!outputs);
    // Both directions are ports of one client named like the driver (or
    // renamed by the server when a second panel runs).
    static const QRegularExpression anyNumber(QStringLiteral("(-\\d+)?$"));
    const QRegularExpression own(QLatin1Char('^') + QRegularExpression::escape(m_clientName) + anyNumber.pattern());
    const QStringList clients = all.isEmpty() ? QStringList() : m_graph->clientNames();
    QStringList raw;
    QList<QStringList> aliases;
    QHash<QString, quint64> clientIds; // a client's ports share its id
    for (const QString &name : all) {
        const QString client = clientPart(name);
        if (own.match(client).hasMatch())
            continue;
        raw << name;
        aliases << m_graph->aliasesOf(name);
        auto id = clientIds.find(client);
        if (id == clientIds.end())
            id = clientIds.insert(client, m_graph->clientIdOf(name));
        listing.ids << portIdText(name, *id, m_graph->portIdOf(name));
    }
    listing.names = cleanNames(raw, clients, aliases);
    return listing;
}

int JackMidiDriver::outputCount()
{
    m_outputs = list(true);
    return int(m_outputs.ids.size());
}

QString JackMidiDriver::outputName(int index)
{
    return index >= 0 && index < m_outputs.names.size() ? m_outputs.names[index] : QString();
}

int JackMidiDriver::inputCount()
{
    m_inputs = list(false);
    return int(m_inputs.ids.size());
}

std::optional<QString> JackMidiDriver::inputName(int index)
{
    if (index < 0 || index >= m_inputs.names.size() || m_inputs.names[index].isEmpty())
        return std::nullopt;
    return m_inputs.names[index];
}

QString JackMidiDriver::outputId(int index)
{
    return index >= 0 && index < m_outputs.ids.size() ? m_outputs.ids[index] : QString();
}

QString JackMidiDriver::inputId(int index)
{
    return index >= 0 && index < m_inputs.ids.size() ? m_inputs.ids[index] : QString();
}

std::shared_ptr<JackMidiClient> JackMidiDriver::ownClient()
{
    // One that the server dropped stays with the ports still open on it.
    if (!m_client || !m_client->isRunning()) {
        m_client = std::make_shared<JackMidiClient>(m_clientName);
        if (!m_client->isRunning()) {
            m_client.reset();
            return nullptr;
        }
    }
    return m_client;
}

std::unique_ptr<MidiOutputPort> JackMidiDriver::openOutput(const QString &id)
{
    const PortKey key = PortKey::of(id);
    const QString &target = key.name;
    if (!isPortNow(key)) {
        qWarning() << "MIDI output has gone or was replaced:" << target;
        return nullptr;
    }
    const std::shared_ptr<JackMidiClient> client = ownClient();
    if (!client)
        return nullptr;
    JackMidiClient::Output *output = client->addOutput();
    if (!output)
        return nullptr;
    const QString own = client->outputPort(output);
    if (!m_graph->connect(own, target)) {
        qWarning() << "MIDI output could not be connected to" << target;
        client->removeOutput(output);
        return nullptr;
    }
    // The name may have passed to a new port between the check and the connection.
    if (!isPortNow(key)) {
        qWarning() << "MIDI output was replaced while it was connected; not used:" << target;
        m_graph->disconnect(own, target);
        client->removeOutput(output);
        return nullptr;
    }
    return std::make_unique<OutputPort>(client, output, target, m_graph);
}

std::unique_ptr<MidiInputPort> JackMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    if (!sink || *m_inputTaken)
        return nullptr;
    const PortKey key = PortKey::of(id);
    const QString &source = key.name;
    if (!isPortNow(key)) {
        qWarning() << "MIDI input has gone or was replaced:" << source;
        return nullptr;
    }
    const std::shared_ptr<JackMidiClient> client = ownClient();
    if (!client)
        return nullptr;
    // Made at the first opening and kept: closing only disconnects.
    const QString port = client->inputPort();
    if (port.isEmpty())
        return nullptr;
    // The sink is in place before the first byte can arrive.
    auto input = std::make_unique<InputPort>(client, sink, m_graph, source, port, m_inputTaken);
    if (!m_graph->connect(source, port)) {
        qWarning() << "MIDI input could not be connected to" << source;
        return nullptr;
    }
    if (!isPortNow(key)) {
        qWarning() << "MIDI input was replaced while it was connected; not used:" << source;
        return nullptr; // the port's destructor disconnects
    }
    return input;
}

bool JackMidiDriver::isPortNow(const PortKey &key) const
{
    return key.client != 0 && key.port != 0 && m_graph && m_graph->portIdOf(key.name) == key.port
           && m_graph->clientIdOf(key.name) == key.client;
}


std::optional<int> JackMidiDriver::soundCardOf(const QString &portId)
{
    const QString name = PortKey::of(portId).name;
    if (name.isEmpty() || serverGone())
        return std::nullopt;
    const std::optional<int> client =
        AlsaSoundCard::clientInJackNames(QStringList{name} + m_graph->aliasesOf(name));
    return client ? AlsaSoundCard::cardOfClient(*client) : std::nullopt;
}
