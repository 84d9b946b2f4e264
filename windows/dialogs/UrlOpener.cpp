// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/UrlOpener.h"

#include <QDesktopServices>

bool DesktopUrlOpener::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

UrlOpener *UrlOpener::desktop()
{
    static DesktopUrlOpener opener;
    return &opener;
}
