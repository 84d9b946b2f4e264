#include "midi/RtMidiDriver.h"

#include <rtmidi/RtMidi.h>

#include <QDebug>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
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

// JACK names a second client of an existing name "name-01", "name-02" ...
QString withoutJackSuffix(const QString &client)
{
    static const QRegularExpression suffix(QStringLiteral("-\\d\\d$"));
    QString name = client;
    name.remove(suffix);
    return name.isEmpty() ? client : name;
}

} // namespace

class RtMidiDriver::OutputPort : public MidiOutputPort
{
public:
    // Sends run on a thread of their own so that a stuck MIDI system holds the
    // caller only as long as it is willing to wait.
    explicit OutputPort(RtMidiOut *out)
        : m_out(out)
        , m_thread([this] { run(); })
    {
    }

    ~OutputPort() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
        m_out->closePort();
    }

    bool sendLong(const QByteArray &message, int timeoutMs) override
    {
        Job job;
        job.bytes.assign(message.constBegin(), message.constEnd());
        std::future<bool> done = job.done.get_future();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_one();
        if (done.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
            qWarning() << "MIDI send still not done after" << timeoutMs << "ms";
            return false;
        }
        return done.get();
    }

private:
    struct Job
    {
        std::vector<unsigned char> bytes;
        std::promise<bool> done;
    };

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping, and everything queued has gone out
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            bool ok = true;
            try {
                m_out->sendMessage(&job.bytes);
            } catch (const RtMidiError &error) {
                qWarning() << "MIDI send failed:" << QString::fromStdString(error.getMessage());
                ok = false;
            }
            job.done.set_value(ok);
            lock.lock();
        }
    }

    RtMidiOut *m_out;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

class RtMidiDriver::InputPort : public MidiInputPort
{
public:
    InputPort(RtMidiIn *in, MidiInputSink *sink)
        : m_in(in)
        , m_sink(sink)
    {
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
        if (!m_sink || bytes.empty())
            return;
        if (bytes[0] == 0xF0) {
            // RtMidi gathers a whole System Exclusive message; hand it over in
            // receive-buffer sized pieces as the MIDI system would.
            for (size_t at = 0; at < bytes.size(); at += MidiDriver::kSysExBufferSize) {
                const size_t n = std::min(bytes.size() - at, size_t(MidiDriver::kSysExBufferSize));
                m_sink->longMessage(QByteArray(reinterpret_cast<const char *>(bytes.data() + at), int(n)));
            }
            return;
        }
        m_sink->shortMessage(bytes[0], bytes.size() > 1 ? bytes[1] : 0, bytes.size() > 2 ? bytes[2] : 0);
    }

    RtMidiIn *m_in;
    std::mutex m_mutex;
    MidiInputSink *m_sink;
};

RtMidiDriver::RtMidiDriver(const QString &clientName)
    : m_clientName(clientName)
{
    const QString inName = clientName + QStringLiteral(" In");
    const QString outName = clientName + QStringLiteral(" Out");
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    if (jackRequested())
        api = RtMidi::UNIX_JACK;
    else if (alsaCompiled())
        api = RtMidi::LINUX_ALSA;

    m_in = tryClient<RtMidiIn>(api, inName);
    if (!m_in && api == RtMidi::LINUX_ALSA) {
        api = RtMidi::UNIX_JACK;
        m_in = tryClient<RtMidiIn>(api, inName);
    }
    if (m_in) {
        api = m_in->getCurrentApi();
        // Keep System Exclusive and MIDI time code; drop active sensing.
        m_in->ignoreTypes(false, false, true);
    }
    m_out = tryClient<RtMidiOut>(api, outName);
    qDebug() << "MIDI system:" << apiName();
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

QStringList RtMidiDriver::cleanJackNames(const QStringList &rawNames)
{
    QHash<QString, int> portsPerClient;
    for (const QString &raw : rawNames)
        ++portsPerClient[clientPart(raw)];
    QStringList names;
    for (const QString &raw : rawNames) {
        const QString client = clientPart(raw);
        names << (portsPerClient.value(client) > 1 ? raw : withoutJackSuffix(client));
    }
    return names;
}

RtMidiDriver::Listing RtMidiDriver::list(bool outputs) const
{
    Listing listing;
    RtMidi *client = outputs ? static_cast<RtMidi *>(m_out.get()) : static_cast<RtMidi *>(m_in.get());
    if (!client)
        return listing;
    const bool jack = (outputs ? m_out->getCurrentApi() : m_in->getCurrentApi()) == RtMidi::UNIX_JACK;
    const QString ownIn = m_clientName + QStringLiteral(" In");
    const QString ownOut = m_clientName + QStringLiteral(" Out");

    QStringList raw;
    const unsigned count = client->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        const QString name = QString::fromStdString(client->getPortName(i));
        const QString owner = jack ? withoutJackSuffix(clientPart(name)) : clientPart(name);
        if (owner == ownIn || owner == ownOut)
            continue;
        listing.rtIndex.push_back(i);
        raw << name;
    }
    listing.names = jack ? cleanJackNames(raw) : cleanAlsaNames(raw);
    // A port that vanished while being listed has an empty name; the MIDI
    // system renumbers on the next listing.
    return listing;
}

int RtMidiDriver::outputCount()
{
    m_outputs = list(true);
    return int(m_outputs.rtIndex.size());
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
    return int(m_inputs.rtIndex.size());
}

std::optional<QString> RtMidiDriver::inputName(int index)
{
    if (index < 0 || index >= m_inputs.names.size() || m_inputs.names[index].isEmpty())
        return std::nullopt;
    return m_inputs.names[index];
}

std::unique_ptr<MidiOutputPort> RtMidiDriver::openOutput(int index)
{
    if (!m_out || m_out->isPortOpen())
        return nullptr;
    const Listing now = list(true);
    if (index < 0 || size_t(index) >= now.rtIndex.size())
        return nullptr;
    m_out->openPort(now.rtIndex[size_t(index)], "MIDI Out");
    if (!m_out->isPortOpen())
        return nullptr;
    return std::make_unique<OutputPort>(m_out.get());
}

std::unique_ptr<MidiInputPort> RtMidiDriver::openInput(int index, MidiInputSink *sink)
{
    if (!m_in || !sink || m_in->isPortOpen())
        return nullptr;
    const Listing now = list(false);
    if (index < 0 || size_t(index) >= now.rtIndex.size())
        return nullptr;
    // The callback is in place before the first byte can arrive.
    auto port = std::make_unique<InputPort>(m_in.get(), sink);
    m_in->openPort(now.rtIndex[size_t(index)], "MIDI In");
    if (!m_in->isPortOpen()) {
        port.reset();
        return nullptr;
    }
    return port;
}

QString RtMidiDriver::apiName() const
{
    if (m_out)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_out->getCurrentApi()));
    if (m_in)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_in->getCurrentApi()));
    return QStringLiteral("none");
}
