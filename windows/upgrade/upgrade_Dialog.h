// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_upgrade_Dialog.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QTimer>

class FirmwareTransfer;
class MessageBoxes;
class FirmwareUpdateCheck;
class SerialPort;
class SerialPortCatalogue;
class UsbDescriptionSource;

// The manual upgrade: pick the unit's port, connect, see its model and
// version, open an image file (or take the online download) and write it.
class upgrade_Dialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kEndDelayMs = 5000;
    static constexpr int kSlowPacingMs = 60;
    static constexpr char kStyleSheet[] =
        "QWidget {    font-family: Arial;    font-size: 12px;}"
        "QPushButton {    font-family: Arial;    font-size: 14px;}"
        "QComboBox {    font-family: Arial;    font-size: 12px;}";

    // boxes null: the desktop's own.
    upgrade_Dialog(UsbDescriptionSource *usb, SerialPortCatalogue *ports, MessageBoxes *boxes = nullptr,
                   QWidget *parent = nullptr);

    Ui::upgrade_Dialog &form() { return ui; }
    SerialPort *link() const { return m_link; }
    FirmwareTransfer *transfer() const { return m_transfer; }
    void setEndDelay(int ms) { m_endDelayMs = ms; }

    // Also writes one log line per available port.
    void refreshPortList();
    // The main window's Upgrade action: refresh, show, and send a unit in
    // normal mode away with a hint. pairedPort names the serial port of the
    // unit connected to the window, which the window can put into upgrade
    // mode: it is selected, and the hint offers that step
    // (upgradeModeRequested()).
    void prepareAndShow(const QString &pairedPort = QString());
    // The unit came back in upgrade mode on this port: the dialog connects
    // to it and goes on as after Connect.
    void connectToUpgradePort(const QString &portName);
    // It did not; the owner has said why. The dialog gives up and hides.
    void upgradeModeFailed();
    bool waitingForUpgradeMode() const { return m_waitingForUpgradeMode; }

    // Open File without the file dialog: load (a plain file within the image
    // bound), compare with the unit's model and version, and erase for a file
    // named for the unit's model; a file that names no model is erased only
    // once the user confirms, one named for another model never.
    void openImageFile(const QString &path);
    // The dialog's own online download: erase, then write as soon as the
    // unit reports "ERASE END". An empty image is refused with a message.
    void upgradeFromDownload(const QByteArray &image);

    QString modelText() const { return m_model; }
    QString versionText() const { return m_version; }
    // The unit erased for the loaded image: the only state Upgrade starts from.
    bool erased() const;

signals:
    // The user asked to put the unit in normal mode into upgrade mode.
    void upgradeModeRequested();

public slots:
    void rec_version(const QString &version);
    void rec_brio(const QString &Brio);
    void rec_erase_flag(bool flag);
    void sendNextChunk();
    void on_pushButton_clicked();

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_4_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateConnectionControls();
    void refuseFile(const QString &text);
    void updateUpgradeButton();
    void onChunkWritten(qint64 sent, qint64 size);
    void onFinished();
    void onFailed(const QString &message);
    void endSequence();
    void resetControls();
    void setWaitingForUpgradeMode(bool waiting);

    Ui::upgrade_Dialog ui;
    MessageBoxes *m_boxes;
    SerialPort *m_link;
    FirmwareTransfer *m_transfer;
    FirmwareUpdateCheck *m_updateCheck;
    QString m_model;
    QString m_version;
    bool m_finishing = false;
    bool m_checkedThisConnection = false;
    bool m_waitingForUpgradeMode = false;
    QTimer m_endTimer;
    int m_endDelayMs = kEndDelayMs;
};
