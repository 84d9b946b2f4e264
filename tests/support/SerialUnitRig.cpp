// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SerialUnitRig.h"

void SerialUnitRig::listUnit()
{
    usb.addDevice(kUnitVendor, kUnitNormalProduct, QStringLiteral("TQR-30 Pro Larkspur"));
    ports.addPort(unitPortEntry(unit, kUnitNormalProduct));
}

void SerialUnitRig::listBoot(const QString &description)
{
    describeBoot(description);
    ports.addPort(unitPortEntry(boot, kUnitBootProduct));
}

void SerialUnitRig::describeBoot(const QString &description)
{
    usb.addDevice(kUnitVendor, kUnitBootProduct, description);
}

void SerialUnitRig::reenumerateOnPrepare()
{
    describeBoot();
    unit.onPrepare = [this] {
        ports.clear();
        ports.addPort(unitPortEntry(boot, kUnitBootProduct));
    };
}
