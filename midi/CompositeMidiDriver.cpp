#include "midi/CompositeMidiDriver.h"

#include <QStringList>

#include <utility>

CompositeMidiDriver::CompositeMidiDriver(std::vector<MidiDriver *> drivers)
    : m_drivers(std::move(drivers))
{
}

CompositeMidiDriver::Target CompositeMidiDriver::outputTarget(int index) const
{
    if (index < 0)
        return {};
    for (size_t member = 0; member < m_drivers.size(); ++member) {
        const int count = m_drivers[member]->outputCount();
        if (index < count)
            return {m_drivers[member], index, int(member)};
        index -= count;
    }
    return {};
}

CompositeMidiDriver::Target CompositeMidiDriver::inputTarget(int index) const
{
    if (index < 0)
        return {};
    for (size_t member = 0; member < m_drivers.size(); ++member) {
        const int count = m_drivers[member]->inputCount();
        if (index < count)
            return {m_drivers[member], index, int(member)};
        index -= count;
    }
    return {};
}

int CompositeMidiDriver::outputCount()
{
    int total = 0;
    for (MidiDriver *driver : m_drivers)
        total += driver->outputCount();
    return total;
}

QString CompositeMidiDriver::outputName(int index)
{
    const Target target = outputTarget(index);
    return target.driver ? target.driver->outputName(target.index) : QString();
}

int CompositeMidiDriver::inputCount()
{
    int total = 0;
    for (MidiDriver *driver : m_drivers)
        total += driver->inputCount();
    return total;
}

std::optional<QString> CompositeMidiDriver::inputName(int index)
{
    const Target target = inputTarget(index);
    if (!target.driver)
        return std::nullopt;
    return target.driver->inputName(target.index);
}

QString CompositeMidiDriver::outputId(int index)
{
    const Target target = outputTarget(index);
    if (!target.driver)
        return QString();
    return QString::number(target.member) + QLatin1Char('/') + target.driver->outputId(target.index);
}

QString CompositeMidiDriver::inputId(int index)
{
    const Target target = inputTarget(index);
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

std::unique_ptr<MidiOutputPort> CompositeMidiDriver::openOutput(int index)
{
    const Target target = outputTarget(index);
    return target.driver ? target.driver->openOutput(target.index) : nullptr;
}

std::unique_ptr<MidiInputPort> CompositeMidiDriver::openInput(int index, MidiInputSink *sink)
{
    const Target target = inputTarget(index);
    return target.driver ? target.driver->openInput(target.index, sink) : nullptr;
}
