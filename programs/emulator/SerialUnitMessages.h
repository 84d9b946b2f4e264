// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The unit's side of the serial link: command frames it reads and the replies
// it writes. Plain functions, so tests call them directly.
//
// A command is seven bytes, AA CC 02 00 code 0D 0A. Replies are recognised by
// the panel by content: the model reply holds "TQR-" and ends with CR LF, the
// version reply holds AA CC 06 and ends with CR LF, the end of an erase is
// "ERASE END", and any reply of exactly seven bytes acknowledges an image chunk.
namespace SerialUnitMessages {

constexpr int kCommandSize = 7;
constexpr int kChunkSize = 64;

enum Command : quint8 { QueryModel = 0x01, Erase = 0x02, QueryVersion = 0x03, PrepareUpgrade = 0x09 };

// The first complete command frame in `buffer` and where it ends; bytes before
// it that are not a frame are skipped. Nothing when no whole frame is there yet.
struct Found
{
    quint8 code = 0;
    int end = 0;
};
std::optional<Found> findCommand(const QByteArray &buffer);
QByteArray command(quint8 code);

// AA CC 01, the model name, CR LF.
QByteArray modelReply(const QString &model);
// AA CC 06, the version text, CR LF.
QByteArray versionReply(const QString &version);
QByteArray eraseEnd();    // "ERASE END" CR LF
QByteArray eraseFailed(); // "ERASE FAILED" CR LF: holds no "ERASE END"
QByteArray chunkAck();    // seven bytes

// The last version text ("V" and dotted numbers, such as V1.0.3) in the last
// 64 bytes of an image, where builds put their trailer; empty when none.
QString versionFromTrailer(const QByteArray &image);
// The version in a file name such as TQR-30_V1.0.3.bin; empty when none.
QString versionFromFileName(const QString &fileName);
// V1.0.2 -> V1.0.3: the last number counted up (a plain "V1" becomes V1.1).
QString nextVersion(const QString &version);

} // namespace SerialUnitMessages
