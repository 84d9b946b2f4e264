#include "serial/UnitSerialSession.h"

#include "dialogs/MessageBoxes.h"
#include "serial/FirmwareTransfer.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"
#include "serial/UnitUsbNames.h"
#include "serial/Upgrade_message_Dialog.h"
#include "serial/upgrade_Dialog.h"
#include "update/FirmwareUpdateCheck.h"

#include <QDebug>

UnitSerialSession::UnitSerialSession(QComboBox *portList, const Platform &platform, QWidget *window)
    : QObject(window)
    , m_platform(platform)
    , m_window(window)
    , m_boxes(MessageBoxes::orDesktop(platform.messageBoxes))
{
    m_link = new SerialPort(portList, QString::fromLatin1(UnitUsbNames::kBrandWord), platform.usbDescriptions,
                            platform.serialPorts, m_boxes, window);
    m_transfer = new FirmwareTransfer(m_link, FirmwareTransfer::Timing(), window);
    // Every erase this session writes is for its automatic upgrade.
    m_transfer->setAfterErase(FirmwareTransfer::AfterErase::StartSending);
    connect(m_transfer, &FirmwareTransfer::chunkWritten, this, [this](qint64 sent, qint64 size) {
        emit send_possvalue(FirmwareTransfer::mainWindowProgress(sent, size));
    });
    connect(m_transfer, &FirmwareTransfer::finished, this, [this] {
        emit done();
        m_checkStarted = false;
    });
    connect(m_transfer, &FirmwareTransfer::failed, this, &UnitSerialSession::onUpgradeFailed);

    m_progress = new Upgrade_message_Dialog(m_boxes, window);
    connect(m_transfer, &FirmwareTransfer::stateChanged, m_progress, &Upgrade_message_Dialog::showTransferState);
    connect(this, &UnitSerialSession::send_brio_version, m_progress, &Upgrade_message_Dialog::rec_brio_version);
    connect(this, &UnitSerialSession::send_possvalue, m_progress, &Upgrade_message_Dialog::rec_possvalue);
    connect(this, &UnitSerialSession::done, m_progress, &Upgrade_message_Dialog::upgrade_done);

    m_updateCheck = new FirmwareUpdateCheck(FirmwareUpdateCheck::Place::MainWindow, window, platform.messageBoxes);
    connect(m_updateCheck, &FirmwareUpdateCheck::versionAnnounced, this, &UnitSerialSession::send_brio_version);
    connect(m_updateCheck, &FirmwareUpdateCheck::offerAccepted, this, [this] {
        m_model = QStringLiteral("xx");
        m_version = QStringLiteral("xx");
    });
    connect(m_updateCheck, &FirmwareUpdateCheck::updateOffered, this, [this](int modelNumber) {
        if (modelNumber == 3)
            m_transfer->setModelFamily(2);
    });
    connect(m_updateCheck, &FirmwareUpdateCheck::imageReady, this, &UnitSerialSession::startFirmwareUpgrade);
}

void UnitSerialSession::pairWith(const QString &midiLabel)
{
    m_checkStarted = false;
    if (midiLabel.contains(QLatin1String("TQR"))) {
        if (m_link->isOpen()) {
            qWarning() << m_link->portName() << "is connecting";
        } else {
            const QString portName =
                PortList::findPortContaining(m_link->portList(), QString::fromLatin1(SerialProtocol::kSeriesTag));
            if (portName.isEmpty()) {
                qWarning() << "No serial port of a TQR-30 unit is listed for" << midiLabel;
            } else if (m_link->openPort(portName, SerialProtocol::kBaudRate)) {
                qDebug() << "Serial link open on" << portName;
            } else {
                qWarning() << "Serial link did not open on" << portName;
            }
        }
    } else {
        m_link->close();
    }
    if (m_link->isOpen())
        m_link->writeCommand(SerialProtocol::QueryModel);
}

void UnitSerialSession::gatherUnitIdentity(const QByteArray &chunk)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(chunk);
    if (reply.eraseEnd || reply.acknowledgement || reply.resetNotice)
        return;
    if (reply.hasModel)
        m_model = reply.model;
    else if (reply.hasVersion)
        m_version = reply.version;

    if (m_checkStarted)
        return;
    if (m_model != QLatin1String("xx") && m_version != QLatin1String("xx") && reply.identifies) {
        m_checkStarted = true;
        m_updateCheck->start(m_model, m_version);
    }
}

void UnitSerialSession::startFirmwareUpgrade(const QByteArray &image)
{
    if (image.isEmpty()) {
        qWarning() << "Downloaded firmware image is empty";
        m_boxes->show(m_window, QMessageBox::Warning, QStringLiteral("Upgrade"),
                      tr("The downloaded firmware image is empty. Nothing was written to the device."));
        return;
    }
    m_transfer->startAutomaticUpgrade(image);
}

void UnitSerialSession::onUpgradeFailed(const QString &message)
{
    if (m_progress->isVisible())
        m_progress->upgrade_failed(message);
    else
        m_boxes->show(m_window, QMessageBox::Warning, QStringLiteral("Upgrade"), message);
}

void UnitSerialSession::handleSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError && m_link->isOpen()) {
        qWarning() << "Serial port lost:" << m_link->errorString();
        m_link->close();
        m_checkStarted = false;
    }
}

void UnitSerialSession::openUpgradeDialog()
{
    if (m_transfer->isBusy()) {
        m_boxes->show(m_window, QMessageBox::Information, QStringLiteral("Upgrade"),
                      tr("An upgrade is already running. Wait until it has finished."));
        return;
    }
    if (!m_upgradeDialog)
        m_upgradeDialog = new upgrade_Dialog(m_platform.usbDescriptions, m_platform.serialPorts,
                                             m_platform.messageBoxes, m_window);
    m_upgradeDialog->prepareAndShow();
}
