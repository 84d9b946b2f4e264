// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Text that came from a unit, a port name, a file or a server, made safe to
// print on a terminal: control characters (which could move the cursor or
// retitle the window) become '?'. JSON output escapes them itself.
namespace OutputText {
QString plain(const QString &text);
} // namespace OutputText
