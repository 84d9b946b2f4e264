// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether standard output is a terminal (a progress bar may redraw itself
// there) rather than a pipe or a file.
namespace Terminal {
bool standardOutputIsTerminal();
} // namespace Terminal
