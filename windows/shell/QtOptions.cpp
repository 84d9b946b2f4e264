// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/QtOptions.h"

#include <QSet>

namespace QtOptions {

namespace {

// QCoreApplication, QGuiApplication, QApplication and the xcb platform (Qt 5.15).
const QSet<QString> &withValue()
{
    static const QSet<QString> names{
        QStringLiteral("-platform"),   QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-geometry"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("-title"),
        QStringLiteral("-qwindowicon"), QStringLiteral("-icon"),
        QStringLiteral("-session"),    QStringLiteral("-style"),
        QStringLiteral("-stylesheet"), QStringLiteral("-display"),
        QStringLiteral("-name"),       QStringLiteral("-visual"),
        QStringLiteral("-qmljsdebugger")};
    return names;
}

const QSet<QString> &withoutValue()
{
    static const QSet<QString> names{
        QStringLiteral("-reverse"), QStringLiteral("-widgetcount"), QStringLiteral("-testability"),
        QStringLiteral("-nograb"),  QStringLiteral("-dograb"),      QStringLiteral("-sync")};
    return names;
}

bool takesItsValueInline(const QString &option)
{
    return option.startsWith(QLatin1String("-style=")) || option.startsWith(QLatin1String("-stylesheet="))
           || option.startsWith(QLatin1String("-qmljsdebugger="));
}

} // namespace

QStringList removedFrom(const QStringList &arguments)
{
    QStringList kept;
    for (int i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (i == 0 || !option.startsWith(QLatin1Char('-'))) {
            kept << option;
            continue;
        }
        if (option.startsWith(QLatin1String("--")))
            option.remove(0, 1);
        if (withValue().contains(option))
            ++i;
        else if (!withoutValue().contains(option) && !takesItsValueInline(option))
            kept << arguments.at(i);
    }
    return kept;
}

} // namespace QtOptions
