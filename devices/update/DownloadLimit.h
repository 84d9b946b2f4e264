// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkReply;

// Every download from the update server has an upper bound on its size: a reply
// that announces more, or delivers more, is aborted at once instead of growing in
// memory. Handlers ask exceeded() before anything else, since the abort also ends
// the reply as cancelled.
namespace DownloadLimit {

constexpr qint64 kUpdateFileBytes = 64 * 1024;
constexpr qint64 kInstallerBytes = 256 * 1024 * 1024;
constexpr qint64 kSignatureBytes = 1024;
// Firmware images: FirmwareImageFile::kMaxImageBytes, as for a picked file.

void apply(QNetworkReply *reply, qint64 maxBytes);
bool exceeded(const QNetworkReply *reply);
// "larger than 64 KiB", for the messages that say why a download was dropped.
QString limitText(qint64 maxBytes);

} // namespace DownloadLimit
