// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator/EmulatedUnit.h"
#include "emulator/PtySerialLink.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The emulated unit's serial side behind a pseudo-terminal that it announces
// in a registry folder of its own, and a QSerialPort on the slave, read and
// written the way the panel does. The unit is off until a test powers it on.
struct EmulatedSerialRig
{
    explicit EmulatedSerialRig(UnitMessages::Model model = UnitMessages::Model::Tqr30Pro,
                               const QString &firmwareVersion = QStringLiteral("V1.0.2"));

    // Opens the port the unit has now, closing any held before: the path
    // changes when the unit comes back in another mode.
    bool reopen();
    bool powerOnAndOpen();
    // Reads until `expected` bytes have come or the time is up.
    QByteArray readSome(int expected, int timeoutMs = 2000);
    // The registry's entries, one text a port.
    QStringList registryTexts() const;

    QTemporaryDir registry;
    EmulatedUnit unit;
    PtySerialLink link;
    QSerialPort port;
};
