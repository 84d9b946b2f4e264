#include "midi/RtMidiDriver.h"

#include <rtmidi/RtMidi.h>

#include <QDebug>

#include <mutex>

namespace {

void logRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        qDebug() << "RtMidi:" << QString::fromStdString(text);
    else
        qWarning() << "RtMidi:" << QString::fromStdString(text);
}

RtMidi::Api requestedApi()
{
    return qgetenv("QUILL_MIDI_API").toLower() == "jack" ? RtMidi::UNIX_JACK : RtMidi::UNSPECIFIED;
}

template<typename T>
std::unique_ptr<T> makeClient(const QString &name)
{
    const std::string client = name.toStdString();
    try {
        return std::make_unique<T>(requestedApi(), client);
    } catch (const RtMidiError &error) {
        qWarning() << "MIDI system could not be opened:" << QString::fromStdString(error.getMessage())
                   << "- trying JACK";
    }
    try {
        return std::make_unique<T>(RtMidi::UNIX_JACK, client);
    } catch (const RtMidiError &error) {
        qWarning() << "JACK MIDI could not be opened either:" << QString::fromStdString(error.getMessage());
    }
    return nullptr;
}

} // namespace

class RtMidiDriver::OutputPort : public MidiOutputPort
{
public:
    explicit OutputPort(RtMidiOut *out)
        : m_out(out)
    {
    }
    ~OutputPort() override { m_out->closePort(); }

    bool sendLong(const QByteArray &message, int) override
    {
        // RtMidi hands the message to the sequencer synchronously.
        try {
            m_out->sendMessage(reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()));
        } catch (const RtMidiError &error) {
            qWarning() << "MIDI send failed:" << QString::fromStdString(error.getMessage());
            return false;
        }
        return true;
    }

private:
    RtMidiOut *m_out;
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
        m_in->cancelCallback();
        m_in->closePort();
    }

private:
    static void received(double, std::vector<unsigned char> *message, void *self)
    {
        static_cast<InputPort *>(self)->deliver(*message);
    }

    void deliver(const std::vector<unsigned char> &bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_sink || bytes.empty())
            return;
        if (bytes[0] == 0xF0) {
            // Hand System Exclusive over in receive-buffer sized pieces.
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
    : m_in(makeClient<RtMidiIn>(clientName + QStringLiteral(" In")))
    , m_out(makeClient<RtMidiOut>(clientName + QStringLiteral(" Out")))
{
    if (m_in) {
        m_in->setErrorCallback(&logRtMidiError);
        // Keep System Exclusive and MIDI time code; drop active sensing.
        m_in->ignoreTypes(false, false, true);
    }
    if (m_out)
        m_out->setErrorCallback(&logRtMidiError);
}

RtMidiDriver::~RtMidiDriver() = default;

int RtMidiDriver::outputCount()
{
    return m_out ? int(m_out->getPortCount()) : 0;
}

QString RtMidiDriver::outputName(int index)
{
    return m_out ? QString::fromStdString(m_out->getPortName(unsigned(index))) : QString();
}

int RtMidiDriver::inputCount()
{
    return m_in ? int(m_in->getPortCount()) : 0;
}

std::optional<QString> RtMidiDriver::inputName(int index)
{
    if (!m_in)
        return std::nullopt;
    const std::string name = m_in->getPortName(unsigned(index));
    if (name.empty())
        return std::nullopt;
    return QString::fromStdString(name);
}

std::unique_ptr<MidiOutputPort> RtMidiDriver::openOutput(int index)
{
    if (!m_out || m_out->isPortOpen())
        return nullptr;
    m_out->openPort(unsigned(index), "MIDI Out");
    if (!m_out->isPortOpen())
        return nullptr;
    return std::make_unique<OutputPort>(m_out.get());
}

std::unique_ptr<MidiInputPort> RtMidiDriver::openInput(int index, MidiInputSink *sink)
{
    if (!m_in || m_in->isPortOpen())
        return nullptr;
    m_in->openPort(unsigned(index), "MIDI In");
    if (!m_in->isPortOpen())
        return nullptr;
    return std::make_unique<InputPort>(m_in.get(), sink);
}

QString RtMidiDriver::apiName() const
{
    if (m_out)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_out->getCurrentApi()));
    if (m_in)
        return QString::fromStdString(RtMidi::getApiDisplayName(m_in->getCurrentApi()));
    return QStringLiteral("none");
}
