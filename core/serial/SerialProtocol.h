// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UnitUsbNames.h"

#include <QByteArray>
#include <QString>

// The unit's serial command frames and the forms of its replies.
//
// A command is seven bytes: AA CC 02 00 <code> 0D 0A. Firmware image chunks
// travel raw, without any framing. A reply is one piece of the unit's byte
// stream as SerialReplySplitter cuts it; parseReply() says what one reply is.
namespace SerialProtocol {

enum Command : quint8 {
    QueryModel = 0x01,     // answered with a model reply
    EraseFirmware = 0x02,  // answered with "ERASE END" once the flash is blank
    QueryVersion = 0x03,   // answered with a version reply
    PrepareUpgrade = 0x09, // the unit re-enumerates as its upgrade-mode device
};

constexpr int kFrameSize = 7;
constexpr int kBaudRate = 115200;

// The text a unit in upgrade mode carries in its USB description.
inline constexpr const char *kUpgradeModeTag = UnitUsbNames::kUpgradeModeName;
// What a unit of the series carries in its description in either mode.
inline constexpr char kSeriesTag[] = "TQR-30";

// A unit in normal mode carries the brand word in its description; the last
// four letters are enough, as older units abbreviate it.
QString normalModeTag();

QByteArray commandFrame(quint8 code);

// What one reply says. A 7-byte reply is still read for a model or version.
struct Reply
{
    QByteArray bytes;
    bool hasModel = false;
    QString model;          // from "TQR-" up to the first CR LF after it
    bool hasVersion = false;
    QString version;        // after AA CC 06 up to the first CR LF, e.g. "V1.0.3"
    bool eraseEnd = false;  // "ERASE END" anywhere in the reply
    bool acknowledgement = false; // exactly 7 bytes and not "ERASE END"
    bool resetNotice = false;     // "Reset" anywhere in the reply
    // Longer than six bytes and without the status letter 'o' at byte 6: a
    // reply that may start the online firmware check.
    bool identifies = false;
};

// A reply holding "TQR-" is a model reply or nothing: without its CR LF it is
// not read as a version either. A version reply whose byte 6 is 'o' is a
// status line and carries no version.
Reply parseReply(const QByteArray &reply);

} // namespace SerialProtocol
