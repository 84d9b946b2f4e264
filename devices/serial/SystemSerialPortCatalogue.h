// SPDX-License-Identifier: GPL-3.0-or-later
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
// the second that was seen falls inside that window. The first listing starts
// that window only when the folder changed within it by the system clock, so
// a panel started long after the last device came does not walk for it.
class SystemSerialPortCatalogue : public SerialPortCatalogue
{
public:
    static constexpr int kSettleMs = 10000;
    using Walk = std::function<QList<SerialPortEntry>()>;
    using Stamp = std::function<quint64()>;
    using Clock = std::function<qint64()>; // seconds, as the stamp counts them

    explicit SystemSerialPortCatalogue(const EmulatedPortRegistry *registry = nullptr);
    // For tests: the walk, the stamp, the window and the clock given.
    SystemSerialPortCatalogue(const EmulatedPortRegistry *registry, Walk walk, Stamp stamp, int settleMs,
                              Clock now);
    QList<SerialPortEntry> availablePorts() const override;

private:
    const EmulatedPortRegistry *m_registry;
    Walk m_walk;
    Stamp m_stamp;
    int m_settleMs;
    Clock m_now;
    mutable QList<SerialPortEntry> m_walked;
    mutable quint64 m_lastStamp = 0;
    mutable QElapsedTimer m_sinceChange; // invalid before the first walk
    mutable bool m_settling = false;
};
