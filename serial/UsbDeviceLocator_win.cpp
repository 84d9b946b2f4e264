#include "serial/UsbDeviceLocator.h"

std::unique_ptr<UsbDeviceLocator> createSystemUsbDeviceLocator()
{
    return nullptr;
}
