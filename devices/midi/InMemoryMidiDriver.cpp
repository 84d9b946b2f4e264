// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/InMemoryMidiDriver.h"

#include "protocol/SysEx.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Number of bytes of a short message with this status, status included.
int shortMessageLength(quint8 status)
{
    if (status < 0xF0) {
        const quint8 kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
    case SysEx::kQuarterFrame:
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default:
        return 1;
    }
}

template <typename Container, typename Predicate>
void eraseIf(Container &container, Predicate predicate)
{
    container.erase(std::remove_if(container.begin(), container.end(), predicate), container.end());
}

} // namespace

struct InMemoryMidiDriver::State
{
    struct Port
    {
        int id = -1;
        QString name;
        Receiver receiver;     // outputs only
        bool readable = true;  // inputs only
        bool openable = true;  // outputs only
        int openCount = 0;
    };

    // One item for the delivery thread: a short word or one receive buffer.
    struct Item
    {
        int inputId = -1;
        bool isLong = false;
        quint8 status = 0, data1 = 0, data2 = 0;
        QByteArray data;
    };

    // One open input port of the panel.
    struct OpenInput
    {
        int inputId;
        MidiInputSink *sink;
        const void *token;
    };

    std::mutex mutex;
    std::condition_variable wake;   // delivery thread: items or stop
    std::condition_variable idle;   // flush() and closing inputs
    std::vector<Port> outputs;
    std::vector<Port> inputs;
    std::vector<OpenInput> openInputs;
    std::deque<Item> queue;
    int nextId = 1;
    bool stopping = false;
    bool delivering = false;
    const void *deliveringTo = nullptr;
    std::thread thread;
    std::thread::id deliveryThreadId;

    static Port *find(std::vector<Port> &ports, int id)
    {
        auto it = std::find_if(ports.begin(), ports.end(), [id](const Port &p) { return p.id == id; });
        return it == ports.end() ? nullptr : &*it;
    }
    Port *findOutput(int id) { return find(outputs, id); }
    Port *findInput(int id) { return find(inputs, id); }
    // By the number the driver shows now; null past the end.
    static Port *at(std::vector<Port> &ports, int index)
    {
        return index >= 0 && index < int(ports.size()) ? &ports[size_t(index)] : nullptr;
    }

    void enqueue(Item item)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(std::move(item));
        }
        wake.notify_one();
    }

    // Forgets an open input; returns once the delivery thread no longer calls
    // its sink (unless called from that very thread, i.e. from the sink).
    void closeInput(const void *token)
    {
        std::unique_lock<std::mutex> lock(mutex);
        eraseIf(openInputs, [token](const OpenInput &o) { return o.token == token; });
        if (std::this_thread::get_id() == deliveryThreadId)
            return;
        idle.wait(lock, [&] { return deliveringTo != token; });
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !queue.empty(); });
            if (stopping)
                break;
            Item item = std::move(queue.front());
            queue.pop_front();
            delivering = true;
            // Copy the receivers: a sink may close its own port while called.
            std::vector<OpenInput> targets;
            for (const OpenInput &o : openInputs)
                if (o.inputId == item.inputId)
                    targets.push_back(o);
            for (const OpenInput &target : targets) {
                const bool stillOpen = std::any_of(openInputs.begin(), openInputs.end(),
                                                   [&](const OpenInput &o) { return o.token == target.token; });
                if (!stillOpen)
                    continue;
                deliveringTo = target.token;
                lock.unlock();
                if (item.isLong)
                    target.sink->longMessage(item.data);
                else
                    target.sink->shortMessage(item.status, item.data1, item.data2);
                lock.lock();
                deliveringTo = nullptr;
                idle.notify_all();
            }
            delivering = false;
            idle.notify_all();
        }
        delivering = false;
        deliveringTo = nullptr;
        idle.notify_all();
    }
};


// What an open port of either direction keeps: a share of the state, so that
// a port closed after the driver is gone stays safe, and the port's id. Going
// away, it counts the port as closed once more.
class InMemoryMidiDriver::OpenedPort
{
public:
    using Find = State::Port *(State::*)(int);

