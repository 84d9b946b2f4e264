// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/UnitSettings.h"

#include <QString>

#include <array>
#include <optional>

// The checks a person's typed settings go through before anything is sent,
// shared by the settings windows and the command line so that both refuse the
// same values with the same words. Texts come in as typed (blanks around them
// allowed); a refusal returns nothing and puts the reason in *error.
namespace SettingsForms {

// ---- Manual addressing ----

enum class AddressField { Address, Subnet, Gateway };
// A field with no digits at all ("", "...") is blank: it is left out.
bool isBlankAddress(const QString &text);
// A valid dotted address as the unit reports it back: 010.0.0.1 is 10.0.0.1.
QString normalAddress(const QString &text);

struct AddressingProblem
{
    enum Kind {
        Invalid,    // four numbers, one above 255
        Incomplete, // fewer than four numbers
        Mask,       // ones of the mask not all first
        Mismatch,   // address and gateway outside the mask's subnet
    };
    Kind kind;
    AddressField field;
    QString title;
    QString text;
};
// Blank fields pass; the subnet test needs all three.
std::optional<AddressingProblem> checkManualAddressing(const QString &address, const QString &subnet,
                                                       const QString &gateway);

// ---- OSC ----

struct OscTargetText
{
    QString address; // "" when not filled in
    QString port;
};
// A target with neither address nor port is unset; one with only one of
// them, a port outside 1 to 65535 or an address that is no dotted address is
// refused, naming the device (1 to 4).
std::optional<UnitSettings::Osc> parseOsc(const QString &localPort, bool forward,
                                          const std::array<OscTargetText, UnitSettings::kOscTargets> &targets,
                                          QString *error);

// ---- UDP and TCP ports ----

// Both are required; each 1 to 65535.
std::optional<UnitSettings::Ports> parsePorts(const QString &udp, const QString &tcp, QString *error);

// ---- Time offset ----

// A whole number of frames, -15 to +15 ("+3" and "-3" both read).
std::optional<int> parseOffset(const QString &text, QString *error);

} // namespace SettingsForms
