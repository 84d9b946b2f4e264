// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/UnitSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// One message of a settings write and what tells that the unit took it.
//
// The unit answers most settings with the acknowledgement F0 7F 7F 12 code F7
// (code 0 refused, 1 to 9 taken). Three do not: the IP address and subnet
// mask of manual addressing, which the unit takes in silence and acknowledges
// once with the gateway, so they are followed by a short gap instead; and the
// time offset, which the unit answers by reporting the offset now in force.
struct SettingStep
{
    enum class Await {
        Ack,    // the acknowledgement
        Gap,    // gapMs of quiet
        Report, // a message `report` recognises
    };
    QByteArray message;
    // OSC steps: the message's target (6 local port, 5 forward, 1 to 4 the
    // devices); the others number on from 16.
    quint8 id = 0;
    QString name;
    Await await = Await::Ack;
    int gapMs = 0;
    // Nothing for a message that is not the answer; true when the answer
    // says the unit took the setting, false when it reports another value.
    std::function<std::optional<bool>(const QByteArray &)> report;
};

namespace SettingSteps {

// The quiet the unit needs between the messages of manual addressing.
constexpr int kIpGapMs = 50;

// DHCP: the mode message. Manual: address, subnet mask, gateway.
QList<SettingStep> forAddressing(const UnitSettings::Addressing &addressing);
// Local port, forward, then each set target in device order; the names are
// "Local Port", "Forward" and "Device1" to "Device4".
QList<SettingStep> forOsc(const UnitSettings::Osc &osc);
// UDP port, then TCP port.
QList<SettingStep> forPorts(const UnitSettings::Ports &ports);
QList<SettingStep> forOffset(int frames);
// Every group present, in the order above.
QList<SettingStep> forAll(const UnitSettings &settings);

} // namespace SettingSteps
