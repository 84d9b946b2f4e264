// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class CommandContext;

// The unit's firmware upgrade without a window: upgrade.
namespace UpgradeCommand {
extern const char kUsage[];

int upgrade(CommandContext &context, const QStringList &arguments);
} // namespace UpgradeCommand
