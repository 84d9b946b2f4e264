// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/UnitSerialSession.h"

#include "dialogs/MessageBoxes.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "upgrade/Upgrade_message_Dialog.h"
#include "unit/UnitSession.h"
#include "upgrade/upgrade_Dialog.h"
#include "update/FirmwareUpdateCheck.h"
#include "update/FirmwareUpdatePrompts.h"

#include <QDebug>

UnitSerialSession::UnitSerialSession(UnitSession *session, const Platform &platform, QWidget *window)
    : QObject(window)
    , m_session(session)
    , m_platform(platform)
    , m_window(window)
    , m_boxes(MessageBoxes::orDesktop(platform.messageBoxes))
{
    FirmwareTransfer *transfer = m_session->transfer();
    connect(transfer, &FirmwareTransfer::chunkWritten, this, [this](qint64 sent, qint64 size) {
        emit send_possvalue(FirmwareTransfer::mainWindowProgress(sent, size));
    });
    connect(transfer, &FirmwareTransfer::finished, this, &UnitSerialSession::done);
    connect(transfer, &FirmwareTransfer::failed, this, &UnitSerialSession::onUpgradeFailed);
    connect(m_session, &UnitSession::serialOpenFailed, this, [this](const QString &message) {
        m_boxes->show(nullptr, QMessageBox::Warning, tr("Serial Port Error"), message);
    });

    m_progress = new Upgrade_message_Dialog(m_boxes, window);
    connect(transfer, &FirmwareTransfer::stateChanged, m_progress, &Upgrade_message_Dialog::showTransferState);
    connect(this, &UnitSerialSession::send_brio_version, m_progress, &Upgrade_message_Dialog::rec_brio_version);
    connect(this, &UnitSerialSession::send_possvalue, m_progress, &Upgrade_message_Dialog::rec_possvalue);
    connect(this, &UnitSerialSession::done, m_progress, &Upgrade_message_Dialog::upgrade_done);

    m_updateCheck = (new FirmwareUpdatePrompts(FirmwareUpdatePrompts::Place::MainWindow, window,
                                               platform.messageBoxes))->check();
    connect(m_session, &UnitSession::unitIdentified, m_updateCheck, &FirmwareUpdateCheck::start);
    connect(m_updateCheck, &FirmwareUpdateCheck::versionAnnounced, this, &UnitSerialSession::send_brio_version);
    connect(m_updateCheck, &FirmwareUpdateCheck::offerAccepted, m_session, &UnitSession::forgetSerialIdentity);
    connect(m_updateCheck, &FirmwareUpdateCheck::updateOffered, this, [this](int modelNumber) {
        if (modelNumber == 3)
            m_session->transfer()->setModelFamily(2);
    });
    connect(m_updateCheck, &FirmwareUpdateCheck::imageReady, this, &UnitSerialSession::startFirmwareUpgrade);
}

SerialPort *UnitSerialSession::link() const
{
    return m_session->link();
}

FirmwareTransfer *UnitSerialSession::transfer() const
{
    return m_session->transfer();
}

void UnitSerialSession::startFirmwareUpgrade(const QByteArray &image)
{
    if (image.isEmpty()) {
        qWarning() << "Downloaded firmware image is empty";
        m_boxes->show(m_window, QMessageBox::Warning, QStringLiteral("Upgrade"),
                      tr("The downloaded firmware image is empty. Nothing was written to the device."));
        return;
    }
    m_session->startFirmwareUpgrade(image);
}

void UnitSerialSession::onUpgradeFailed(const QString &message)
{
    if (m_progress->isVisible())
        m_progress->upgrade_failed(message);
    else
        m_boxes->show(m_window, QMessageBox::Warning, QStringLiteral("Upgrade"), message);
}

void UnitSerialSession::openUpgradeDialog()
{
    if (m_session->transfer()->isBusy()) {
        m_boxes->show(m_window, QMessageBox::Information, QStringLiteral("Upgrade"),
                      tr("An upgrade is already running. Wait until it has finished."));
        return;
    }
    if (!m_upgradeDialog) {
        m_upgradeDialog = new upgrade_Dialog(m_platform.usbDescriptions, m_platform.serialPorts,
                                             m_platform.messageBoxes, m_window);
        // The dialog writes the image on a link of its own: the session lets
        // go of the upgrade-mode port it found before the dialog opens it.
        // Why the unit did not come back is told by onUpgradeFailed().
        connect(m_upgradeDialog, &upgrade_Dialog::upgradeModeRequested, m_session, &UnitSession::enterUpgradeMode);
        connect(m_session, &UnitSession::upgradeModeReady, m_upgradeDialog, [this](const QString &portName) {
            m_session->releaseUpgradePort();
            m_upgradeDialog->connectToUpgradePort(portName);
        });
        connect(m_session, &UnitSession::upgradeModeFailed, m_upgradeDialog, &upgrade_Dialog::upgradeModeFailed);
    }
    m_upgradeDialog->prepareAndShow(m_session->pairedSerialPort());
}
