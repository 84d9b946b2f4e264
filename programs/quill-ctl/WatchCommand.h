// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class CommandContext;

// The unit's time code as lines: watch.
namespace WatchCommand {
extern const char kUsage[];

int watch(CommandContext &context, const QStringList &arguments);
} // namespace WatchCommand
