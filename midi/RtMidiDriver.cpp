#include "midi/RtMidiDriver.h"

#include "midi/JackGraph.h"
#include "midi/JackMidiClient.h"
#include "midi/MidiSystemProbe.h"
#include "midi/WholeMessageSplit.h"

#include <rtmidi/RtMidi.h>

#include <QDebug>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace {

void logRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        qDebug() << "RtMidi:" << QString::fromStdString(text);
    else
        qWarning() << "RtMidi:" << QString::fromStdString(text);
}

bool jackRequested()
{
    return qgetenv("QUILL_MIDI_API").trimmed().toLower() == "jack";
}

bool alsaCompiled()
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), RtMidi::LINUX_ALSA) != apis.end();
}

template<typename T>
std::unique_ptr<T> tryClient(RtMidi::Api api, const QString &name)
{
    try {
        auto client = std::make_unique<T>(api, name.toStdString());
        client->setErrorCallback(&logRtMidiError);
        return client;
    } catch (const RtMidiError &error) {
        qWarning() << "MIDI system" << QString::fromStdString(RtMidi::getApiDisplayName(api))
                   << "could not be opened:" << QString::fromStdString(error.getMessage());
    }
    return nullptr;
}

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
QString jackPortId(const QString &portName, quint64 clientId, quint64 portId)
{
    return portName + QLatin1Char('#') + QString::number(clientId) + QLatin1Char('.') + QString::number(portId);
}

} // namespace

struct RtMidiDriver::JackPortKey
{
    QString name;
    quint64 client = 0;
    quint64 port = 0;

    // Zero ids when the text is not a JACK port id.
    static JackPortKey of(const QString &id)
    {
        const int hash = id.lastIndexOf(QLatin1Char('#'));
        const QStringList ids = hash > 0 ? id.mid(hash + 1).split(QLatin1Char('.')) : QStringList();
        if (ids.size() != 2)
            return {};
        return {id.left(hash), ids[0].toULongLong(), ids[1].toULongLong()};
    }
};

namespace {

// The number under which the client lists the port of this full name now.
std::optional<unsigned> alsaPortNumber(RtMidi &client, const std::string &name)
{
    const unsigned count = client.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (client.getPortName(i) == name)
            return i;
    }
    return std::nullopt;
}

} // namespace

class RtMidiDriver::OutputPort : public MidiOutputPort
{
public:
    // A client of its own per open port: QMidiOut may leave a stuck send
    // behind, and that client must not be touched by anyone else meanwhile.
    OutputPort(std::unique_ptr<RtMidiOut> out, const QString &target)
        : m_out(std::move(out))
        , m_target(target.toStdString())
    {
        // With a callback installed RtMidi reports a failed send here instead
        // of throwing, and the send itself returns as if it had worked.
        m_out->setErrorCallback(&OutputPort::onError, this);
    }
    ~OutputPort() override { m_out->closePort(); }

    // The message leaves before the port list is asked whether its receiver
    // is still there: listing costs a round trip to the MIDI system per port,
    // and a Stop must not wait for that.
    bool sendLong(const QByteArray &message) override
    {
        m_failed = false;
        std::vector<unsigned char> bytes(message.constBegin(), message.constEnd());
        try {
            m_out->sendMessage(&bytes);
        } catch (const RtMidiError &error) {
            qWarning() << "MIDI send failed:" << QString::fromStdString(error.getMessage());
            return false;
        }
        if (m_failed)
            return false;
        if (!targetListed()) {
            qWarning() << "MIDI output port has gone:" << QString::fromStdString(m_target);
            return false;
        }
        return true;
    }

private:
    static void onError(RtMidiError::Type type, const std::string &text, void *self)
    {
        logRtMidiError(type, text, nullptr);
        if (type != RtMidiError::DEBUG_WARNING)
            static_cast<OutputPort *>(self)->m_failed = true;
    }

    // The sequencer does not tell a sender that its receiver went away.
    bool targetListed() const
    {
        const unsigned count = m_out->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (m_out->getPortName(i) == m_target)
                return true;
        }
        return false;
    }

    std::unique_ptr<RtMidiOut> m_out;
    std::string m_target;
    std::atomic<bool> m_failed{false};
};

