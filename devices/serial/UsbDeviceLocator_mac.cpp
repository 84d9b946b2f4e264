// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/UsbDeviceLocator.h"

std::unique_ptr<UsbDeviceLocator> createSystemUsbDeviceLocator()
{
    return nullptr;
}
