// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CommandContext;

// One subcommand of quill-ctl. `arguments` are those after the subcommand's
// name; the function returns an ExitCode. It reaches the unit, the output
// streams and the waiting through the context (see CommandContext).
using CommandFunction = int (*)(CommandContext &context, const QStringList &arguments);

struct Command
{
    const char *name;
    // One line for the command list of "quill-ctl --help".
    const char *summary;
    // The whole text of "quill-ctl NAME --help" after its "Usage:" line: the
    // arguments on the first line, then a blank line and the description and
    // options, each line ending in a newline.
    const char *usage;
    CommandFunction run;
};

// Every subcommand, in the order --help lists them.
const QList<Command> &commandTable();
// The command of that name, or null.
const Command *findCommand(const QString &name);
