// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiPortList.h"
#include "timecode/FrameRate.h"

#include <QObject>
#include <QString>

#include <memory>

class MidiDriver;
class QMidiIn;
class QMidiOut;

// The connection to one unit over MIDI, without any widget: the port tables
// behind the "MIDI Devices" menu, the output the user picked, the input paired
// with it by name, the unplug watch, and the return of a unit that was
// unplugged. The window builds its menu and labels from what this reports.
//
// Ports are followed by the driver's port id, not by their labels: a label
// carries the port's number, which changes when another port before it comes
// or goes. Such a change updates the connected label and keeps the connection.
//
// On every connect the input is the one paired with the new output, or none.
// When the connected output disappears, both ports are closed and, until the
// user picks an entry, a port that appears under the same name is connected
// again with the same sequence as a menu pick. Disconnecting from the menu
// ends that wait.
//
// The input is followed on its own: a unit's input may register after its
// output, or leave and come back while the output stays. Whenever a matching
// input appears while none is open, it is paired and opened.
class MidiConnection : public QObject
{
    Q_OBJECT
public:
    enum class Loss { ByUser, Unplugged };
    Q_ENUM(Loss)

    explicit MidiConnection(MidiDriver *driver, QObject *parent = nullptr);
    ~MidiConnection() override;

    QMidiOut *output() const { return m_output.get(); }
    QMidiIn *input() const { return m_input; }

    // As last used to build the menu.
    const MidiPortList::Table &outputs() const { return m_outputs.table; }
    const MidiPortList::Table &inputs() const { return m_inputs.table; }

    bool isConnected() const;
    QString connectedOutputLabel() const { return m_outLabel; }
    // The driver's id of the connected output; empty when none.
    QString connectedOutputId() const { return m_outId; }
    QString connectedInputLabel() const { return m_inLabel; }
    // The name of an unplugged unit waited for; empty when none.
    QString awaitedName() const { return m_awaitName; }
    // "Device:" or "Device: " and the label, noting a connection made again
    // after an unplug once both directions are back, or the unit's input
    // while it is missing.
    QString deviceText() const;
    // Connected, and the input the unit should have is not open.
    bool inputMissing() const;
    // Empty while the MIDI system works; else which systems were tried.
    QString unavailableText() const;

    MidiPortList::Ports listOutputs();
    MidiPortList::Ports listInputs();
    void rebuildOutputs();
    void rebuildInputs();
    // The one-second refresh: rebuilds a table whose ports changed (count,
    // numbers or port ids; not names). Returns whether one was rebuilt.
    bool refreshLists();
    // The one-second unplug watch.
    void watch();
    // A menu pick: the connected entry disconnects, any other connects.
    void choose(const QString &label);

    // The input of the output's unit: the one input named like it, or among
    // several (units of one model), the one on the output's sound card.
    QString findMatchingInput(const QString &outLabel) const;

    // Stop, Locate to the start field's time twice, the identification
    // request. A start field that does not read as a time sends no Locate.
    void sendConnectSequence(const QString &startField, FrameRate rate);

signals:
    void outputsRebuilt();
    void connected(const QString &label, bool again);
    // The input was paired after the output had been connected.
    void inputPaired(const QString &inLabel);
    void connectFailed(const QString &label, bool again);
    void disconnected(const QString &label, MidiConnection::Loss loss);
    // Labels, the connection or the device text changed.
    void stateChanged();

private:
    struct Listed
    {
        MidiPortList::Ports ports; // number text -> name
        QMap<QString, QString> ids; // number text -> port id
    };
    struct Side
    {
        MidiPortList::Table table;
        QMap<QString, QString> idByLabel;
        QMap<QString, QString> nameByLabel;
        QStringList ids;
    };
    static bool idsDiffer(const Listed &listed, const Side &side);
    Listed listOutputsWithIds();
    Listed listInputsWithIds();
    void rebuild(Side &side, const Listed &listed, bool outputs);
    // The label the port with this id has in `listed`; empty when it is gone.
    static QString labelOf(const Listed &listed, const QString &id);
    void connectTo(const QString &label, bool again);
    void pairInput(const QString &outLabel);
    void closeBoth();
    void reconnectIfBack(const Listed &outputs);
    void followInput(const Listed &inputs);

    MidiDriver *m_driver;
    std::unique_ptr<QMidiOut> m_output;
    QMidiIn *m_input = nullptr;
    Side m_outputs;
    Side m_inputs;
    QString m_outLabel, m_outId, m_outName;
    QString m_inLabel, m_inId;
    QString m_awaitName;
    bool m_again = false;
    // The connected output belongs to a unit, or had an input paired before.
    bool m_inputExpected = false;
    bool m_toldAmbiguous = false;
};
