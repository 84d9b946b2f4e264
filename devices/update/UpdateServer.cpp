// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/UpdateServer.h"

#include "update/DownloadLimit.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace UpdateServer {

const char kDefaultBaseUrl[] = "https://updates.quill-tool.org";

namespace {

QString baseText()
{
    const QString fromEnv = QString::fromLocal8Bit(qgetenv("QUILL_UPDATE_URL")).trimmed();
    if (!fromEnv.isEmpty()) {
        const QUrl url(fromEnv, QUrl::StrictMode);
        if (url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty())
            return fromEnv;
        qWarning().noquote() << "QUILL_UPDATE_URL ignored, it is not an https URL:" << fromEnv;
    }
    return QString::fromLatin1(kDefaultBaseUrl);
}

QSslConfiguration sslConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // Verification is never relaxed; an extra CA only widens whom we trust.
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QString caFile = QString::fromLocal8Bit(qgetenv("QUILL_UPDATE_CA_FILE"));
    if (!caFile.isEmpty()) {
        const QList<QSslCertificate> extra = QSslCertificate::fromPath(caFile, QSsl::Pem);
        if (extra.isEmpty())
            qWarning().noquote() << "QUILL_UPDATE_CA_FILE holds no PEM certificate:" << caFile;
        else
            config.addCaCertificates(extra);
    }
    return config;
}

} // namespace

QUrl baseUrl()
{
    return QUrl(baseText());
}

QUrl urlFor(const QString &path)
{
    QString base = baseText();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + path);
}

QNetworkRequest requestFor(const QString &path)
{
    QNetworkRequest request(urlFor(path));
    request.setSslConfiguration(sslConfiguration());
    // Follow a move only within the same scheme, host and port: firmware images carry no
    // signature, so they must come from the server whose certificate was checked, and
    // not from whatever host it names.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMs);
    return request;
}

QNetworkReply *get(QNetworkAccessManager *manager, const QString &path, qint64 maxBytes)
{
    const QNetworkRequest request = requestFor(path);
    qDebug().noquote() << "Update server GET" << request.url().toString();
    QNetworkReply *reply = manager->get(request);
    DownloadLimit::apply(reply, maxBytes);
    return reply;
}

} // namespace UpdateServer
