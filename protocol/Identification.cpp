#include "protocol/Identification.h"

namespace Identification {

QByteArray identificationRequest(const QByteArray &parameters)
{
    QByteArray message;
    message.append(char(kSysExStart));
    message.append(char(kUniversalRealTime));
    message.append(char(kAllDevices));
    message.append(char(kIdentificationRequest));
    message.append(char(kIdentificationRequestCommand));
    if (!parameters.isEmpty()) {
        message.append(char(parameters.size()));
        message.append(parameters);
    }
    message.append(char(kSysExEnd));
    return message;
}

} // namespace Identification
