// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class CommandContext;

// What units there are and how one stands: list, status.
namespace UnitCommands {
extern const char kListUsage[];
extern const char kStatusUsage[];

int list(CommandContext &context, const QStringList &arguments);
int status(CommandContext &context, const QStringList &arguments);
} // namespace UnitCommands
