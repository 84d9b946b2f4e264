// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class CommandContext;

// The unit's settings from the command line: get, set, backup, restore. The
// command table lists them with the summaries and usage texts below (see
// Command for their form).
namespace SettingsCommands {
extern const char kGetSummary[];
extern const char kGetUsage[];
extern const char kSetSummary[];
extern const char kSetUsage[];
extern const char kBackupSummary[];
extern const char kBackupUsage[];
extern const char kRestoreSummary[];
extern const char kRestoreUsage[];

int get(CommandContext &context, const QStringList &arguments);
int set(CommandContext &context, const QStringList &arguments);
int backup(CommandContext &context, const QStringList &arguments);
int restore(CommandContext &context, const QStringList &arguments);
} // namespace SettingsCommands
