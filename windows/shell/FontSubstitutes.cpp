// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/FontSubstitutes.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutes()
{
    // Liberation Sans and Mono are metric-compatible with Arial and Consolas-like
    // monospace; Roboto Condensed has the narrow, upright digits of Bahnschrift.
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Consolas", {"Liberation Mono", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Bahnschrift Condensed", {"Roboto Condensed", "DejaVu Sans Condensed"});
    QFont::insertSubstitutions("Bahnschrift Light Condensed",
                               {"Roboto Condensed Light", "Roboto Condensed", "DejaVu Sans Condensed"});
    QFont::insertSubstitutions("Microsoft JhengHei Light", {"Roboto Light", "DejaVu Sans"});
    QFont::insertSubstitutions("Calibri Light", {"Roboto Light", "Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Calibri", {"Roboto", "Liberation Sans", "DejaVu Sans"});
}
