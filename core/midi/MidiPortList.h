// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class MidiDriver;

// The port lists behind the "MIDI Devices" menu and the pairing of a unit's
// output with its input.
//
// A port list maps the port number written as decimal text to the port name.
// The map orders its keys as text, so port 10 comes between 1 and 2; the menu
// keeps that order. A port's label is its name, " [", its number and "]"
// ("TQR-30 [1]"); labels are what the menu shows and what the connection state
// refers to.
namespace MidiPortList {

using Ports = QMap<QString, QString>;

// The name under which a port is left out of the menu.
inline const QString kWavetableSynth = QStringLiteral("Microsoft GS Wavetable Synth");

Ports enumerateOutputs(MidiDriver &driver);
// Inputs whose names cannot be read are skipped.
Ports enumerateInputs(MidiDriver &driver);

QString label(const QString &name, int index);

// The label without its " [n]" suffix. A label that does not end in a
// bracketed integer (such as "Port [A]") is returned unchanged.
QString portBaseName(const QString &label);

// A list counts as changed when its size differs or it holds a number the
// previous list lacked. Names are not compared: replacing one unit by another
// under the same numbers leaves the menu as it is.
bool changed(const Ports &fresh, const Ports &previous);

// What one rebuild produces: number text -> label, label -> number (0 when the
// number text is not a number), the labels in list order without duplicates,
// and the labels that get a menu entry.
struct Table
{
    Ports ports;
    QMap<QString, int> index;
    QStringList labels;
    QStringList menuLabels;
};

// With excludeWavetable, ports named kWavetableSynth get no menu entry (they
// still appear in the index).
Table build(const Ports &list, bool excludeWavetable);

// The inputs whose base name equals the output's base name, or that name
// with every "MIDIOUT" (any case) turned into "MIDIIN", in label order.
QStringList matchingMidiIns(const QString &outLabel, const QMap<QString, int> &inPortIndex);
// The one input matchingMidiIns() finds; empty when none or several match.
QString findMatchingMidiIn(const QString &outLabel, const QMap<QString, int> &inPortIndex);

} // namespace MidiPortList
