// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/JackMidiClient.h"

#include "midi/MidiSystemProbe.h"
#include "midi/WholeMessageSplit.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// Far above any message the panel sends; a larger one fails instead of
// being cut.
constexpr size_t kQueueBytes = 1 << 16;
// A cycle lasts some milliseconds; these bound the waits for one that never
// comes because the server stalls.
constexpr int kCycleWaitMs = 500;
constexpr int kDrainWaitMs = 500;

} // namespace

struct JackMidiClient::Output
{
    jack_port_t *port = nullptr;
    // Each message as its size, then its bytes; written by the sending
    // thread, read by the process thread.
    jack_ringbuffer_t *queue = nullptr;
    QString name;
    int number = 0;
    // The largest event an empty port buffer takes; 0 before its first cycle.
    std::atomic<size_t> maxEvent{0};
};

JackMidiClient::JackMidiClient(const QString &name)
{
    MidiSystemProbe::routeJackMessagesToTrace();
    m_outputs.store(new Outputs);
    jack_status_t status;
    m_client = jack_client_open(name.toUtf8().constData(), JackNoStartServer, &status);
    if (!m_client) {
        qWarning() << "JACK client" << name << "could not be opened, status" << Qt::hex << int(status);
        return;
    }
    jack_set_process_callback(m_client, &JackMidiClient::process, this);
    jack_on_shutdown(m_client, &JackMidiClient::shutdown, this);
    if (jack_activate(m_client) != 0) {
        qWarning() << "JACK client" << name << "could not be activated";
        return;
    }
    m_running = true;
}

JackMidiClient::~JackMidiClient()
{
    // Closing ends the process thread; the ports go with the client.
    if (m_client)
        jack_client_close(m_client);
    const Outputs *outputs = m_outputs.load();
    for (Output *output : *outputs) {
        jack_ringbuffer_free(output->queue);
        delete output;
    }
    delete outputs;
}

QString JackMidiClient::inputPort()
{
    std::lock_guard<std::mutex> lock(m_changing);
    if (!m_running)
        return QString();
    jack_port_t *port = m_input.load();
    if (!port) {
        port = jack_port_register(m_client, "MIDI In", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!port) {
            qWarning() << "JACK MIDI input port could not be made";
            return QString();
        }
        m_input.store(port);
    }
    return QString::fromUtf8(jack_port_name(port));
}

void JackMidiClient::setInputSink(MidiInputSink *sink)
{
    if (m_sink.exchange(sink))
        waitForCycle(false);
}

