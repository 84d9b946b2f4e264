// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/upgrade_Dialog.h"

#include "dialogs/MessageBoxes.h"
#include "dialogs/PlainTextView.h"
#include "dialogs/SerialPortBoxes.h"
#include "serial/FirmwareImageFile.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortListModel.h"
#include "serial/SerialProtocol.h"
#include "serial/UnitUsbNames.h"
#include "update/FirmwareUpdateCheck.h"
#include "update/FirmwareUpdatePrompts.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>

namespace {

FirmwareTransfer::Timing dialogTiming()
{
    FirmwareTransfer::Timing timing;
    timing.slowPacingMs = upgrade_Dialog::kSlowPacingMs;
    return timing;
}

} // namespace

upgrade_Dialog::upgrade_Dialog(UsbDescriptionSource *usb, SerialPortCatalogue *ports,
                               MessageBoxes *boxes, QWidget *parent)
    : QDialog(parent)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
    ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_link = new SerialPort(QString::fromLatin1(UnitUsbNames::kBrandWord), usb, ports, this);
    ui.comboBox->setModel(m_link->portList());
    SerialPortBoxes::showFailuresOf(m_link, m_boxes);
    m_transfer = new FirmwareTransfer(m_link, dialogTiming(), this);

    connect(m_link, &SerialPort::send_vesion, this, &upgrade_Dialog::rec_version);
    connect(m_link, &SerialPort::send_Brio, this, &upgrade_Dialog::rec_brio);
    connect(m_link, &SerialPort::send_erase, this, &upgrade_Dialog::rec_erase_flag);
    connect(m_link, &SerialPort::portLost, this, &upgrade_Dialog::updateConnectionControls);
    connect(m_transfer, &FirmwareTransfer::chunkWritten, this, &upgrade_Dialog::onChunkWritten);
    connect(m_transfer, &FirmwareTransfer::finished, this, &upgrade_Dialog::onFinished);
    connect(m_transfer, &FirmwareTransfer::failed, this, &upgrade_Dialog::onFailed);
    connect(m_transfer, &FirmwareTransfer::stateChanged, this, &upgrade_Dialog::updateUpgradeButton);
    m_updateCheck = (new FirmwareUpdatePrompts(FirmwareUpdatePrompts::Place::UpgradeDialog, this, m_boxes))->check();
    connect(m_updateCheck, &FirmwareUpdateCheck::imageReady, this, &upgrade_Dialog::upgradeFromDownload);

    m_endTimer.setSingleShot(true);
    connect(&m_endTimer, &QTimer::timeout, this, &upgrade_Dialog::endSequence);

    PlainTextView::makeInert(ui.textBrowser);
    ui.pushButton_2->hide();
    ui.progressBar->setValue(0);
    updateUpgradeButton();
    setStyleSheet(QString::fromLatin1(kStyleSheet));
}

void upgrade_Dialog::refreshPortList()
{
    m_link->refreshPortList(true);
}

void upgrade_Dialog::prepareAndShow(const QString &pairedPort)
{
    refreshPortList();
    const int paired = pairedPort.isEmpty() ? -1 : ui.comboBox->findData(pairedPort, Qt::UserRole);
    if (paired >= 0 && !m_link->isOpen())
        ui.comboBox->setCurrentIndex(paired);
    show();
    ui.textBrowser->clear();
    if (m_waitingForUpgradeMode || !ui.comboBox->currentText().contains(SerialProtocol::normalModeTag()))
        return;
    const QString hint = QStringLiteral("Please refer to the product manual to put the device into upgrade mode.");
    if (ui.comboBox->currentIndex() != paired || paired < 0) {
        m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Warning"), hint, QMessageBox::Ok);
        hide();
        return;
    }
    // The connected unit can be sent there from here, as the automatic upgrade does.
    const QMessageBox::StandardButton answer = m_boxes->show(
        this, QMessageBox::Warning, QStringLiteral("Warning"),
        hint + tr("\n\nThe panel can do it for the connected unit: put it into upgrade mode now? "
                  "It restarts as its upgrade-mode device, and this window connects to it. "
                  "Nothing is erased until you open an image."),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok) {
        hide();
        return;
    }
    setWaitingForUpgradeMode(true);
    PlainTextView::appendPlain(ui.textBrowser, tr("Putting the unit into upgrade mode, then waiting for it to "
                                                  "come back..."));
    emit upgradeModeRequested();
}

