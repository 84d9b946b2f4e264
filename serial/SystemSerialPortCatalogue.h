#pragma once

#include "serial/SerialPortCatalogue.h"

#include <QElapsedTimer>

#include <functional>

// The ports Qt finds on this system, then the emulated units' pseudo-terminals.
//
// Qt walks every tty device and its USB parents for each listing, which costs
// milliseconds; the panel lists every two seconds. The walk is repeated only
// while the device folder may have changed: when its stamp moved, or for
// kSettleMs after that, because udev fills in a new device's descriptions
// after its node appears. The stamp counts seconds, and every change within
// the second that was seen falls inside that window.
class SystemSerialPortCatalogue : public SerialPortCatalogue
{
public:
    static constexpr int kSettleMs = 10000;
    using Walk = std::function<QList<SerialPortEntry>()>;
    using Stamp = std::function<quint64()>;

    explicit SystemSerialPortCatalogue(const EmulatedPortRegistry *registry = nullptr);
    // For tests: the walk, the stamp and the window given.
    SystemSerialPortCatalogue(const EmulatedPortRegistry *registry, Walk walk, Stamp stamp, int settleMs);
    QList<SerialPortEntry> availablePorts() const override;

private:
    const EmulatedPortRegistry *m_registry;
    Walk m_walk;
    Stamp m_stamp;
    int m_settleMs;
    mutable QList<SerialPortEntry> m_walked;
    mutable quint64 m_lastStamp = 0;
    mutable QElapsedTimer m_sinceChange; // invalid before the first walk
};
