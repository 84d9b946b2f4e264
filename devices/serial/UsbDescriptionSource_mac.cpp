// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/UsbDescriptionSource.h"

#include "serial/AbsentUsbDescriptionSource.h"

std::unique_ptr<UsbDescriptionSource> createSystemUsbDescriptionSource(const EmulatedPortRegistry *)
{
    return std::make_unique<AbsentUsbDescriptionSource>(QStringLiteral("macOS"));
}