JackMidiClient::Output *JackMidiClient::addOutput()
{
    std::lock_guard<std::mutex> lock(m_changing);
    if (!m_running)
        return nullptr;
    const Outputs &now = *m_outputs.load();
    auto output = std::make_unique<Output>();
    output->number = 1;
    while (std::any_of(now.begin(), now.end(), [&](const Output *o) { return o->number == output->number; }))
        ++output->number;
    const QByteArray portName =
        output->number == 1 ? QByteArray("MIDI Out") : "MIDI Out " + QByteArray::number(output->number);
    output->port = jack_port_register(m_client, portName.constData(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!output->port) {
        qWarning() << "JACK MIDI output port could not be made";
        return nullptr;
    }
    output->queue = jack_ringbuffer_create(kQueueBytes);
    if (!output->queue) {
        jack_port_unregister(m_client, output->port);
        return nullptr;
    }
    output->name = QString::fromUtf8(jack_port_name(output->port));
    auto *next = new Outputs(now);
    next->push_back(output.get());
    const Outputs *old = m_outputs.exchange(next);
    // Also tells the port buffer's room, which a send checks against.
    waitForCycle(true);
    delete old;
    return output.release();
}

QString JackMidiClient::outputPort(const Output *output) const
{
    return output->name;
}

bool JackMidiClient::queue(Output *output, const QByteArray &message)
{
    if (!m_running.load()) {
        qWarning() << "MIDI send failed: the JACK server has gone";
        return false;
    }
    if (message.isEmpty())
        return false;
    const std::uint32_t size = std::uint32_t(message.size());
    const size_t room = output->maxEvent.load(std::memory_order_relaxed);
    if (size > room) {
        qWarning() << "MIDI message of" << size << "bytes does not fit JACK's port buffer of" << room;
        return false;
    }
    if (jack_ringbuffer_write_space(output->queue) < sizeof size + size) {
        qWarning() << "MIDI message of" << size << "bytes does not fit the send queue";
        return false;
    }
    // The process thread takes a message only once all of it is there.
    jack_ringbuffer_write(output->queue, reinterpret_cast<const char *>(&size), sizeof size);
    jack_ringbuffer_write(output->queue, message.constData(), size);
    return true;
}

void JackMidiClient::removeOutput(Output *output)
{
    // The last message (a Stop, say) still reaches the unit.
    QElapsedTimer waited;
    waited.start();
    while (m_running.load() && jack_ringbuffer_read_space(output->queue) > 0 && waited.elapsed() < kDrainWaitMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    std::lock_guard<std::mutex> lock(m_changing);
    auto *next = new Outputs;
    for (Output *o : *m_outputs.load()) {
        if (o != output)
            next->push_back(o);
    }
    const Outputs *old = m_outputs.exchange(next);
    waitForCycle(false);
    delete old;
    // A client the server dropped has no ports left to unregister.
    if (m_running.load())
        jack_port_unregister(m_client, output->port);
    jack_ringbuffer_free(output->queue);
    delete output;
}

int JackMidiClient::process(std::uint32_t frames, void *self)
{
    auto *client = static_cast<JackMidiClient *>(self);
    client->m_cycle.fetch_add(1);
    client->receive(frames);
    for (Output *output : *client->m_outputs.load())
        drain(*output, frames);
    client->m_cycle.fetch_add(1);
    return 0;
}

void JackMidiClient::shutdown(void *self)
{
    static_cast<JackMidiClient *>(self)->m_running.store(false);
}

void JackMidiClient::receive(std::uint32_t frames)
{
    jack_port_t *port = m_input.load();
    MidiInputSink *sink = m_sink.load();
    if (!port || !sink)
        return;
    void *buffer = jack_port_get_buffer(port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0)
            continue;
        // Active sensing only says that the sender is alive, some three times a second.
        if (event.size == 0 || event.buffer[0] == 0xFE)
            continue;
        passWholeMessage(event.buffer, event.size, *sink);
    }
}

void JackMidiClient::drain(Output &output, std::uint32_t frames)
{
    // Cleared every cycle, or the last cycle's events would go out again.
    void *buffer = jack_port_get_buffer(output.port, frames);
    jack_midi_clear_buffer(buffer);
    const size_t room = jack_midi_max_event_size(buffer);
    if (output.maxEvent.load(std::memory_order_relaxed) != room)
        output.maxEvent.store(room, std::memory_order_relaxed);
    for (;;) {
        std::uint32_t size = 0;
        const size_t queued = jack_ringbuffer_read_space(output.queue);
        if (queued < sizeof size)
            return;
        jack_ringbuffer_peek(output.queue, reinterpret_cast<char *>(&size), sizeof size);
        if (queued < sizeof size + size)
            return;
        // A full buffer takes the rest in the next cycle; a send made sure
        // that each message fits an empty one.
        jack_midi_data_t *event = jack_midi_event_reserve(buffer, 0, size);
        if (!event)
            return;
        jack_ringbuffer_read_advance(output.queue, sizeof size);
        jack_ringbuffer_read(output.queue, reinterpret_cast<char *>(event), size);
    }
}

void JackMidiClient::waitForCycles(int cycles) const
{
    for (int i = 0; i < cycles && m_running.load(); ++i)
        waitForCycle(true);
}

// Waits for the cycle running now, if any, to end: the process thread reads
// each pointer once per cycle, so later cycles see what was stored before.
// With wholeCycle, also for a cycle that begins after the call.
void JackMidiClient::waitForCycle(bool wholeCycle) const
{
    const std::uint64_t at = m_cycle.load();
    const std::uint64_t target = (at % 2 ? at + 1 : at) + (wholeCycle ? 2 : 0);
    QElapsedTimer waited;
    waited.start();
    while (m_cycle.load() < target) {
        if (wholeCycle && (!m_running.load() || waited.elapsed() > kCycleWaitMs))
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}
