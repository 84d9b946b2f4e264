// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/MidiConnection.h"

#include "midi/MidiDriver.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"
#include "protocol/MachineControl.h"

#include <QDebug>

MidiConnection::MidiConnection(MidiDriver *driver, QObject *parent)
    : QObject(parent)
    , m_driver(driver)
    , m_output(std::make_unique<QMidiOut>(driver))
    , m_input(new QMidiIn(driver, this))
{
}

MidiConnection::~MidiConnection() = default;

bool MidiConnection::isConnected() const
{
    return m_output->isOpen();
}

QString MidiConnection::deviceText() const
{
    if (!isConnected())
        return QStringLiteral("Device:");
    if (inputMissing())
        return QStringLiteral("Device: ") + m_outLabel + QStringLiteral(" (no MIDI input yet)");
    return QStringLiteral("Device: ") + m_outLabel + (m_again ? QStringLiteral(" (reconnected)") : QString());
}

bool MidiConnection::inputMissing() const
{
    return isConnected() && m_inputExpected && !m_input->isOpen();
}

QString MidiConnection::unavailableText() const
{
    return m_driver->unavailableText();
}

MidiConnection::Listed MidiConnection::listOutputsWithIds()
{
    Listed listed;
    const int count = m_driver->outputCount();
    for (int i = 0; i < count; ++i) {
        const QString number = QString::number(i);
        listed.ports.insert(number, m_driver->outputName(i));
        listed.ids.insert(number, m_driver->outputId(i));
    }
    return listed;
}

MidiConnection::Listed MidiConnection::listInputsWithIds()
{
    Listed listed;
    const int count = m_driver->inputCount();
    for (int i = 0; i < count; ++i) {
        if (const auto name = m_driver->inputName(i)) {
            const QString number = QString::number(i);
            listed.ports.insert(number, *name);
            listed.ids.insert(number, m_driver->inputId(i));
        }
    }
    return listed;
}

MidiPortList::Ports MidiConnection::listOutputs()
{
    return listOutputsWithIds().ports;
}

MidiPortList::Ports MidiConnection::listInputs()
{
    return listInputsWithIds().ports;
}

QString MidiConnection::labelOf(const Listed &listed, const QString &id)
{
    if (id.isEmpty())
        return QString();
    for (auto it = listed.ids.cbegin(); it != listed.ids.cend(); ++it) {
        if (it.value() == id)
            return MidiPortList::label(listed.ports.value(it.key()), it.key().toInt());
    }
    return QString();
}

bool MidiConnection::idsDiffer(const Listed &listed, const Side &side)
{
    QStringList fresh = listed.ids.values();
    QStringList known = side.ids;
    fresh.sort();
    known.sort();
    return fresh != known;
}

void MidiConnection::rebuild(Side &side, const Listed &listed, bool outputs)
{
    side.table = MidiPortList::build(listed.ports, outputs);
    side.idByLabel.clear();
    side.nameByLabel.clear();
    side.ids = listed.ids.values();
    for (auto it = listed.ports.cbegin(); it != listed.ports.cend(); ++it) {
        const QString portLabel = side.table.ports.value(it.key());
        if (!side.idByLabel.contains(portLabel)) {
            side.idByLabel.insert(portLabel, listed.ids.value(it.key()));
            side.nameByLabel.insert(portLabel, it.value());
        }
    }
    // A port renumbered by another coming or going is still the same port.
    QString &connectedLabel = outputs ? m_outLabel : m_inLabel;
    const QString &connectedId = outputs ? m_outId : m_inId;
    const QString now = labelOf(listed, connectedId);
    if (!now.isEmpty() && now != connectedLabel) {
        qDebug() << "MIDI port renumbered:" << connectedLabel << "is now" << now;
        connectedLabel = now;
        emit stateChanged();
    }
}

void MidiConnection::rebuildOutputs()
{
    rebuild(m_outputs, listOutputsWithIds(), true);
    emit outputsRebuilt();
}

void MidiConnection::rebuildInputs()
{
    rebuild(m_inputs, listInputsWithIds(), false);
}