void upgrade_Dialog::setWaitingForUpgradeMode(bool waiting)
{
    m_waitingForUpgradeMode = waiting;
    ui.comboBox->setEnabled(!waiting && !m_link->isOpen());
    ui.pushButton->setEnabled(!waiting);
    ui.pushButton_3->setEnabled(!waiting);
}

void upgrade_Dialog::connectToUpgradePort(const QString &portName)
{
    if (!m_waitingForUpgradeMode)
        return;
    refreshPortList();
    const int entry = ui.comboBox->findData(portName, Qt::UserRole);
    if (entry >= 0)
        ui.comboBox->setCurrentIndex(entry);
    setWaitingForUpgradeMode(false);
    m_checkedThisConnection = false;
    m_link->openPort(portName, SerialProtocol::kBaudRate);
    updateConnectionControls();
    if (m_link->isOpen())
        m_link->writeCommand(SerialProtocol::QueryModel);
}

void upgrade_Dialog::upgradeModeFailed()
{
    if (!m_waitingForUpgradeMode)
        return;
    setWaitingForUpgradeMode(false);
    ui.textBrowser->clear();
    hide();
}

void upgrade_Dialog::updateConnectionControls()
{
    const bool open = m_link->isOpen();
    ui.comboBox->setEnabled(!open);
    ui.pushButton->setText(open ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    ui.pushButton_2->setEnabled(open);
}

void upgrade_Dialog::on_pushButton_clicked()
{
    m_checkedThisConnection = false;
    if (m_link->isOpen()) {
        m_link->clear(QSerialPort::AllDirections);
        m_link->close();
    } else {
        const QString portName = ui.comboBox->currentData(Qt::UserRole).toString();
        m_link->openPort(portName, SerialProtocol::kBaudRate);
    }
    updateConnectionControls();
    if (m_link->isOpen())
        m_link->writeCommand(SerialProtocol::QueryModel);
}

void upgrade_Dialog::on_pushButton_2_clicked()
{
    close();
}

void upgrade_Dialog::rec_brio(const QString &Brio)
{
    ui.textBrowser->clear();
    PlainTextView::appendPlain(ui.textBrowser, QStringLiteral("Product Model:") + Brio + QStringLiteral("\r\n"));
    m_model = Brio;
}

void upgrade_Dialog::rec_version(const QString &version)
{
    PlainTextView::appendPlain(ui.textBrowser, QStringLiteral("Hardware Version:") + version);
    m_version = version;
    // A unit that repeats its version reply gets no second offer.
    if (m_checkedThisConnection)
        return;
    m_checkedThisConnection = true;
    m_updateCheck->start(m_model, m_version);
}

void upgrade_Dialog::on_pushButton_3_clicked()
{
    // "*" and not "*.*": firmware files on Linux need not have a dot.
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Firmware Image"), QString(),
                                                      tr("All files (*)"));
    if (path.isEmpty())
        return;
    openImageFile(path);
}

void upgrade_Dialog::openImageFile(const QString &path)
{
    if (m_transfer->isBusy()) {
        m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Warning"), tr("An upgrade is already running."),
                             QMessageBox::Ok);
        return;
    }
    // Whatever this file turns out to be, an erase written for the image
    // loaded before no longer opens the way to Upgrade.
    m_transfer->unloadImage();
    const QString fileName = QFileInfo(path).fileName();
    const FirmwareImageFile::Loaded loaded = FirmwareImageFile::load(path);
    switch (loaded.problem) {
    case FirmwareImageFile::Loaded::Problem::None:
        break;
    case FirmwareImageFile::Loaded::Problem::NotRegular:
        refuseFile(tr("%1 is not a regular file, so it cannot be a firmware image. "
                      "The device was not erased.").arg(path));
        return;
    case FirmwareImageFile::Loaded::Problem::TooLarge:
        refuseFile(tr("%1 is larger than any firmware image (at most %2 MiB). The device was not erased.")
                       .arg(path)
                       .arg(FirmwareImageFile::kMaxImageBytes / (1024 * 1024)));
        return;
    case FirmwareImageFile::Loaded::Problem::Unreadable:
        qWarning().noquote() << "Cannot open firmware file" << path << ":" << loaded.reason;
        refuseFile(tr("The file %1 could not be opened: %2").arg(path, loaded.reason));
        return;
    }
    ui.lineEdit->setText(path);

    const QString baseName = FirmwareImageFile::baseName(path);
    const FirmwareImageFile::Fit fit = FirmwareImageFile::fitFor(baseName, m_model, m_version);
    if (fit == FirmwareImageFile::Fit::SameVersion) {
        m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                             QStringLiteral("The version number is the same! No upgrade required"),
                             QMessageBox::Ok);
        return;
    }
    if (loaded.image.isEmpty()) {
        refuseFile(tr("The file %1 is empty. The device was not erased.").arg(path));
        return;
    }
    if (fit == FirmwareImageFile::Fit::OtherModel) {
        refuseFile(tr("%1 is firmware for the %2, but the connected device is a %3. The device was not erased.")
                       .arg(fileName, FirmwareImageFile::modelNamedBy(baseName), m_model));
        return;
    }
    if (fit == FirmwareImageFile::Fit::NamesNoModel) {
        const QString unit = m_model.isEmpty() ? tr("the connected device")
                                               : tr("the connected %1 (%2)").arg(m_model, m_version);
        const QMessageBox::StandardButton answer = m_boxes->show(
            this, QMessageBox::Question, tr("Erase Firmware"),
            tr("This erases the firmware of %1 and writes %2 to it.\n\n"
               "The file's name names no model, so it cannot be checked. Write it only if it is "
               "firmware for this device.")
                .arg(unit, fileName),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok)
            return;
    }
    m_transfer->loadImage(loaded.image);
    m_transfer->writeErase();
}

