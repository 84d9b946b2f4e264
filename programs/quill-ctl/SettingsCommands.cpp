// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsCommands.h"

#include "CommandContext.h"

namespace SettingsCommands {

const char kGetSummary[] = "Read the unit's network settings (not available yet).";
const char kGetUsage[] = "ip|osc|udp\n";
const char kSetSummary[] = "Change the unit's network settings (not available yet).";
const char kSetUsage[] = "ip ...|osc ...|udp ...|offset N\n";
const char kBackupSummary[] = "Save the unit's settings to a file (not available yet).";
const char kBackupUsage[] = "FILE\n";
const char kRestoreSummary[] = "Write settings from a file to the unit (not available yet).";
const char kRestoreUsage[] = "[--dry-run] FILE\n";

namespace {
int notAvailable(CommandContext &context)
{
    return context.usageError(QStringLiteral("not available yet."));
}
} // namespace

int get(CommandContext &context, const QStringList &)
{
    return notAvailable(context);
}

int set(CommandContext &context, const QStringList &)
{
    return notAvailable(context);
}

int backup(CommandContext &context, const QStringList &)
{
    return notAvailable(context);
}

int restore(CommandContext &context, const QStringList &)
{
    return notAvailable(context);
}

} // namespace SettingsCommands
