// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/PanelRelease.h"

// Installers for this system are self-contained executables started directly.
QString installerSuffix()
{
    return QStringLiteral(".run");
}
