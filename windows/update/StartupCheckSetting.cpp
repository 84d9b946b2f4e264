// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/StartupCheckSetting.h"

#include <QAction>
#include <QDebug>
#include <QSettings>

namespace StartupCheckSetting {

const char kOrganisation[] = "quill-tool";
const char kApplication[] = "quill-tool";
const char kKey[] = "updates/checkAtStart";

namespace {

QSettings settings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganisation),
                     QString::fromLatin1(kApplication));
}

} // namespace

bool enabled()
{
    return settings().value(QString::fromLatin1(kKey), true).toBool();
}

void setEnabled(bool on)
{
    QSettings store = settings();
    store.setValue(QString::fromLatin1(kKey), on);
    store.sync();
    if (store.status() != QSettings::NoError)
        qWarning().noquote() << "Cannot save the setting in" << store.fileName();
}

void bind(QAction *action)
{
    action->setCheckable(true);
    action->setChecked(enabled());
    QObject::connect(action, &QAction::toggled, action, &setEnabled);
}

} // namespace StartupCheckSetting
