// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/AlsaMidiDriver.h"

#include "midi/AlsaSoundCard.h"
#include "midi/WholeMessageSplit.h"

#include <QDebug>
#include <QRegularExpression>

#include <mutex>

namespace {

void logRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        qDebug() << "RtMidi:" << QString::fromStdString(text);
    else
        qWarning() << "RtMidi:" << QString::fromStdString(text);
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

class AlsaMidiDriver::OutputPort : public MidiOutputPort
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

class AlsaMidiDriver::InputPort : public MidiInputPort
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

std::unique_ptr<AlsaMidiDriver> AlsaMidiDriver::open(RtMidi::Api api, const QString &clientName,
                                                     std::shared_ptr<std::atomic<bool>> inputTaken)
{
    std::unique_ptr<AlsaMidiDriver> driver(new AlsaMidiDriver(clientName, std::move(inputTaken)));
    driver->m_api = api;
    driver->m_in = tryClient<RtMidiIn>(api, clientName + QStringLiteral(" In"));
    // Keep System Exclusive and MIDI time code; drop active sensing.
    if (driver->m_in)
        driver->m_in->ignoreTypes(false, false, true);
    driver->m_out = tryClient<RtMidiOut>(api, clientName + QStringLiteral(" Out"));
    if (driver->m_out)
        driver->m_api = driver->m_out->getCurrentApi();
    if (!driver->m_in && !driver->m_out)
        return nullptr;
    return driver;
}

AlsaMidiDriver::AlsaMidiDriver(const QString &clientName, std::shared_ptr<std::atomic<bool>> inputTaken)
    : m_clientName(clientName)
    , m_inputTaken(std::move(inputTaken))
{
}

AlsaMidiDriver::~AlsaMidiDriver() = default;

QStringList AlsaMidiDriver::cleanNames(const QStringList &rawNames)
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

AlsaMidiDriver::Listing AlsaMidiDriver::list(bool outputs) const
{
    Listing listing;
    RtMidi *client = outputs ? static_cast<RtMidi *>(m_out.get()) : static_cast<RtMidi *>(m_in.get());
    if (!client)
        return listing;
    const QString own = m_clientName + (outputs ? QStringLiteral(" Out") : QStringLiteral(" In"));
    QStringList raw;
    const unsigned count = client->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        const QString name = QString::fromStdString(client->getPortName(i));
        if (name.section(QLatin1Char(':'), 0, 0) == own)
            continue;
        raw << name;
        // The sequencer's "client:port 20:0" names the port by its address.
        listing.ids << name;
    }
    // A port that vanished while being listed has an empty name; the MIDI
    // system renumbers on the next listing.
    listing.names = cleanNames(raw);
    return listing;
}

int AlsaMidiDriver::outputCount()
{
    m_outputs = list(true);
    return int(m_outputs.ids.size());
}

QString AlsaMidiDriver::outputName(int index)
{
    return index >= 0 && index < m_outputs.names.size() ? m_outputs.names[index] : QString();
}

int AlsaMidiDriver::inputCount()
{
    m_inputs = list(false);
    return int(m_inputs.ids.size());
}

std::optional<QString> AlsaMidiDriver::inputName(int index)
{
    if (index < 0 || index >= m_inputs.names.size() || m_inputs.names[index].isEmpty())
        return std::nullopt;
    return m_inputs.names[index];
}

QString AlsaMidiDriver::outputId(int index)
{
    return index >= 0 && index < m_outputs.ids.size() ? m_outputs.ids[index] : QString();
}

QString AlsaMidiDriver::inputId(int index)
{
    return index >= 0 && index < m_inputs.ids.size() ? m_inputs.ids[index] : QString();
}

std::unique_ptr<MidiOutputPort> AlsaMidiDriver::openOutput(const QString &id)
{
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

std::unique_ptr<MidiInputPort> AlsaMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    if (!sink || *m_inputTaken)
        return nullptr;
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

QString AlsaMidiDriver::apiName() const
{
    if (m_out)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_out->getCurrentApi()));
    return QString::fromStdString(RtMidi::getApiDisplayName(m_in->getCurrentApi()));
}

std::optional<int> AlsaMidiDriver::soundCardOf(const QString &portId)
{
    const std::optional<int> client = AlsaSoundCard::clientInAlsaId(portId);
    return client ? AlsaSoundCard::cardOfClient(*client) : std::nullopt;
}
