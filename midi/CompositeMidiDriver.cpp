#include "midi/CompositeMidiDriver.h"

#include <utility>

CompositeMidiDriver::CompositeMidiDriver(std::vector<MidiDriver *> drivers)
    : m_drivers(std::move(drivers))
{
}

CompositeMidiDriver::Target CompositeMidiDriver::outputTarget(int index) const
{
    if (index < 0)
        return {};
    for (MidiDriver *driver : m_drivers) {
        const int count = driver->outputCount();
        if (index < count)
            return {driver, index};
        index -= count;
    }
    return {};
}

CompositeMidiDriver::Target CompositeMidiDriver::inputTarget(int index) const
{
    if (index < 0)
        return {};
    for (MidiDriver *driver : m_drivers) {
        const int count = driver->inputCount();
        if (index < count)
            return {driver, index};
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