// An output port of the driver's JACK client, connected to target.
class RtMidiDriver::JackOutputPort : public MidiOutputPort
{
public:
    // The client and the graph may outlive the driver with a stuck send.
    JackOutputPort(std::shared_ptr<JackMidiClient> client, JackMidiClient::Output *output, const QString &target,
                   std::shared_ptr<JackGraph> jack)
        : m_client(std::move(client))
        , m_output(output)
        , m_ownPort(m_client->outputPort(output))
        , m_target(target)
        , m_jack(std::move(jack))
    {
    }
    ~JackOutputPort() override { m_client->removeOutput(m_output); }

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
        if (!m_jack->isConnected(m_ownPort, m_target)) {
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
            if (m_jack->isConnected(m_ownPort, m_target)) {
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
    std::shared_ptr<JackGraph> m_jack;
    bool m_flowing = false;
    static constexpr int kConnectionWaitMs = 500;
    static constexpr int kPipeWireLinkCycles = 3;
};

class RtMidiDriver::InputPort : public MidiInputPort
{
public:
    InputPort(RtMidiIn *in, MidiInputSink *sink, std::shared_ptr<std::atomic<bool>> taken)
        : m_in(in)
        , m_sink(sink)
        , m_taken(std::move(taken))
    {
        *m_taken = true;
        m_in->setCallback(&InputPort::received, this);
    }
    ~InputPort() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_sink = nullptr;
        }
        m_in->closePort();
        m_in->cancelCallback();
        *m_taken = false;
    }

private:
    static void received(double, std::vector<unsigned char> *message, void *self)
    {
        if (message)
            static_cast<InputPort *>(self)->deliver(*message);
    }

    void deliver(const std::vector<unsigned char> &bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_sink)
            passWholeMessage(bytes.data(), bytes.size(), *m_sink);
    }

    RtMidiIn *m_in;
    std::mutex m_mutex;
    MidiInputSink *m_sink;
    std::shared_ptr<std::atomic<bool>> m_taken;
};

// An open JACK input: the source connected to the driver's input port.
// Closing disconnects it; the port stays.
class RtMidiDriver::JackInputPort : public MidiInputPort
{
public:
    JackInputPort(std::shared_ptr<JackMidiClient> client, MidiInputSink *sink, std::shared_ptr<JackGraph> jack,
                  const QString &source, const QString &port, std::shared_ptr<std::atomic<bool>> taken)
        : m_client(std::move(client))
        , m_jack(std::move(jack))
        , m_source(source)
        , m_port(port)
        , m_taken(std::move(taken))
    {
        *m_taken = true;
        m_client->setInputSink(sink);
    }
    ~JackInputPort() override
    {
        m_client->setInputSink(nullptr);
        m_jack->disconnect(m_source, m_port);
        *m_taken = false;
    }

private:
    std::shared_ptr<JackMidiClient> m_client;
    std::shared_ptr<JackGraph> m_jack;
    QString m_source;
    QString m_port;
    std::shared_ptr<std::atomic<bool>> m_taken;
};

RtMidiDriver::RtMidiDriver(const QString &clientName)
    : m_clientName(clientName)
{
    openSystem();
}

void RtMidiDriver::openSystem()
{
    m_lastAttempt.start();
    QStringList tried;
    m_api = RtMidi::UNSPECIFIED;
    // Without ALSA (not Linux) RtMidi's own default is the system's service.
    bool chosen = !alsaCompiled() && !jackRequested();
    // The graph client is the question whether a JACK server runs: a second
    // client only to ask would cost as much again at start-up.
    auto useJack = [this] {
        m_jack = std::make_shared<JackGraph>();
        if (!m_jack->isOpen()) {
            m_jack.reset();
            return false;
        }
        m_api = RtMidi::UNIX_JACK;
        return true;
    };
    if (jackRequested()) {
        tried << QStringLiteral("JACK");
        chosen = useJack();
    } else if (alsaCompiled()) {
        tried << QStringLiteral("the ALSA sequencer");
        if (MidiSystemProbe::alsaSequencerAvailable()) {
            m_api = RtMidi::LINUX_ALSA;
            chosen = true;
        } else {
            tried << QStringLiteral("JACK");
            chosen = useJack();
        }
    }
    if (chosen && !m_jack) {
        m_in = tryClient<RtMidiIn>(m_api, m_clientName + QStringLiteral(" In"));
        // Keep System Exclusive and MIDI time code; drop active sensing.
        if (m_in)
            m_in->ignoreTypes(false, false, true);
        m_out = tryClient<RtMidiOut>(m_api, m_clientName + QStringLiteral(" Out"));
        if (m_out)
            m_api = m_out->getCurrentApi();
    }
    if (m_in || m_out || m_jack) {
        m_unavailable.clear();
        qDebug() << "MIDI system:" << apiName();
        return;
    }
    m_unavailable = QStringLiteral("No MIDI system could be opened (tried %1); the built-in unit still works with --demo.")
                        .arg(tried.join(QStringLiteral(" and ")));
    if (!m_toldUnavailable) {
        m_toldUnavailable = true;
        std::fprintf(stderr, "%s\n", qPrintable(m_unavailable));
    }
}