    OpenedPort(std::shared_ptr<State> state, int id, Find find)
        : m_state(std::move(state))
        , m_id(id)
        , m_find(find)
    {
    }
    ~OpenedPort()
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (State::Port *port = (m_state.get()->*m_find)(m_id))
            --port->openCount;
    }

    State &state() const { return *m_state; }
    int id() const { return m_id; }

private:
    std::shared_ptr<State> m_state;
    int m_id;
    Find m_find;
};

class InMemoryMidiDriver::OutputPort : public MidiOutputPort
{
public:
    OutputPort(std::shared_ptr<State> state, int id)
        : m_opened(std::move(state), id, &State::findOutput)
    {
    }
    bool sendLong(const QByteArray &message) override;

private:
    OpenedPort m_opened;
};

class InMemoryMidiDriver::InputPort : public MidiInputPort
{
public:
    InputPort(std::shared_ptr<State> state, int id)
        : m_opened(std::move(state), id, &State::findInput)
    {
    }
    // Stops the deliveries before the open count goes down.
    ~InputPort() override { m_opened.state().closeInput(this); }

private:
    OpenedPort m_opened;
};

bool InMemoryMidiDriver::OutputPort::sendLong(const QByteArray &message)
{
    InMemoryMidiDriver::Receiver receiver;
    {
        State &state = m_opened.state();
        std::lock_guard<std::mutex> lock(state.mutex);
        State::Port *port = state.findOutput(m_opened.id());
        if (!port)
            return false; // unplugged
        receiver = port->receiver;
    }
    // Outside the lock: the receiver may answer through send().
    if (receiver)
        receiver(message);
    return true;
}

InMemoryMidiDriver::InMemoryMidiDriver()
    : m_state(std::make_shared<State>())
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State *state = m_state.get();
    m_state->thread = std::thread([state] { state->run(); });
    m_state->deliveryThreadId = m_state->thread.get_id();
}

InMemoryMidiDriver::~InMemoryMidiDriver()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->wake.notify_all();
    m_state->thread.join();
}

int InMemoryMidiDriver::addOutputPort(const QString &name, Receiver receiver)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::Port port;
    port.id = m_state->nextId++;
    port.name = name;
    port.receiver = std::move(receiver);
    m_state->outputs.push_back(std::move(port));
    return m_state->outputs.back().id;
}

int InMemoryMidiDriver::addInputPort(const QString &name)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::Port port;
    port.id = m_state->nextId++;
    port.name = name;
    m_state->inputs.push_back(std::move(port));
    return m_state->inputs.back().id;
}

InMemoryMidiDriver::Device InMemoryMidiDriver::addDevice(const QString &name, Receiver receiver)
{
    Device device;
    device.output = addOutputPort(name, std::move(receiver));
    device.input = addInputPort(name);
    return device;
}

void InMemoryMidiDriver::removePort(int id)
{
    std::vector<const void *> closed;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        const auto isPort = [id](const State::Port &p) { return p.id == id; };
        eraseIf(m_state->outputs, isPort);
        eraseIf(m_state->inputs, isPort);
        // An open input on a removed port goes deaf; the port object stays
        // valid until its owner closes it.
        eraseIf(m_state->openInputs, [id](const State::OpenInput &o) { return o.inputId == id; });
        eraseIf(m_state->queue, [id](const State::Item &i) { return i.inputId == id; });
    }
    m_state->idle.notify_all();
}

void InMemoryMidiDriver::removeDevice(const Device &device)
{
    removePort(device.output);
    removePort(device.input);
}

void InMemoryMidiDriver::renamePort(int id, const QString &name)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (State::Port *port = m_state->findOutput(id))
        port->name = name;
    if (State::Port *port = m_state->findInput(id))
        port->name = name;
}

void InMemoryMidiDriver::setInputNameReadable(int id, bool readable)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (State::Port *port = m_state->findInput(id))
        port->readable = readable;
}

void InMemoryMidiDriver::setOutputOpenable(int id, bool openable)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (State::Port *port = m_state->findOutput(id))
        port->openable = openable;
}

