// SPDX-License-Identifier: GPL-3.0-or-later
#include "Terminal.h"

#include <unistd.h>

bool Terminal::standardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}