void RtMidiDriver::retryIfUnavailable()
{
    // A JACK server that stopped may be started again; until then the driver
    // is without a system, as if JACK had never run.
    if (m_jack && !m_jack->isOpen()) {
        qWarning() << "The JACK server has gone; MIDI is tried again every" << kRetryIntervalMs / 1000 << "s";
        m_jack.reset();
        m_jackClient.reset();
        m_api = RtMidi::UNSPECIFIED;
        m_lastAttempt.start();
    }
    if (!m_in && !m_out && !m_jack && m_lastAttempt.elapsed() >= kRetryIntervalMs)
        openSystem();
}

QString RtMidiDriver::unavailableText() const
{
    return m_unavailable;
}

RtMidiDriver::~RtMidiDriver() = default;

QStringList RtMidiDriver::cleanAlsaNames(const QStringList &rawNames)
{
    static const QRegularExpression address(QStringLiteral("\\s+\\d+:\\d+$"));
    QStringList names;
    for (QString name : rawNames) {
        name.remove(address);
        const int colon = name.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            const QString client = name.left(colon);
            const QString port = name.mid(colon + 1);
            if (port.startsWith(client) || client == port)
                name = port;
        }
        names << name.trimmed();
    }
    return names;
}

QStringList RtMidiDriver::cleanJackNames(const QStringList &rawNames, const QStringList &clients,
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

RtMidiDriver::Listing RtMidiDriver::list(bool outputs)
{
    retryIfUnavailable();
    Listing listing;
    const bool jack = m_jack != nullptr;
    RtMidi *client = outputs ? static_cast<RtMidi *>(m_out.get()) : static_cast<RtMidi *>(m_in.get());
    if (!jack && !client)
        return listing;

    // RtMidi asks JACK for the whole list again for each name; one request
    // gives them all, in the same order.
    QStringList all;
    if (jack) {
        all = m_jack->midiPorts(!outputs);
    } else {
        const unsigned count = client->getPortCount();
        for (unsigned i = 0; i < count; ++i)
            all << QString::fromStdString(client->getPortName(i));
    }
    // On JACK both directions are ports of one client named like the driver
    // (or renamed by the server when a second panel runs).
    static const QRegularExpression anyNumber(QStringLiteral("(-\\d+)?$"));
    const QRegularExpression ownJack(QLatin1Char('^') + QRegularExpression::escape(m_clientName)
                                     + anyNumber.pattern());
    const QString ownAlsa = m_clientName + (outputs ? QStringLiteral(" Out") : QStringLiteral(" In"));
    const QStringList clients = jack && !all.isEmpty() ? m_jack->clientNames() : QStringList();
    QList<QStringList> aliases;
    QHash<QString, quint64> clientIds; // a client's ports share its id
    for (const QString &name : all) {
        const QString client = clientPart(name);
        if (jack ? ownJack.match(client).hasMatch() : client == ownAlsa)
            continue;
        listing.raw << name;
        if (jack) {
            aliases << m_jack->aliasesOf(name);
            auto id = clientIds.find(client);
            if (id == clientIds.end())
                id = clientIds.insert(client, m_jack->clientIdOf(name));
            listing.ids << jackPortId(name, *id, m_jack->portIdOf(name));
        } else {
            // The sequencer's "client:port 20:0" names the port by its address.
            listing.ids << name;
        }
    }
    listing.names = jack ? cleanJackNames(listing.raw, clients, aliases) : cleanAlsaNames(listing.raw);
    // A port that vanished while being listed has an empty name; the MIDI
    // system renumbers on the next listing.
    return listing;
}

int RtMidiDriver::outputCount()
{
    m_outputs = list(true);
    return int(m_outputs.ids.size());
}

QString RtMidiDriver::outputName(int index)
{
    if (index < 0 || index >= m_outputs.names.size())
        return QString();
    return m_outputs.names[index];
}

int RtMidiDriver::inputCount()
{
    m_inputs = list(false);
    return int(m_inputs.ids.size());
}

std::optional<QString> RtMidiDriver::inputName(int index)
{
    if (index < 0 || index >= m_inputs.names.size() || m_inputs.names[index].isEmpty())
        return std::nullopt;
    return m_inputs.names[index];
}

QString RtMidiDriver::outputId(int index)
{
    return index >= 0 && index < m_outputs.ids.size() ? m_outputs.ids[index] : QString();
}

QString RtMidiDriver::inputId(int index)
{
    return index >= 0 && index < m_inputs.ids.size() ? m_inputs.ids[index] : QString();
}

std::unique_ptr<MidiOutputPort> RtMidiDriver::openOutput(const QString &id)
{
    retryIfUnavailable();
    if (m_jack)
        return openJackOutput(id);
    if (!m_out || id.isEmpty())
        return nullptr;
    const std::string target = id.toStdString();
    std::unique_ptr<RtMidiOut> out = tryClient<RtMidiOut>(m_api, m_clientName + QStringLiteral(" Out"));
    if (!out)
        return nullptr;
    // The new client numbers the ports as it sees them; find ours by its
    // address, and make sure the number still led there once it is open.
    const std::optional<unsigned> number = alsaPortNumber(*out, target);
    if (!number) {
        qWarning() << "MIDI output has gone:" << id;
        return nullptr;
    }
    out->openPort(*number, "MIDI Out");
    if (!out->isPortOpen())
        return nullptr;
    if (alsaPortNumber(*out, target) != number) {
        qWarning() << "MIDI output moved while it was opened; not used:" << id;
        return nullptr;
    }
    return std::make_unique<OutputPort>(std::move(out), id);
}

std::unique_ptr<MidiInputPort> RtMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    if (!sink || *m_inputTaken)
        return nullptr;
    retryIfUnavailable();
    if (m_jack)
        return openJackInput(id, sink);
    if (!m_in || id.isEmpty())
        return nullptr;
    const std::string source = id.toStdString();
    const std::optional<unsigned> number = alsaPortNumber(*m_in, source);
    if (!number) {
        qWarning() << "MIDI input has gone:" << id;
        return nullptr;
    }
    // The callback is in place before the first byte can arrive.
    auto port = std::make_unique<InputPort>(m_in.get(), sink, m_inputTaken);
    m_in->openPort(*number, "MIDI In");
    if (!m_in->isPortOpen())
        return nullptr;
    if (alsaPortNumber(*m_in, source) != number) {
        qWarning() << "MIDI input moved while it was opened; not used:" << id;
        return nullptr;
    }
    return port;
}

