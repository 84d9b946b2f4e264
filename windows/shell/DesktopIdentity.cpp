// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/DesktopIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>

namespace DesktopIdentity {

const char kAppId[] = "org.quill_tool.QuillTool";

namespace {

// Without a desktop icon theme (a bare window manager, no theme name at all) Qt looks in
// no theme, although the icon sits in hicolor, the fallback every theme inherits.
QIcon fromHicolor(const QString &id)
{
    QIcon icon;
    for (const QString &base : QIcon::themeSearchPaths()) {
        const QDir hicolor(base + QStringLiteral("/hicolor"));
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString file = hicolor.filePath(QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(id));
            if (QFileInfo(file).isFile())
                icon.addFile(file, QSize(size, size));
        }
        if (!icon.isNull())
            break;
    }
    return icon;
}

} // namespace

void apply()
{
    const QString id = QString::fromLatin1(kAppId);
    QGuiApplication::setDesktopFileName(id);
    // Run from the source tree there is no installed icon; the windows keep the default.
    const QIcon icon = QIcon::hasThemeIcon(id) ? QIcon::fromTheme(id) : fromHicolor(id);
    if (!icon.isNull())
        QGuiApplication::setWindowIcon(icon);
}

} // namespace DesktopIdentity
