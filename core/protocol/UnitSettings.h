// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

// The settings a unit reports back, as one value: what a backup holds, what a
// restore writes and what a read brings.
//
// Conventions
// - Each group is optional. An absent group is one the unit does not have
//   (addressing is the TQR-30 series', OSC and ports the TQR-30 Pro's), one a
//   read did not ask for, or, for the offset, one the unit has not reported
//   since it was connected: the unit has no request for it.
// - Addresses are dotted texts as the unit reports them ("10.0.0.5", no
//   leading zeros). Under DHCP the three addresses are the ones the unit last
//   reported and are never written.
// - An OSC target the unit did not report is unset; a write leaves an unset
//   target alone, since the unit has no message that clears one.
// - Ports are 1 to 65535, the offset -15 to +15 frames.
struct UnitSettings
{
    struct Addressing
    {
        bool dhcp = true;
        QString address;
        QString subnet;
        QString gateway;
        bool operator==(const Addressing &o) const
        {
            return dhcp == o.dhcp && address == o.address && subnet == o.subnet && gateway == o.gateway;
        }
    };
    struct OscTarget
    {
        QString address;
        quint16 port = 0;
        bool operator==(const OscTarget &o) const { return address == o.address && port == o.port; }
    };
    static constexpr int kOscTargets = 4;
    struct Osc
    {
        quint16 localPort = 0;
        bool forward = false;
        std::array<std::optional<OscTarget>, kOscTargets> targets;
        bool operator==(const Osc &o) const
        {
            return localPort == o.localPort && forward == o.forward && targets == o.targets;
        }
    };
    struct Ports
    {
        quint16 udp = 0;
        quint16 tcp = 0;
        bool operator==(const Ports &o) const { return udp == o.udp && tcp == o.tcp; }
    };

    std::optional<Addressing> addressing;
    std::optional<Osc> osc;
    std::optional<Ports> ports;
    std::optional<int> offsetFrames;

    bool isEmpty() const { return !addressing && !osc && !ports && !offsetFrames; }
    bool operator==(const UnitSettings &o) const
    {
        return addressing == o.addressing && osc == o.osc && ports == o.ports && offsetFrames == o.offsetFrames;
    }

    // One setting that differs, for a person to read.
    struct Change
    {
        QString setting; // "IP address", "OSC Device2", "UDP port" ...
        QString from;    // "(unknown)" when the unit did not report it
        QString to;
        // False for an OSC target that is set on the unit and unset in the
        // wanted settings: no message clears it.
        bool writable = true;
        QString text() const;
    };
    // What writing `wanted` would change on a unit that has `current`. Only
    // what a write sends counts: the addresses under DHCP do not.
    static QList<Change> changes(const UnitSettings &current, const UnitSettings &wanted);
    // wanted without the groups a write would not change: a write of the
    // rest leaves the unit's other settings alone (new addressing, for one,
    // may cut the unit off its network for a moment).
    static UnitSettings changedGroups(const UnitSettings &current, const UnitSettings &wanted);

    // The first value a unit would not take, in words; empty when all would
    // do. Manual addressing needs all three addresses, a mask whose ones come
    // first and a gateway in the address's subnet.
    QString problem() const;

    // A target's text, "10.0.0.9:9000", and its reverse (nothing when
    // malformed: address and port are checked as above).
    static QString targetText(const OscTarget &target);
    static std::optional<OscTarget> parseTarget(const QString &text);
};

Q_DECLARE_METATYPE(UnitSettings)
