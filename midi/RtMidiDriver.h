#pragma once

#include "midi/MidiDriver.h"

#include <rtmidi/RtMidi.h>

#include <QElapsedTimer>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>


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
// (the numbers change when a device is plugged in again), "client:port" and
// JACK's own port id on JACK (the name stays when its program restarts).
//
// Port names. RtMidi reports system names that do not read well in a menu and
// would keep a unit's two directions from pairing by name; they are cleaned:
// - ALSA reports "client:port 20:0". The trailing numbers go; what remains is
//   the port name when it already starts with the client name (USB devices:
//   "TQR-30 Pro:TQR-30 Pro MIDI 1" -> "TQR-30 Pro MIDI 1"), else "client:port".
//   A USB unit's input and output are one sequencer port, so both directions
//   get the same name and pair.
// - JACK reports "client:port". A unit's two directions are two ports of one
//   client, or two clients of the same name (JACK calls the second
//   "name-01"), so the name is the client name without such a suffix. Only a
//   client with several ports in one direction keeps "client:port" for each.
//
// Numbering is that of the last outputCount()/inputCount(). Opening an output
// looks the system up again and opens the port of that number now. Opening an
// input on JACK opens the port that had that number in the last listing. On
// JACK both are connected by name through the graph client: JACK's numbering
// moves whenever a port comes or goes, also between a listing and the
// connecting. A new output sends nothing before JACK routes its connection.
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
    std::unique_ptr<MidiOutputPort> openOutput(int index) override;
    std::unique_ptr<MidiInputPort> openInput(int index, MidiInputSink *sink) override;

    // Which system is in use, for the log and the About box ("ALSA", "JACK" ...).
    QString apiName() const;

    static constexpr int kRetryIntervalMs = 10000;

    // The readable names for the raw names of one direction, in order (see
    // above). Own ports are not filtered here.
    static QStringList cleanAlsaNames(const QStringList &rawNames);
    static QStringList cleanJackNames(const QStringList &rawNames);

private:
    class OutputPort;
    class InputPort;
    class JackOutputPort;
    class JackInputPort;

    // The ports of one direction as last listed: RtMidi's number and the clean
    // name of each port that is not our own.
    struct Listing
    {
        std::vector<unsigned> rtIndex;
        QStringList names;
        QStringList raw;
        QStringList ids;
    };
    Listing list(bool outputs);
    std::unique_ptr<MidiInputPort> openJackInput(int index, MidiInputSink *sink);
    std::unique_ptr<MidiOutputPort> openJackOutput(const QString &target);
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
