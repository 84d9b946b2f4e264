#pragma once

#include <QByteArray>
#include <QString>

// The unit's serial command frames and the forms of its replies.
//
// A command is seven bytes: AA CC 02 00 <code> 0D 0A. Firmware image chunks
// travel raw, without any framing. Replies are recognised by their content,
// one received chunk at a time; a reply split over two reads is not seen.
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
inline constexpr char kUpgradeModeTag[] = "TQR-30B";
// What a unit of the series carries in its description in either mode.
inline constexpr char kSeriesTag[] = "TQR-30";
// The last four letters of the brand word: only a unit in normal mode reports it.
inline constexpr char kNormalModeTag[] = "spur";

QByteArray commandFrame(quint8 code);

// Everything one received chunk says. Several fields may be set at once:
// a 7-byte chunk is still offered to the model and version parsing.
struct Reply
{
    bool hasModel = false;
    QString model;          // from "TQR-" up to the first CR LF after it
    bool hasVersion = false;
    QString version;        // after AA CC 06 up to the first CR LF, e.g. "V1.0.3"
    bool eraseEnd = false;  // "ERASE END" anywhere in the chunk
    bool acknowledgement = false; // exactly 7 bytes and not "ERASE END"
    bool resetNotice = false;     // "Reset" anywhere in the chunk
};

// A chunk holding "TQR-" is a model reply or nothing: without its CR LF it
// is not read as a version either.
Reply parseReply(const QByteArray &chunk);

} // namespace SerialProtocol