bool MidiConnection::refreshLists()
{
    const Listed outs = listOutputsWithIds();
    const Listed ins = listInputsWithIds();
    // Ports are compared by count and number, and by port id: a port that
    // went and another that came under its number would otherwise keep an
    // entry that opens a different device than it names. A port renamed in
    // place keeps its entry.
    const bool outputsChanged = MidiPortList::changed(outs.ports, m_outputs.table.ports)
        || idsDiffer(outs, m_outputs);
    const bool inputsChanged = MidiPortList::changed(ins.ports, m_inputs.table.ports) || idsDiffer(ins, m_inputs);
    if (outputsChanged) {
        rebuild(m_outputs, outs, true);
        emit outputsRebuilt();
    }
    if (inputsChanged)
        rebuild(m_inputs, ins, false);
    reconnectIfBack(outs);
    followInput(ins);
    return outputsChanged || inputsChanged;
}

void MidiConnection::watch()
{
    if (!isConnected())
        m_input->closeDevice();
    const Listed outs = listOutputsWithIds();
    if (isConnected()) {
        const QString now = labelOf(outs, m_outId);
        if (!now.isEmpty()) {
            if (now != m_outLabel) {
                rebuild(m_outputs, outs, true);
                emit outputsRebuilt();
            }
            return;
        }
        // Unplugged: no box; the window clears what belonged to the unit.
        const QString lost = m_outLabel;
        qDebug() << "MIDI Out device disappeared:" << lost;
        m_awaitName = m_outName;
        m_toldAmbiguous = false;
        closeBoth();
        emit stateChanged();
        emit disconnected(lost, Loss::Unplugged);
    }
    reconnectIfBack(outs);
}

void MidiConnection::reconnectIfBack(const Listed &outputs)
{
    if (m_awaitName.isEmpty() || isConnected())
        return;
    QStringList numbers;
    for (auto it = outputs.ports.cbegin(); it != outputs.ports.cend(); ++it) {
        if (it.value() == m_awaitName)
            numbers << it.key();
    }
    if (numbers.size() > 1) {
        if (!m_toldAmbiguous)
            qDebug() << "Several MIDI outputs named" << m_awaitName << "came back; none is reconnected";
        m_toldAmbiguous = true;
        return;
    }
    if (numbers.isEmpty())
        return;
    // The tables may still show the unit under its old number.
    rebuild(m_outputs, outputs, true);
    emit outputsRebuilt();
    const QString label = MidiPortList::label(m_awaitName, numbers.first().toInt());
    qDebug() << "MIDI Out device is back, reconnecting:" << label;
    connectTo(label, true);
}

void MidiConnection::followInput(const Listed &inputs)
{
    if (!isConnected())
        return;
    if (!m_inId.isEmpty()) {
        if (!labelOf(inputs, m_inId).isEmpty())
            return;
        qDebug() << "MIDI In device disappeared:" << m_inLabel << "while the output stays";
        m_input->closeDevice();
        m_inLabel.clear();
        m_inId.clear();
        m_inputExpected = true;
        emit stateChanged();
    }
    if (!m_inputExpected)
        return;
    // Pairing by name needs the table as it is now.
    if (idsDiffer(inputs, m_inputs) || MidiPortList::changed(inputs.ports, m_inputs.table.ports))
        rebuild(m_inputs, inputs, false);
    const QString inLabel = findMatchingInput(m_outLabel);
    if (inLabel.isEmpty() || !m_inputs.table.index.contains(inLabel))
        return;
    if (!m_input->openDevice(m_inputs.idByLabel.value(inLabel))) {
        qDebug() << "Failed to connect the MIDI In device that appeared:" << inLabel;
        return;
    }
    m_inLabel = inLabel;
    m_inId = m_inputs.idByLabel.value(inLabel);
    qDebug() << "Connected the MIDI In device that appeared:" << inLabel << "for" << m_outLabel;
    emit inputPaired(inLabel);
    emit stateChanged();
}

void MidiConnection::choose(const QString &label)
{
    if (isConnected() && label == m_outLabel) {
        closeBoth();
        m_awaitName.clear();
        qDebug() << "Disconnected MIDI Out device:" << label;
        emit stateChanged();
        emit disconnected(label, Loss::ByUser);
        return;
    }
    if (!m_outputs.table.index.contains(label)) {
        qDebug() << "MIDI Out device not found:" << label;
        return;
    }
    // The user chose: whatever was lost before is no longer waited for.
    m_awaitName.clear();
    connectTo(label, false);
}

