#include "app/DesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

namespace DesktopIdentity {

const char kAppId[] = "org.quill_tool.QuillTool";

void apply()
{
    const QString id = QString::fromLatin1(kAppId);
    QGuiApplication::setDesktopFileName(id);
    // Run from the source tree there is no installed icon; the windows keep the default.
    if (QIcon::hasThemeIcon(id))
        QGuiApplication::setWindowIcon(QIcon::fromTheme(id));
}

} // namespace DesktopIdentity