void InMemoryMidiDriver::send(int inputId, const QByteArray &bytes)
{
    const auto byteAt = [&bytes](int i) { return quint8(bytes.at(i)); };
    int i = 0;
    quint8 runningStatus = 0;
    while (i < bytes.size()) {
        const quint8 first = byteAt(i);
        if (first == SysEx::kStart) {
            int end = bytes.indexOf(char(SysEx::kEnd), i);
            end = end < 0 ? bytes.size() : end + 1;
            for (int at = i; at < end; at += kSysExBufferSize) {
                State::Item item;
                item.inputId = inputId;
                item.isLong = true;
                item.data = bytes.mid(at, std::min(kSysExBufferSize, end - at));
                m_state->enqueue(std::move(item));
            }
            i = end;
            runningStatus = 0;
            continue;
        }
        quint8 status = first;
        if (first < 0x80) {
            // Data without a status byte: running status, or nothing to attach it to.
            if (!runningStatus) {
                ++i;
                continue;
            }
            status = runningStatus;
        } else {
            ++i;
            if (first < 0xF0)
                runningStatus = first;
            else if (first < SysEx::kFirstRealTimeStatus)
                runningStatus = 0;
        }
        quint8 data[2] = {0, 0};
        const int wanted = shortMessageLength(status) - 1;
        for (int d = 0; d < wanted && i < bytes.size() && byteAt(i) < 0x80; ++d)
            data[d] = byteAt(i++);
        sendShort(inputId, status, data[0], data[1]);
    }
}

void InMemoryMidiDriver::sendShort(int inputId, quint8 status, quint8 data1, quint8 data2)
{
    State::Item item;
    item.inputId = inputId;
    item.status = status;
    item.data1 = data1;
    item.data2 = data2;
    m_state->enqueue(std::move(item));
}

void InMemoryMidiDriver::flush()
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (std::this_thread::get_id() == m_state->deliveryThreadId)
        return;
    m_state->idle.wait(lock, [&] { return m_state->stopping || (m_state->queue.empty() && !m_state->delivering); });
}

bool InMemoryMidiDriver::isInputOpen(int inputId) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = m_state->findInput(inputId);
    return port && port->openCount > 0;
}

bool InMemoryMidiDriver::isOutputOpen(int outputId) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = m_state->findOutput(outputId);
    return port && port->openCount > 0;
}

int InMemoryMidiDriver::outputCount()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return int(m_state->outputs.size());
}

QString InMemoryMidiDriver::outputName(int index)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = State::at(m_state->outputs, index);
    return port ? port->name : QString();
}

int InMemoryMidiDriver::inputCount()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return int(m_state->inputs.size());
}

std::optional<QString> InMemoryMidiDriver::inputName(int index)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = State::at(m_state->inputs, index);
    if (!port || !port->readable)
        return std::nullopt;
    return port->name;
}

QString InMemoryMidiDriver::outputId(int index)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = State::at(m_state->outputs, index);
    return port ? QString::number(port->id) : QString();
}

QString InMemoryMidiDriver::inputId(int index)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const State::Port *port = State::at(m_state->inputs, index);
    return port ? QString::number(port->id) : QString();
}

namespace {

int portIdOf(const QString &id)
{
    bool ok = false;
    const int number = id.toInt(&ok);
    return ok ? number : -1;
}

} // namespace

std::unique_ptr<MidiOutputPort> InMemoryMidiDriver::openOutput(const QString &id)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::Port *port = m_state->findOutput(portIdOf(id));
    if (!port || !port->openable)
        return nullptr;
    ++port->openCount;
    return std::make_unique<OutputPort>(m_state, port->id);
}

std::unique_ptr<MidiInputPort> InMemoryMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    if (!sink)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::Port *port = m_state->findInput(portIdOf(id));
    if (!port)
        return nullptr;
    ++port->openCount;
    auto opened = std::make_unique<InputPort>(m_state, port->id);
    m_state->openInputs.push_back({port->id, sink, opened.get()});
    return opened;
}

std::optional<int> InMemoryMidiDriver::soundCardOf(const QString &portId)
{
    bool ok = false;
    const int id = portId.toInt(&ok);
    const auto card = m_soundCards.constFind(id);
    if (!ok || card == m_soundCards.constEnd())
        return std::nullopt;
    return *card;
}