void MidiConnection::connectTo(const QString &label, bool again)
{
    const QString id = m_outputs.idByLabel.value(label);
    const QString name = m_outputs.nameByLabel.value(label);
    // The menu may be up to a second old: open the port by its id as it is
    // numbered now, not by the number it had then.
    const Listed outs = listOutputsWithIds();
    QString number;
    for (auto it = outs.ids.cbegin(); it != outs.ids.cend() && number.isEmpty(); ++it) {
        if (it.value() == id)
            number = it.key();
    }
    const bool wasOpen = isConnected();
    closeBoth();
    if (wasOpen)
        emit stateChanged();
    if (number.isEmpty() || !m_output->openDevice(id)) {
        qDebug() << "Failed to connect MIDI Out device:" << label;
        // When reconnecting, the unit is still waited for: the next tick tries again.
        emit stateChanged();
        emit connectFailed(label, again);
        return;
    }
    m_outLabel = MidiPortList::label(name, number.toInt());
    m_outId = id;
    m_outName = name;
    m_again = again;
    m_inputExpected = again || name.contains(QLatin1String("TQR"));
    m_awaitName.clear();
    // The input is paired before anything is sent: a unit answers within
    // milliseconds, and a reply that arrives before its input is open is lost.
    pairInput(m_outLabel);
    qDebug() << "Successfully connected MIDI Out device:" << m_outLabel;
    emit connected(m_outLabel, again);
    emit stateChanged();
}

void MidiConnection::pairInput(const QString &outLabel)
{
    // Pairing looks at the inputs as they are now.
    rebuildInputs();
    const QString inLabel = findMatchingInput(outLabel);
    if (inLabel.isEmpty() || !m_inputs.table.index.contains(inLabel)) {
        qDebug() << "Corresponding MIDI In device not found for:" << outLabel;
        return;
    }
    if (m_input->openDevice(m_inputs.idByLabel.value(inLabel))) {
        m_inLabel = inLabel;
        m_inId = m_inputs.idByLabel.value(inLabel);
        qDebug() << "Automatically connected corresponding MIDI In device:" << inLabel;
    } else {
        qDebug() << "Failed to automatically connect corresponding MIDI In device:" << inLabel;
    }
}

void MidiConnection::closeBoth()
{
    m_output->closeDevice();
    m_input->closeDevice();
    m_outLabel.clear();
    m_outId.clear();
    m_outName.clear();
    m_inLabel.clear();
    m_inId.clear();
    m_again = false;
    m_inputExpected = false;
}

QString MidiConnection::findMatchingInput(const QString &outLabel) const
{
    const QStringList matches = MidiPortList::matchingMidiIns(outLabel, m_inputs.table.index);
    if (matches.size() == 1)
        return matches.first();
    if (matches.isEmpty())
        return QString();
    // Several units of one model carry the same names; each unit's output and
    // input are on one sound card, where the system tells which.
    const std::optional<int> card = m_driver->soundCardOf(m_outputs.idByLabel.value(outLabel));
    QStringList onCard;
    if (card) {
        for (const QString &inLabel : matches) {
            if (m_driver->soundCardOf(m_inputs.idByLabel.value(inLabel)) == card)
                onCard.append(inLabel);
        }
    }
    if (onCard.size() == 1)
        return onCard.first();
    qDebug() << "Multiple matching MIDI In devices found for:" << outLabel << matches;
    return QString();
}

void MidiConnection::sendConnectSequence(const QString &startField, FrameRate rate)
{
    m_output->sendLongMessage(MachineControl::stop());
    const QList<int> start = MachineControl::readTimeField(startField);
    const std::optional<QByteArray> locate =
        start.size() == 4 ? MachineControl::locate(start[0], start[1], start[2], start[3], rate) : std::nullopt;
    if (locate) {
        m_output->sendLongMessage(*locate);
        m_output->sendLongMessage(*locate);
    } else {
        // A blank part would put a status byte inside the SysEx.
        qDebug() << "Start time not located, the field reads" << startField;
    }
    m_output->sendLongMessage(Identification::identificationRequest());
}
