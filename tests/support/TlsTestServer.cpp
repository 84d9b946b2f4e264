// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TlsTestServer.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QTimer>
#include <QSslSocket>

#include <sys/socket.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

TlsTestServer::TlsTestServer(const QString &certFile, const QString &keyFile, QObject *parent)
    : QTcpServer(parent)
    , certificate(readFile(certFile), QSsl::Pem)
    , key(readFile(keyFile), QSsl::Ec, QSsl::Pem)
{
}

bool TlsTestServer::start()
{
    return !certificate.isNull() && !key.isNull() && listen(QHostAddress::LocalHost, 0);
}

QString TlsTestServer::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(serverPort());
}

void TlsTestServer::serve(const QString &path, const Response &response)
{
    routes.insert(path, response);
}

void TlsTestServer::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    ++connections;
    socket->setLocalCertificate(certificate);
    socket->setPrivateKey(key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        pending.remove(socket);
        --connections;
        socket->deleteLater();
    });
    socket->startServerEncryption();
}

void TlsTestServer::onReadyRead(QSslSocket *socket)
{
    QByteArray &buffer = pending[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    buffer.clear();
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    requested.append(path);
    emit requestReceived(path);
    respond(socket, path);
}

void TlsTestServer::respond(QSslSocket *socket, const QString &path)
{
    const Response response = routes.value(path, Response{404, "not here\n"});

    if (response.kind == Response::Kind::Reset) {
        // A zero linger time makes close() send RST instead of an orderly shutdown.
        const linger hardClose{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hardClose,
                     sizeof hardClose);
        socket->abort();
        return;
    }

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    head += "Content-Type: application/octet-stream\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    if (response.withLength)
        head += "Content-Length: "
                + QByteArray::number(response.announcedLength >= 0 ? response.announcedLength : response.body.size())
                + "\r\n";
    head += "Connection: close\r\n\r\n";

    if (response.kind == Response::Kind::Stall) {
        // Two pieces some time apart: the client reports progress at most every 100 ms,
        // so a single burst would show none before the stall.
        const int quarter = response.body.size() / 4;
        socket->write(head + response.body.left(quarter));
        const QByteArray second = response.body.mid(quarter, quarter);
        QPointer<QSslSocket> alive(socket);
        QTimer::singleShot(300, this, [alive, second] {
            if (alive)
                alive->write(second);
        });
        return;
    }
    socket->write(head + response.body);
    socket->disconnectFromHost();
}
