// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/PanelRelease.h"

QString installerSuffix()
{
    return QStringLiteral(".exe");
}
