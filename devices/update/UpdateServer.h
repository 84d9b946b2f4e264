// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The one server that announces and serves firmware images and panel installers.
//
// The compiled-in base is kDefaultBaseUrl. Two environment variables adjust it for
// staging servers and tests; certificate verification stays on in every case:
//   QUILL_UPDATE_URL      replaces the base (must be an https:// URL, else it is ignored)
//   QUILL_UPDATE_CA_FILE  PEM file of CA certificates trusted in addition to the system's
namespace UpdateServer {

extern const char kDefaultBaseUrl[];

// Inactivity limit of one request: a transfer that receives nothing for this long ends
// with an error instead of hanging for ever.
constexpr int kTransferTimeoutMs = 30000;

QUrl baseUrl();
QUrl urlFor(const QString &path);
QNetworkRequest requestFor(const QString &path);

// GET path on the update server through manager; the reply is aborted once it
// is larger than maxBytes (see DownloadLimit).
QNetworkReply *get(QNetworkAccessManager *manager, const QString &path, qint64 maxBytes);

} // namespace UpdateServer
