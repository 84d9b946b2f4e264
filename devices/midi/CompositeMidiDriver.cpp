// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/CompositeMidiDriver.h"

#include <QStringList>

#include <utility>

CompositeMidiDriver::CompositeMidiDriver(std::vector<MidiDriver *> drivers)
    : m_drivers(std::move(drivers))
    , m_outputCounts(m_drivers.size(), 0)
    , m_inputCounts(m_drivers.size(), 0)
{
}

CompositeMidiDriver::Target CompositeMidiDriver::locate(const std::vector<MidiDriver *> &drivers,
                                                        const std::vector<int> &counts, int index)
{
    if (index < 0)
        return {};
    for (size_t member = 0; member < drivers.size(); ++member) {
        if (index < counts[member])
            return {drivers[member], index, int(member)};
        index -= counts[member];
    }
    return {};
}

int CompositeMidiDriver::listAll(const std::vector<MidiDriver *> &drivers, std::vector<int> &counts, Count count)
{
    int sum = 0;
    for (size_t member = 0; member < drivers.size(); ++member) {
        counts[member] = (drivers[member]->*count)();
        sum += counts[member];
    }
    return sum;
}

MidiDriver *CompositeMidiDriver::memberOf(const QString &id, QString *memberId) const
{
    const int slash = id.indexOf(QLatin1Char('/'));
    bool ok = false;
    const int member = slash > 0 ? id.left(slash).toInt(&ok) : -1;
    if (!ok || member < 0 || size_t(member) >= m_drivers.size())
        return nullptr;
    *memberId = id.mid(slash + 1);
    return m_drivers[size_t(member)];
}

int CompositeMidiDriver::outputCount()
{
    return listAll(m_drivers, m_outputCounts, &MidiDriver::outputCount);
}

QString CompositeMidiDriver::outputName(int index)
{
    const Target target = locate(m_drivers, m_outputCounts, index);
    return target.driver ? target.driver->outputName(target.index) : QString();
}

int CompositeMidiDriver::inputCount()
{
    return listAll(m_drivers, m_inputCounts, &MidiDriver::inputCount);
}

std::optional<QString> CompositeMidiDriver::inputName(int index)
{
    const Target target = locate(m_drivers, m_inputCounts, index);
    if (!target.driver)
        return std::nullopt;
    return target.driver->inputName(target.index);
}

QString CompositeMidiDriver::outputId(int index)
{
    const Target target = locate(m_drivers, m_outputCounts, index);
    if (!target.driver)
        return QString();
    return QString::number(target.member) + QLatin1Char('/') + target.driver->outputId(target.index);
}

QString CompositeMidiDriver::inputId(int index)
{
    const Target target = locate(m_drivers, m_inputCounts, index);
    if (!target.driver)
        return QString();
    return QString::number(target.member) + QLatin1Char('/') + target.driver->inputId(target.index);
}

QString CompositeMidiDriver::unavailableText() const
{
    QStringList texts;
    for (const MidiDriver *driver : m_drivers) {
        const QString text = driver->unavailableText();
        if (!text.isEmpty())
            texts << text;
    }
    return texts.join(QLatin1Char('\n'));
}

std::unique_ptr<MidiOutputPort> CompositeMidiDriver::openOutput(const QString &id)
{
    QString memberId;
    MidiDriver *driver = memberOf(id, &memberId);
    return driver ? driver->openOutput(memberId) : nullptr;
}

std::unique_ptr<MidiInputPort> CompositeMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    QString memberId;
    MidiDriver *driver = memberOf(id, &memberId);
    return driver ? driver->openInput(memberId, sink) : nullptr;
}

std::optional<int> CompositeMidiDriver::soundCardOf(const QString &portId)
{
    QString memberId;
    MidiDriver *driver = memberOf(portId, &memberId);
    return driver ? driver->soundCardOf(memberId) : std::nullopt;
}
