// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/TrafficLog.h"
#include "protocol/Identification.h"

#include "protocol/SysEx.h"

#include <QDebug>

namespace Identification {

namespace {
constexpr quint8 kReplyIdentifier = 0x01;
constexpr quint8 kReplyCommand = 0x01;
} // namespace

QByteArray identificationRequest(const QByteArray &parameters)
{
    QByteArray body;
    body.append(char(kIdentificationRequestCommand));
    if (!parameters.isEmpty()) {
        body.append(char(parameters.size()));
        body.append(parameters);
    }
    return SysEx::universalRealTime(SysEx::kIdentificationSubId, body);
}

bool parseFeedbackDeviceType(const QByteArray &message, quint8 &gg, quint8 &hh)
{
    if (message.size() != kDeviceTypeReplySize) {
        qCDebug(lcMidiTraffic) << "Not a device-type reply: length" << message.size();
        return false;
    }
    if (!SysEx::isManufacturerMessage(message)) {
        qCDebug(lcMidiTraffic) << "Not a device-type reply: manufacturer" << message.left(4).toHex(' ').toUpper();
        return false;
    }
    if (quint8(message.at(4)) != kReplyIdentifier) {
        qCDebug(lcMidiTraffic) << "Not a device-type reply: identifier byte" << quint8(message.at(4));
        return false;
    }
    if (quint8(message.at(5)) != kReplyCommand) {
        qCDebug(lcMidiTraffic) << "Not a device-type reply: command byte" << quint8(message.at(5));
        return false;
    }
    if (quint8(message.at(8)) != SysEx::kEnd) {
        qCDebug(lcMidiTraffic) << "Not a device-type reply: no F7 at the end";
        return false;
    }
    gg = quint8(message.at(6));
    hh = quint8(message.at(7));
    return true;
}

QString productForModel(quint8 gg, quint8 hh)
{
    if (gg != kTqrDeviceClass)
        return QString();
    switch (hh) {
    case 0x01:
        return QStringLiteral("TQR-10");
    case 0x02:
        return QStringLiteral("TQR-20");
    case 0x03:
        return QStringLiteral("TQR-30");
    case 0x04:
        return QStringLiteral("TQR-30 Pro");
    default:
        return QString();
    }
}

bool supportsIpByName(const QString &baseName)
{
    return baseName.contains(QLatin1String("TQR-30"), Qt::CaseInsensitive);
}

bool supportsOscByName(const QString &baseName)
{
    return baseName.contains(QLatin1String("TQR-30"), Qt::CaseInsensitive)
        && baseName.contains(QLatin1String("Pro"), Qt::CaseInsensitive);
}

bool supportsIp(bool outputOpen, const QString &outputBaseName, const QString &product)
{
    return outputOpen
        && (supportsIpByName(outputBaseName) || product.contains(QLatin1String("TQR-30"), Qt::CaseInsensitive));
}

bool supportsOsc(bool outputOpen, const QString &outputBaseName, const QString &product)
{
    return outputOpen
        && (supportsOscByName(outputBaseName)
            || (product.contains(QLatin1String("TQR-30"), Qt::CaseInsensitive)
                && product.contains(QLatin1String("Pro"), Qt::CaseInsensitive)));
}

bool hidesGeneratorSource(const QString &labelOrProduct)
{
    return labelOrProduct.contains(QLatin1String("TQR-10"), Qt::CaseSensitive);
}

} // namespace Identification
