// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelpMenu.h"

#include "dialogs/CustomDialog.h"
#include "dialogs/MessageBoxes.h"
#include "dialogs/UrlOpener.h"
#include "dialogs/UserManual.h"
#include "update/AppUpdateDialog.h"
#include "update/PanelRelease.h"
#include "update/StartupCheckSetting.h"

#include <QTimer>

HelpMenu::HelpMenu(QWidget *window, QAction *checkAtStart, const Platform &platform)
    : QObject(window)
    , m_window(window)
    , m_platform(platform)
    , m_about(new CustomDialog(window))
{
    StartupCheckSetting::bind(checkAtStart);
    if (StartupCheckSetting::enabled())
        QTimer::singleShot(500, this, [this] { checkForUpdate(false); });
}

void HelpMenu::showAbout()
{
    m_about->exec();
}

void HelpMenu::checkForUpdate(bool manual)
{
    auto *dialog = new AppUpdateDialog(currentPanelVersion(), m_window, m_platform.messageBoxes, m_platform.urlOpener);
    dialog->startCheck(manual ? AppUpdateDialog::Mode::Manual : AppUpdateDialog::Mode::Automatic);
}

void HelpMenu::openManual()
{
    UrlOpener *opener = m_platform.urlOpener ? m_platform.urlOpener : UrlOpener::desktop();
    const QString problem = UserManual::exportAndOpen(opener);
    if (!problem.isEmpty())
        MessageBoxes::orDesktop(m_platform.messageBoxes)
            ->show(m_window, QMessageBox::Warning, QStringLiteral("User Manual"), problem);
}
