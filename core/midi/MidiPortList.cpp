// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/MidiPortList.h"

#include "midi/MidiDriver.h"

#include <QDebug>
#include <QRegularExpression>

namespace MidiPortList {

Ports enumerateOutputs(MidiDriver &driver)
{
    Ports ports;
    const int count = driver.outputCount();
    for (int i = 0; i < count; ++i)
        ports.insert(QString::number(i), driver.outputName(i));
    return ports;
}

Ports enumerateInputs(MidiDriver &driver)
{
    Ports ports;
    const int count = driver.inputCount();
    for (int i = 0; i < count; ++i) {
        if (const auto name = driver.inputName(i))
            ports.insert(QString::number(i), *name);
    }
    return ports;
}

QString label(const QString &name, int index)
{
    return name + QStringLiteral(" [") + QString::number(index) + QLatin1Char(']');
}

QString portBaseName(const QString &label)
{
    const int open = label.lastIndexOf(QStringLiteral(" ["));
    const int close = label.lastIndexOf(QLatin1Char(']'));
    if (open < 0 || close != label.size() - 1 || open >= close)
        return label;
    bool ok = false;
    label.mid(open + 2, close - open - 2).toInt(&ok);
    return ok ? label.left(open) : label;
}

bool changed(const Ports &fresh, const Ports &previous)
{
    if (fresh.size() != previous.size())
        return true;
    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        if (!previous.contains(it.key()))
            return true;
    }
    return false;
}

Table build(const Ports &list, bool excludeWavetable)
{
    Table table;
    for (auto it = list.cbegin(); it != list.cend(); ++it) {
        bool ok = false;
        const int number = it.key().toInt(&ok);
        const QString portLabel = label(it.value(), number);
        table.ports.insert(it.key(), portLabel);
        if (table.labels.contains(portLabel))
            continue;
        table.labels.append(portLabel);
        if (!(excludeWavetable && it.value() == kWavetableSynth))
            table.menuLabels.append(portLabel);
        table.index.insert(portLabel, ok ? number : 0);
    }
    return table;
}

QStringList matchingMidiIns(const QString &outLabel, const QMap<QString, int> &inPortIndex)
{
    const QString base = portBaseName(outLabel);
    QStringList candidates{base};
    QString asInput = base;
    asInput.replace(QRegularExpression(QStringLiteral("MIDIOUT"), QRegularExpression::CaseInsensitiveOption),
                    QStringLiteral("MIDIIN"));
    if (asInput != base)
        candidates.append(asInput);

    QStringList matches;
    for (auto it = inPortIndex.cbegin(); it != inPortIndex.cend(); ++it) {
        if (candidates.contains(portBaseName(it.key())))
            matches.append(it.key());
    }
    return matches;
}

QString findMatchingMidiIn(const QString &outLabel, const QMap<QString, int> &inPortIndex)
{
    const QStringList matches = matchingMidiIns(outLabel, inPortIndex);
    if (matches.size() == 1)
        return matches.first();
    if (matches.size() > 1)
        qDebug() << "Multiple matching MIDI In devices found for:" << outLabel << matches;
    return QString();
}

} // namespace MidiPortList
