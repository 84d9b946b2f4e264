// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/InMemorySerialPortCatalogue.h"
#include "support/InMemoryUsbDescriptionSource.h"
#include "support/UnitPeer.h"

#include <QString>

// A scripted unit on a pseudo-terminal, the same unit in upgrade mode on
// another, and the in-memory USB descriptions and port catalogue through
// which the panel finds them. Nothing is listed until a test says what: the
// listing is what the tests of the port search vary.
struct SerialUnitRig
{
    static QString defaultBootDescription() { return QStringLiteral("TQR-30B Boot"); }

    // The unit in normal mode, under the description the panel pairs by.
    void listUnit();
    // The upgrade-mode unit's description and port.
    void listBoot(const QString &description = defaultBootDescription());
    // The upgrade-mode unit's description alone; its port comes later, or never.
    void describeBoot(const QString &description = defaultBootDescription());
    // Told to prepare, the unit's normal-mode port goes away and the
    // upgrade-mode one is listed instead, as a unit re-enumerating does.
    void reenumerateOnPrepare();

    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    UnitPeer unit; // normal mode
    UnitPeer boot; // upgrade mode
};
