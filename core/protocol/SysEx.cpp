// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SysEx.h"

namespace SysEx {

QByteArray universalRealTime(quint8 subId, const QByteArray &body)
{
    QByteArray message;
    message.reserve(5 + body.size());
    message.append(char(kStart));
    message.append(char(kUniversalRealTime));
    message.append(char(kAllDevices));
    message.append(char(subId));
    message.append(body);
    message.append(char(kEnd));
    return message;
}

bool isUniversalRealTime(const QByteArray &message, quint8 subId)
{
    return message.size() >= 4 && quint8(message[0]) == kStart && quint8(message[1]) == kUniversalRealTime
        && quint8(message[2]) == kAllDevices && quint8(message[3]) == subId;
}

bool isManufacturerMessage(const QByteArray &message)
{
    return message.size() >= 4 && quint8(message[0]) == kStart && quint8(message[1]) == kManufacturerId[0]
        && quint8(message[2]) == kManufacturerId[1] && quint8(message[3]) == kManufacturerId[2];
}

} // namespace SysEx
