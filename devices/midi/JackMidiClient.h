// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class MidiInputSink;

// The driver's one activated JACK client: one input port, made when first
// asked for and kept, and an output port per open output. JACK wakes every
// activated client on each of its cycles, so the input and all outputs share
// this one client and its one process thread.
//
// JACK may rename the client ("Quill Tool-01") when the name is taken; the
// ports' full names tell what it is called.
//
// The process thread never waits for anyone. It reads the sink and the
// outputs through atomic pointers and counts its cycles; a thread that takes
// a sink or an output away waits for the cycle that may still hold it to end
// instead. So once setInputSink() or removeOutput() has returned, the process
// thread no longer touches what was taken away.
//
// When the server goes away the client stops: isRunning() turns false and
// sends fail. A driver then makes a new client for its next opening.
class JackMidiClient
{
public:
    struct Output;

    explicit JackMidiClient(const QString &name);
    ~JackMidiClient();
    JackMidiClient(const JackMidiClient &) = delete;
    JackMidiClient &operator=(const JackMidiClient &) = delete;

    bool isRunning() const { return m_running.load(); }

    // The input port's full name; empty when it could not be made.
    QString inputPort();
    // What the input port receives goes to the sink from now on, whole
    // messages as passWholeMessage() hands them, active sensing dropped;
    // nullptr drops everything.
    void setInputSink(MidiInputSink *sink);

    // A new output port; nullptr when it could not be made.
    Output *addOutput();
    QString outputPort(const Output *output) const;
    // Queues one message for the port's next cycle. False when it cannot go
    // out whole: too large for the queue's free room or for one cycle's port
    // buffer, or the server has gone. One thread at a time per output.
    bool queue(Output *output, const QByteArray &message);
    // Lets what was queued go out first, for a while at most.
    void removeOutput(Output *output);

    // Returns after this many whole process cycles, or when the server
    // stalls or has gone.
    void waitForCycles(int cycles) const;

private:
    using Outputs = std::vector<Output *>;

    // JACK's callbacks; self is the client.
    static int process(std::uint32_t frames, void *self);
    static void shutdown(void *self);
    void receive(std::uint32_t frames);
    static void drain(Output &output, std::uint32_t frames);
    void waitForCycle(bool wholeCycle) const;

    struct _jack_client *m_client = nullptr;
    std::atomic<bool> m_running{false};
    // Odd while the process thread is inside a cycle.
    std::atomic<std::uint64_t> m_cycle{0};
    std::atomic<struct _jack_port *> m_input{nullptr};
    std::atomic<MidiInputSink *> m_sink{nullptr};
    // Replaced whole, never changed in place: the process thread may be
    // walking the old list.
    std::atomic<const Outputs *> m_outputs{nullptr};
    // Taken by the threads that change the ports, never by the process thread.
    std::mutex m_changing;
};
