// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/DownloadLimit.h"

#include <QDebug>
#include <QNetworkReply>
#include <QVariant>

namespace DownloadLimit {

namespace {

const char kExceededProperty[] = "quillDownloadLimitExceeded";

void stop(QNetworkReply *reply, qint64 maxBytes, qint64 size)
{
    if (exceeded(reply))
        return;
    qWarning().noquote() << "Download of" << reply->url().toString() << "stopped:" << size << "bytes, the limit is"
                         << maxBytes;
    reply->setProperty(kExceededProperty, true);
    reply->abort();
}

} // namespace

void apply(QNetworkReply *reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
        bool known = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > maxBytes)
            stop(reply, maxBytes, announced);
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64) {
        if (received > maxBytes)
            stop(reply, maxBytes, received);
    });
}

bool exceeded(const QNetworkReply *reply)
{
    return reply->property(kExceededProperty).toBool();
}

QString limitText(qint64 maxBytes)
{
    if (maxBytes >= 1024 * 1024 && maxBytes % (1024 * 1024) == 0)
        return QStringLiteral("larger than %1 MiB").arg(maxBytes / (1024 * 1024));
    if (maxBytes >= 1024 && maxBytes % 1024 == 0)
        return QStringLiteral("larger than %1 KiB").arg(maxBytes / 1024);
    return QStringLiteral("larger than %1 bytes").arg(maxBytes);
}

} // namespace DownloadLimit
