// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <QList>
#include <QStringList>

#include <atomic>
#include <memory>

class JackGraph;
class JackMidiClient;

// The MIDI system as a JACK server (jackd or PipeWire) shows it; RtMidiDriver
// chooses it.
//
// JACK wakes every client with a port or a process callback on each of its
// cycles, so the driver starts with only a graph client without either (see
// JackGraph), which lists and connects. At the first opening it makes one
// client of its own on libjack, "<clientName>" (JACK adds "-01" when the name
// is taken; see JackMidiClient), which carries the input port and every open
// output's port, so one thread of the panel wakes per cycle whatever is open.
// The input port is made at the first opening and kept: closing disconnects
// the source. Each open output gets a port of its own on that client, removed
// when it closes. The driver's own ports are not listed.
//
// A port's id is "client:port", "#" and its client's and its own id (the name
// stays when its program restarts; the ids do not both stay, see JackGraph).
// The port is connected by name through the graph client, and its client's id
// is checked before and after connecting: a port of the same name from a
// program that restarted is another port. A new output sends nothing before
// JACK routes its connection.
//
// Port names: JACK reports "client:port". A unit's two directions are two
// ports of one client, or two clients of the same name, so the name is the
// client's name as the client asked for it. The server renames a second
// client of a taken name: jackd to "name-01", PipeWire to "name-" and its node
// id ("TQR-30 Pro-135"). A "-digits" ending goes only where the server shows
// it was added (see cleanNames); "TQR-30" keeps its digits. Only a client with
// several ports in one direction keeps "client:port" for each.
class JackMidiDriver : public MidiDriver
{
public:
    // Null when no JACK server answers. inputTaken is true while an input
    // port of the panel is open, whichever driver opened it.
    static std::unique_ptr<JackMidiDriver> open(const QString &clientName,
                                                std::shared_ptr<std::atomic<bool>> inputTaken);
    ~JackMidiDriver() override;

    // The server stopped: nothing works any more; ports still open keep what
    // they need until they close.
    bool serverGone() const;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    QString outputId(int index) override;
    QString inputId(int index) override;
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;
    // From the sequencer client the server names in the port's name or
    // aliases, for ports it bridges from ALSA (see AlsaSoundCard).
    std::optional<int> soundCardOf(const QString &portId) override;

    // The readable names for the raw names of one direction, in order (see
    // above). Own ports are not filtered here. `clients` are all clients the
    // server has and `aliases` each port's aliases, in the order of the raw
    // names: a client "name-<digits>" shows as "name" only when a client
    // "name" is there or an alias names the client so.
    static QStringList cleanNames(const QStringList &rawNames, const QStringList &clients,
                                  const QList<QStringList> &aliases = {});

private:
    class OutputPort;
    class InputPort;
    // A port id taken apart.
    struct PortKey;

    JackMidiDriver(const QString &clientName, std::shared_ptr<JackGraph> graph,
                   std::shared_ptr<std::atomic<bool>> inputTaken);

    // The ports of one direction as last listed that are not our own: the
    // clean name and the id of each.
    struct Listing
    {
        QStringList names;
        QStringList ids;
    };
    Listing list(bool outputs) const;
    // The port of this name is there, with this id, on the client of that id.
    bool isPortNow(const PortKey &key) const;
    // The running client of the driver's ports, made when missing.
    std::shared_ptr<JackMidiClient> ownClient();

    QString m_clientName;
    // Listings in one request, ids, and the connections by name.
    std::shared_ptr<JackGraph> m_graph;
    std::shared_ptr<std::atomic<bool>> m_inputTaken;
    // From the first opening on; open ports share it.
    std::shared_ptr<JackMidiClient> m_client;
    Listing m_outputs;
    Listing m_inputs;
};
