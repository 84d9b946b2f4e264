#include "midi/CompositeMidiDriver.h"

#include <QStringList>

#include <utility>

CompositeMidiDriver::CompositeMidiDriver(std::vector<MidiDriver *> drivers)
    : m_drivers(std::move(drivers))
{
}

CompositeMidiDriver::Target CompositeMidiDriver::target(int index, Count count) const
{
    if (index < 0)
        return {};
    for (size_t member = 0; member < m_drivers.size(); ++member) {
        const int inMember = (m_drivers[member]->*count)();
        if (index < inMember)
            return {m_drivers[member], index, int(member)};
        index -= inMember;
    }
    return {};
}

CompositeMidiDriver::Target CompositeMidiDriver::outputTarget(int index) const
{
    return target(index, &MidiDriver::outputCount);
}

CompositeMidiDriver::Target CompositeMidiDriver::inputTarget(int index) const
{
    return target(index, &MidiDriver::inputCount);
}

int CompositeMidiDriver::total(Count count) const
{
    int sum = 0;
    for (MidiDriver *driver : m_drivers)
        sum += (driver->*count)();
    return sum;
}

int CompositeMidiDriver::outputCount()
{
    return total(&MidiDriver::outputCount);
}

QString CompositeMidiDriver::outputName(int index)
{
    const Target target = outputTarget(index);
    return target.driver ? target.driver->outputName(target.index) : QString();
}

int CompositeMidiDriver::inputCount()
{
    return total(&MidiDriver::inputCount);
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