std::shared_ptr<JackMidiClient> RtMidiDriver::jackClient()
{
    // One that the server dropped stays with the ports still open on it.
    if (!m_jackClient || !m_jackClient->isRunning()) {
        m_jackClient = std::make_shared<JackMidiClient>(m_clientName);
        if (!m_jackClient->isRunning()) {
            m_jackClient.reset();
            return nullptr;
        }
    }
    return m_jackClient;
}

std::unique_ptr<MidiOutputPort> RtMidiDriver::openJackOutput(const QString &id)
{
    const JackPortKey key = JackPortKey::of(id);
    const QString &target = key.name;
    if (!isJackPortNow(key)) {
        qWarning() << "MIDI output has gone or was replaced:" << target;
        return nullptr;
    }
    const std::shared_ptr<JackMidiClient> client = jackClient();
    if (!client)
        return nullptr;
    JackMidiClient::Output *output = client->addOutput();
    if (!output)
        return nullptr;
    const QString own = client->outputPort(output);
    if (!m_jack->connect(own, target)) {
        qWarning() << "MIDI output could not be connected to" << target;
        client->removeOutput(output);
        return nullptr;
    }
    // The name may have passed to a new port between the check and the connection.
    if (!isJackPortNow(key)) {
        qWarning() << "MIDI output was replaced while it was connected; not used:" << target;
        m_jack->disconnect(own, target);
        client->removeOutput(output);
        return nullptr;
    }
    return std::make_unique<JackOutputPort>(client, output, target, m_jack);
}

std::unique_ptr<MidiInputPort> RtMidiDriver::openJackInput(const QString &id, MidiInputSink *sink)
{
    const JackPortKey key = JackPortKey::of(id);
    const QString &source = key.name;
    if (!isJackPortNow(key)) {
        qWarning() << "MIDI input has gone or was replaced:" << source;
        return nullptr;
    }
    const std::shared_ptr<JackMidiClient> client = jackClient();
    if (!client)
        return nullptr;
    // Made at the first opening and kept: closing only disconnects.
    const QString port = client->inputPort();
    if (port.isEmpty())
        return nullptr;
    // The sink is in place before the first byte can arrive.
    auto input = std::make_unique<JackInputPort>(client, sink, m_jack, source, port, m_inputTaken);
    if (!m_jack->connect(source, port)) {
        qWarning() << "MIDI input could not be connected to" << source;
        return nullptr;
    }
    if (!isJackPortNow(key)) {
        qWarning() << "MIDI input was replaced while it was connected; not used:" << source;
        return nullptr; // the port's destructor disconnects
    }
    return input;
}

bool RtMidiDriver::isJackPortNow(const JackPortKey &key) const
{
    return key.client != 0 && key.port != 0 && m_jack && m_jack->portIdOf(key.name) == key.port
           && m_jack->clientIdOf(key.name) == key.client;
}

QString RtMidiDriver::apiName() const
{
    if (m_jack)
        return QString::fromStdString(RtMidi::getApiDisplayName(RtMidi::UNIX_JACK));
    if (m_out)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_out->getCurrentApi()));
    if (m_in)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_in->getCurrentApi()));
    return QStringLiteral("none");
}
