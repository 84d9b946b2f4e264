// SPDX-License-Identifier: GPL-3.0-or-later
#include "Command.h"

#include "SettingsCommands.h"
#include "TransportCommands.h"
#include "UnitCommands.h"
#include "UpgradeCommand.h"
#include "WatchCommand.h"

const QList<Command> &commandTable()
{
    static const QList<Command> table = {
        {"list", "List the units present.", UnitCommands::kListUsage, &UnitCommands::list},
        {"status", "Model, firmware, source, rate, time code and stream health.", UnitCommands::kStatusUsage,
         &UnitCommands::status},
        {"locate", "Send the generator to a time.", TransportCommands::kLocateUsage, &TransportCommands::locate},
        {"play", "Start the generator.", TransportCommands::kPlayUsage, &TransportCommands::play},
        {"stop", "Stop the generator.", TransportCommands::kStopUsage, &TransportCommands::stop},
        {"run", "Play from Start until End (or loop), then stop.", TransportCommands::kRunUsage,
         &TransportCommands::run},
        {"source", "Choose the time-code source.", TransportCommands::kSourceUsage, &TransportCommands::source},
        {"rate", "Set the generator's frame rate.", TransportCommands::kRateUsage, &TransportCommands::rate},
        {"get", SettingsCommands::kGetSummary, SettingsCommands::kGetUsage, &SettingsCommands::get},
        {"set", SettingsCommands::kSetSummary, SettingsCommands::kSetUsage, &SettingsCommands::set},
        {"backup", SettingsCommands::kBackupSummary, SettingsCommands::kBackupUsage, &SettingsCommands::backup},
        {"restore", SettingsCommands::kRestoreSummary, SettingsCommands::kRestoreUsage, &SettingsCommands::restore},
        {"watch", "Print the time code as it comes.", WatchCommand::kUsage, &WatchCommand::watch},
        {"upgrade", "Write new firmware to the unit.", UpgradeCommand::kUsage, &UpgradeCommand::upgrade},
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
