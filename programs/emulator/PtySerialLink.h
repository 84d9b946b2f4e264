// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/EmulatedUnit.h"

#include <QObject>
#include <QString>

class QSerialPort;
class QSocketNotifier;

// The serial side of an emulated unit as a pseudo-terminal pair: the unit holds
// the master, the panel opens the slave (/dev/pts/N) like any serial port. The
// port is announced in the emulated-port registry (one file per port, see
// serial/EmulatedPortRegistry.h for the format) under the USB identity the unit
// shows in its current mode, so the panel's port lists find it; the entry is
// removed and the pty closed whenever the unit leaves the bus (upgrade-mode
// re-enumeration, unplugging, the end of the program).
//
// Lives on the unit's thread.
class PtySerialLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int kVendorId = 0x1209;
    static constexpr int kNormalProductId = 0x5130;
    static constexpr int kUpgradeProductId = 0x5131;

    // registryDirectory empty: the registry's default directory.
    explicit PtySerialLink(EmulatedUnit *unit, const QString &registryDirectory = QString(),
                           QObject *parent = nullptr);
    ~PtySerialLink() override;

    // The description a unit reports on the bus in each mode: in normal mode
    // it names the model and the brand; the upgrade loader reports "TQR-30B".
    static QString normalDescription(UnitMessages::Model model);
    static QString upgradeDescription();
    static QString defaultRegistryDirectory();

    // Empty while the unit shows no serial port.
    QString portPath() const { return m_slavePath; }
    QString registryFile() const { return m_registryFile; }
    QString description() const { return m_description; }

signals:
    // The port came or went (path empty when gone).
    void portChanged(const QString &path, const QString &description);

private:
    void follow(EmulatedUnit::SerialMode mode);
    bool appear(const QString &description, int productId, int busyMs = 0);
    void vanish();
    void readable();
    void write(const QByteArray &bytes);

    EmulatedUnit *m_unit;
    QString m_registryDirectory;
    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_notifier = nullptr;
    // Holds the port, as ModemManager probing a new device does, so that the
    // panel's opens fail as "busy" for a while.
    QSerialPort *m_holder = nullptr;
    QString m_slavePath;
    QString m_registryFile;
    QString m_description;
};
