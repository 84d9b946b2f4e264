#pragma once

#include "app/Platform.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class FirmwareTransfer;
class FirmwareUpdateCheck;
class QComboBox;
class SerialPort;
class Upgrade_message_Dialog;
class QWidget;
class upgrade_Dialog;

// The main window's serial side: the link to the unit that is connected over
// MIDI, the unit's model and version read over it, the firmware check they
// start once per connection, and the automatic upgrade that check may lead to,
// with its progress window. The upgrade dialog of the menu is made here too.
class UnitSerialSession : public QObject
{
    Q_OBJECT
public:
    // portList is the window's hidden list of serial ports; window parents the
    // dialogs and boxes. Both are borrowed.
    UnitSerialSession(QComboBox *portList, const Platform &platform, QWidget *window);

    SerialPort *link() const { return m_link; }
    FirmwareTransfer *transfer() const { return m_transfer; }
    Upgrade_message_Dialog *progressDialog() const { return m_progress; }
    upgrade_Dialog *upgradeDialog() const { return m_upgradeDialog; }
    FirmwareUpdateCheck *updateCheck() const { return m_updateCheck; }

    // A MIDI unit was connected: a TQR's serial port is opened and asked for
    // the model; any other label closes the link.
    void pairWith(const QString &midiLabel);
    // The unit went away: the next one gets its own firmware check.
    void forgetUnit() { m_checkStarted = false; }
    // Model and version replies from the link, one whole reply at a time;
    // starts the firmware check once per connection when both are known.
    void gatherUnitIdentity(const QByteArray &reply);
    // Writes a downloaded firmware image to the paired unit: prepare, wait for
    // its upgrade-mode port, erase, then the chunks once it reports "ERASE
    // END". An empty image is refused with a message and nothing is written.
    void startFirmwareUpgrade(const QByteArray &image);
    void handleSerialError(QSerialPort::SerialPortError error);
    // The menu's upgrade dialog; refused while the automatic upgrade runs.
    void openUpgradeDialog();

signals:
    void send_brio_version(const QString &Brio, const QString &version);
    void send_possvalue(int value);
    void done();

private:
    void onUpgradeFailed(const QString &message);

    Platform m_platform;
    QWidget *m_window;
    MessageBoxes *m_boxes;
    SerialPort *m_link;
    FirmwareTransfer *m_transfer;
    Upgrade_message_Dialog *m_progress;
    upgrade_Dialog *m_upgradeDialog = nullptr;
    FirmwareUpdateCheck *m_updateCheck;
    bool m_checkStarted = false;
    QString m_model = QStringLiteral("xx");
    QString m_version = QStringLiteral("xx");
};
