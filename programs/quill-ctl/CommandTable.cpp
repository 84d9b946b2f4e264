// SPDX-License-Identifier: GPL-3.0-or-later
#include "Command.h"

#include "SettingsCommands.h"
#include "UnitCommands.h"

const QList<Command> &commandTable()
{
    static const QList<Command> table = {
        {"list", "List the units present.", UnitCommands::kListUsage, &UnitCommands::list},
        {"status", "Model, firmware, source, rate, time code and stream health.", UnitCommands::kStatusUsage,
         &UnitCommands::status},
        {"get", SettingsCommands::kGetSummary, SettingsCommands::kGetUsage, &SettingsCommands::get},
        {"set", SettingsCommands::kSetSummary, SettingsCommands::kSetUsage, &SettingsCommands::set},
        {"backup", SettingsCommands::kBackupSummary, SettingsCommands::kBackupUsage, &SettingsCommands::backup},
        {"restore", SettingsCommands::kRestoreSummary, SettingsCommands::kRestoreUsage, &SettingsCommands::restore},
    };
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : commandTable()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}
