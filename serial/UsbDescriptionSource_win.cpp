#include "serial/UsbDescriptionSource.h"

#include "serial/AbsentUsbDescriptionSource.h"

std::unique_ptr<UsbDescriptionSource> createSystemUsbDescriptionSource(const EmulatedPortRegistry *)
{
    return std::make_unique<AbsentUsbDescriptionSource>(QStringLiteral("Windows"));
}
