// SPDX-License-Identifier: GPL-3.0-or-later
#include "Terminal.h"

#include <io.h>
#include <stdio.h>

bool Terminal::standardOutputIsTerminal()
{
    return _isatty(_fileno(stdout)) != 0;
}
