// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UnitSettingsWindow.h"

#include "dialogs/MessageBoxes.h"

UnitSettingsWindow::UnitSettingsWindow(MessageBoxes *boxes, QWidget *parent)
    : QWidget(parent)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
}

void UnitSettingsWindow::warn(const QString &text)
{
    m_boxes->notify(this, QMessageBox::Warning, tr("Warning"), text);
}