void upgrade_Dialog::refuseFile(const QString &text)
{
    m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
}

void upgrade_Dialog::upgradeFromDownload(const QByteArray &image)
{
    if (image.isEmpty()) {
        m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Upgrade"),
                             tr("The downloaded firmware image is empty. The device was not erased."),
                             QMessageBox::Ok);
        return;
    }
    if (!m_transfer->loadImage(image)) {
        m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Upgrade"), tr("An upgrade is already running."),
                             QMessageBox::Ok);
        return;
    }
    m_transfer->writeErase(FirmwareTransfer::AfterErase::StartSending);
}

bool upgrade_Dialog::erased() const
{
    return m_transfer->state() == FirmwareTransfer::State::Erased;
}

void upgrade_Dialog::rec_erase_flag(bool)
{
    // The transfer took the erase's end first; only the button follows here.
    updateUpgradeButton();
}

void upgrade_Dialog::updateUpgradeButton()
{
    ui.pushButton_4->setEnabled(!m_finishing && erased());
}

void upgrade_Dialog::on_pushButton_4_clicked()
{
    m_transfer->beginSending();
}

void upgrade_Dialog::sendNextChunk()
{
    m_transfer->sendNextChunk();
}

void upgrade_Dialog::onChunkWritten(qint64 sent, qint64 size)
{
    ui.progressBar->setValue(FirmwareTransfer::dialogProgress(sent, size));
}

void upgrade_Dialog::onFinished()
{
    if (m_finishing)
        return;
    m_finishing = true;
    ui.progressBar->setValue(99);
    ui.pushButton_2->setEnabled(false);
    updateUpgradeButton();
    m_endTimer.start(m_endDelayMs);
}

void upgrade_Dialog::endSequence()
{
    ui.progressBar->setValue(100);
    m_boxes->show(this, QMessageBox::Information, QStringLiteral("Upgrade"),
                             QStringLiteral("Upgrade successful, please power on the device again."),
                             QMessageBox::Ok);
    resetControls();
    m_link->close();
    m_checkedThisConnection = false;
    hide();
    ui.progressBar->setValue(0);
    m_finishing = false;
    ui.pushButton_2->setEnabled(true);
    updateUpgradeButton();
}

void upgrade_Dialog::onFailed(const QString &message)
{
    m_endTimer.stop();
    m_finishing = false;
    // A failed transfer lets go of the port.
    updateConnectionControls();
    updateUpgradeButton();
    ui.progressBar->setValue(0);
    m_boxes->show(this, QMessageBox::Warning, QStringLiteral("Upgrade"),
                         tr("The upgrade did not complete.\n\n%1").arg(message), QMessageBox::Ok);
}

void upgrade_Dialog::resetControls()
{
    ui.pushButton->setText(QStringLiteral("Connect"));
    ui.textBrowser->clear();
    ui.lineEdit->clear();
    ui.comboBox->setEnabled(true);
    ui.comboBox->clear();
}

void upgrade_Dialog::closeEvent(QCloseEvent *event)
{
    // Closed while the unit restarts: the port it comes back on is not taken.
    if (m_waitingForUpgradeMode)
        setWaitingForUpgradeMode(false);
    resetControls();
    QDialog::closeEvent(event);
}
