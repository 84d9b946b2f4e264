// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Platform.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class FirmwareTransfer;
class FirmwareUpdateCheck;
class SerialPort;
class UnitSession;
class Upgrade_message_Dialog;
class QWidget;
class upgrade_Dialog;

// The window's face of the unit's serial side: the firmware check that the
// session's model and version start once per connection, the automatic
// upgrade that check may lead to with its progress window, the boxes the
// session's failures call for, and the upgrade dialog of the menu. The link
// and the transfer are the session's.
class UnitSerialSession : public QObject
{
    Q_OBJECT
public:
    // window parents the dialogs and boxes; both are borrowed.
    UnitSerialSession(UnitSession *session, const Platform &platform, QWidget *window);

    SerialPort *link() const;
    FirmwareTransfer *transfer() const;
    Upgrade_message_Dialog *progressDialog() const { return m_progress; }
    upgrade_Dialog *upgradeDialog() const { return m_upgradeDialog; }
    FirmwareUpdateCheck *updateCheck() const { return m_updateCheck; }

    // Writes a downloaded firmware image to the paired unit: prepare, wait for
    // its upgrade-mode port, erase, then the chunks once it reports "ERASE
    // END". An empty image is refused with a message and nothing is written.
    void startFirmwareUpgrade(const QByteArray &image);
    // The menu's upgrade dialog; refused while the automatic upgrade runs.
    void openUpgradeDialog();

signals:
    void send_brio_version(const QString &Brio, const QString &version);
    void send_possvalue(int value);
    void done();

private:
    void onUpgradeFailed(const QString &message);

    UnitSession *m_session;
    Platform m_platform;
    QWidget *m_window;
    MessageBoxes *m_boxes;
    Upgrade_message_Dialog *m_progress;
    upgrade_Dialog *m_upgradeDialog = nullptr;
    FirmwareUpdateCheck *m_updateCheck;
};
