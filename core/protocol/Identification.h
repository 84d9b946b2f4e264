// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Telling which TQR model is connected, and which of the model-dependent
// controls it gets.
//
// The panel asks with the universal real-time request F0 7F 7F 11 01 F7; the
// unit answers in the manufacturer form
//   F0 00 21 5E 01 01 gg hh F7
// where gg is the device class (06 for the TQR family) and hh the model code.
namespace Identification {

constexpr quint8 kIdentificationRequestCommand = 0x01;
constexpr quint8 kTqrDeviceClass = 0x06;
constexpr int kDeviceTypeReplySize = 9;

// F0 7F 7F 11 01, then (only when there are parameters) their count and the
// parameters, then F7. The panel itself never passes parameters.
QByteArray identificationRequest(const QByteArray &parameters = QByteArray());

// Accepts exactly the nine-byte device-type reply and hands out its class and
// model bytes; anything else is refused with a debug trace saying why.
bool parseFeedbackDeviceType(const QByteArray &message, quint8 &gg, quint8 &hh);

// "TQR-10", "TQR-20", "TQR-30", "TQR-30 Pro" for model codes 01 to 04 of class
// 06; an empty text for every other class or code.
QString productForModel(quint8 gg, quint8 hh);

// A port's name alone can unlock a model's controls before the unit answers.
// The caller passes the base name (the label without its " [n]" index), so that
// an index such as "[30]" never makes a TQR-3 capable. Both tests ignore letter case.
bool supportsIpByName(const QString &baseName);  // contains "TQR-30"
bool supportsOscByName(const QString &baseName); // ... and also "Pro"

// The connection-level decision: a port must be open, and either its base name or
// the product text the unit reported must name a capable model.
bool supportsIp(bool outputOpen, const QString &outputBaseName, const QString &product);
bool supportsOsc(bool outputOpen, const QString &outputBaseName, const QString &product);

// The Generator source does not exist on a TQR-10; the test is case-sensitive
// because it runs on port labels and product texts exactly as reported.
bool hidesGeneratorSource(const QString &labelOrProduct);

} // namespace Identification
