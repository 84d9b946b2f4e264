#include "update/PanelRelease.h"

QString installerSuffix()
{
    return QStringLiteral(".exe");
}
