// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/Upgrade_message_Dialog.h"

#include "dialogs/MessageBoxes.h"
#include "dialogs/PlainTextView.h"

#include <algorithm>

Upgrade_message_Dialog::Upgrade_message_Dialog(MessageBoxes *boxes, QWidget *parent)
    : QDialog(parent)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
    ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui.stageLabel->hide();
    PlainTextView::makeInert(ui.textBrowser);
}

QString Upgrade_message_Dialog::stageText(FirmwareTransfer::State state)
{
    switch (state) {
    case FirmwareTransfer::State::Preparing:
        return tr("Preparing for the upgrade...");
    case FirmwareTransfer::State::FindingUpgradePort:
        return tr("Waiting for the device to come back in upgrade mode...");
    case FirmwareTransfer::State::Erasing:
        return tr("Erasing the device's firmware...");
    case FirmwareTransfer::State::Sending:
        return tr("Writing the firmware image...");
    default:
        return QString();
    }
}

void Upgrade_message_Dialog::rec_brio_version(const QString &Brio, const QString &version)
{
    PlainTextView::appendPlain(ui.textBrowser, QStringLiteral("Product Model:") + Brio + QStringLiteral("\n")
                                                   + QStringLiteral("Version:") + version);
}

void Upgrade_message_Dialog::showTransferState(FirmwareTransfer::State state)
{
    const QString text = stageText(state);
    if (text.isEmpty())
        return;
    if (state == FirmwareTransfer::State::Preparing)
        m_ended = false;
    ui.stageLabel->setText(text);
    ui.stageLabel->show();
    if (state == FirmwareTransfer::State::Sending) {
        showDeterminate();
        ui.progressBar->setValue(0);
    } else {
        ui.progressBar->setRange(0, 0); // busy: no measure of how long it takes
    }
    if (!isVisible()) {
        setWindowModality(Qt::WindowModal);
        setModal(true);
        show();
    }
}

void Upgrade_message_Dialog::showDeterminate()
{
    if (ui.progressBar->maximum() != 100)
        ui.progressBar->setRange(0, 100);
}

void Upgrade_message_Dialog::rec_possvalue(int value)
{
    showDeterminate();
    // 100 arrives before the last chunks are written: the bar waits at 99
    // for done().
    ui.progressBar->setValue(std::clamp(value, 0, 99));
}

void Upgrade_message_Dialog::upgrade_done()
{
    if (m_ended)
        return;
    endUpgrade();
}

void Upgrade_message_Dialog::endUpgrade()
{
    m_ended = true;
    showDeterminate();
    ui.progressBar->setValue(100);
    m_boxes->show(this, QMessageBox::Information, QStringLiteral("Upgrade"),
                             QStringLiteral("Upgrade successful, please power on the device again."),
                             QMessageBox::Ok);
    ui.textBrowser->clear();
    ui.stageLabel->hide();
    ui.progressBar->setValue(0);
    hide();
}

void Upgrade_message_Dialog::upgrade_failed(const QString &message)
{
    m_ended = true;
    showDeterminate();
    m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Upgrade"), tr("The upgrade did not complete.\n\n%1").arg(message),
                         QMessageBox::Ok);
    ui.textBrowser->clear();
    ui.stageLabel->hide();
    ui.progressBar->setValue(0);
    hide();
}
