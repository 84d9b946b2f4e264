#pragma once

#include <QByteArray>

// Telling which TQR model is connected. The panel asks with the universal
// real-time request F0 7F 7F 11 01 F7.
namespace Identification {

constexpr quint8 kSysExStart = 0xF0;
constexpr quint8 kSysExEnd = 0xF7;
constexpr quint8 kUniversalRealTime = 0x7F;
constexpr quint8 kAllDevices = 0x7F;
constexpr quint8 kIdentificationRequest = 0x11;
constexpr quint8 kIdentificationRequestCommand = 0x01;

// F0 7F 7F 11 01, then (only when there are parameters) their count and the
// parameters, then F7. The panel itself never passes parameters.
QByteArray identificationRequest(const QByteArray &parameters = QByteArray());

} // namespace Identification
