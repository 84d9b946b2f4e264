// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class CommandContext;

// The unit's generator and time-code source: locate, play, stop, run,
// source, rate.
namespace TransportCommands {
extern const char kLocateUsage[];
extern const char kPlayUsage[];
extern const char kStopUsage[];
extern const char kRunUsage[];
extern const char kSourceUsage[];
extern const char kRateUsage[];

int locate(CommandContext &context, const QStringList &arguments);
int play(CommandContext &context, const QStringList &arguments);
int stop(CommandContext &context, const QStringList &arguments);
int run(CommandContext &context, const QStringList &arguments);
int source(CommandContext &context, const QStringList &arguments);
int rate(CommandContext &context, const QStringList &arguments);
} // namespace TransportCommands
