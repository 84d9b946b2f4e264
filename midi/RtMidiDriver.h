#pragma once

#include "midi/MidiDriver.h"

#include <rtmidi/RtMidi.h>

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <atomic>
#include <memory>


// The MIDI system of the computer through RtMidi: the ALSA sequencer on Linux
// (JACK when QUILL_MIDI_API=jack or when the sequencer cannot be opened).
// Each system is probed quietly before RtMidi opens it. When none can be
// opened, one line saying so goes to standard error, unavailableText() keeps
// it for the window, and the systems are tried again, quietly, every
// kRetryIntervalMs while ports are listed.
//
// On ALSA one RtMidi client per direction lives as long as the driver, named
// "<clientName> In" and "<clientName> Out" (two different names). Enumeration
// reuses them, so the one-second port scan creates no clients. The input
// client holds at most one open port; each open output gets a client of its
// own. On JACK, which wakes every client with a port or a process callback on
// each of its cycles, the driver starts with only a graph client without
// either (see JackGraph), which lists and connects. At the first opening it
// makes one client of its own on libjack, "<clientName>" (JACK adds "-01"
// when the name is taken; see JackMidiClient), which carries the input port
// and every open output's port, so one thread of the panel wakes per cycle
// whatever is open. The input port is made at the first opening and kept:
// closing disconnects the source. Each open output gets a port of its own on
// that client, removed when it closes. The driver's own ports are not listed.
//
// A port's id is the system's full name of it: "client:port 20:0" on ALSA
// (the numbers, its address, change when a device is plugged in again),
// "client:port", "#" and its client's and its own id on JACK (the name stays
// when its program restarts; the ids do not both stay, see JackGraph).
//
// Port names. RtMidi reports system names that do not read well in a menu and
// would keep a unit's two directions from pairing by name; they are cleaned:
// - ALSA reports "client:port 20:0". The trailing numbers go; what remains is
//   the port name when it already starts with the client name (USB devices:
//   "TQR-30 Pro:TQR-30 Pro MIDI 1" -> "TQR-30 Pro MIDI 1"), else "client:port".
//   A USB unit's input and output are one sequencer port, so both directions
//   get the same name and pair.
// - JACK reports "client:port". A unit's two directions are two ports of one
//   client, or two clients of the same name, so the name is the client's
//   name as the client asked for it. The server renames a second client of
//   a taken name: jackd to "name-01", PipeWire to "name-" and its node id
//   ("TQR-30 Pro-135"). A "-digits" ending goes only where the server shows
//   it was added (see cleanJackNames); "TQR-30" keeps its digits. Only a
//   client with several ports in one direction keeps "client:port" for each.
//
// Numbering is that of the last outputCount()/inputCount(). Ports are opened
// by id, never by a number: the sequencer and JACK hand a freed slot to the
// next port that registers, so a number from one listing may name another
// port at the next. ALSA opens by number only, so the port's number is looked
// up by its address right before opening and checked again after. On JACK
// the port is connected by name through the graph client, and its client's
// id is checked before and after connecting: a port of the same name from a
// program that restarted is another port. A new output sends nothing before
// JACK routes its connection.
class JackGraph;
class JackMidiClient;

class RtMidiDriver : public MidiDriver
{
public:
    explicit RtMidiDriver(const QString &clientName = QStringLiteral("Quill Tool"));
    ~RtMidiDriver() override;

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    QString outputId(int index) override;
    QString inputId(int index) override;
    QString unavailableText() const override;
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;

    // Which system is in use, for the log and the About box ("ALSA", "JACK" ...).
    QString apiName() const;

    static constexpr int kRetryIntervalMs = 10000;

    // The readable names for the raw names of one direction, in order (see
    // above). Own ports are not filtered here. On JACK, `clients` are all
    // clients the server has and `aliases` each port's aliases, in the order
    // of the raw names: a client "name-<digits>" shows as "name" only when a
    // client "name" is there or an alias names the client so.
    static QStringList cleanAlsaNames(const QStringList &rawNames);
    static QStringList cleanJackNames(const QStringList &rawNames, const QStringList &clients,
                                      const QList<QStringList> &aliases = {});

private:
    class OutputPort;
    class InputPort;
    class JackOutputPort;
    class JackInputPort;

    // The ports of one direction as last listed that are not our own: the
    // clean name, the system's name and the id of each.
    struct Listing
    {
        QStringList names;
        QStringList raw;
        QStringList ids;
    };
    Listing list(bool outputs);
    std::unique_ptr<MidiInputPort> openJackInput(const QString &id, MidiInputSink *sink);
    std::unique_ptr<MidiOutputPort> openJackOutput(const QString &id);
    // A JACK port id taken apart.
    struct JackPortKey;
    // The port of this name is there, with this id, on the client of that id.
    bool isJackPortNow(const JackPortKey &key) const;
    // The running client of the driver's ports on JACK, made when missing.
    std::shared_ptr<JackMidiClient> jackClient();
    void openSystem();
    void retryIfUnavailable();

    QString m_clientName;
    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
    QString m_unavailable;
    bool m_toldUnavailable = false;
    QElapsedTimer m_lastAttempt;
    // On JACK: listings in one request, ids, and the input connected by name.
    std::shared_ptr<JackGraph> m_jack;
    // The input client's one port is taken (an InputPort is alive).
    std::shared_ptr<std::atomic<bool>> m_inputTaken = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    // On JACK, from the first opening on; open ports share it.
    std::shared_ptr<JackMidiClient> m_jackClient;
    Listing m_outputs;
    Listing m_inputs;
};
