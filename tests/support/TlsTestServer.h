// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QTcpServer>

class QSslSocket;

// A small HTTPS server on 127.0.0.1 for the update checks: it answers GET requests from a
// table of paths and can misbehave on purpose.
class TlsTestServer : public QTcpServer
{
    Q_OBJECT
public:
    struct Response
    {
        enum class Kind {
            Normal, // status line, headers, body, then the connection closes
            Reset,  // the connection is reset right after the request
            Stall,  // headers with the full length, half the body in two pieces, then nothing more
        };
        int status = 200;
        QByteArray body;
        bool withLength = true; // false: no Content-Length, the body ends when the connection does
        Kind kind = Kind::Normal;
        QByteArray location = {}; // sent as a Location header when not empty (with a 3xx status)
        qint64 announcedLength = -1; // when not -1, the Content-Length sent instead of the body's own
    };
    static Response redirect(const QByteArray &location) { return Response{302, {}, true, Response::Kind::Normal, location}; }

    TlsTestServer(const QString &certFile, const QString &keyFile, QObject *parent = nullptr);

    // Listens on 127.0.0.1 on a free port.
    bool start();
    QString baseUrl() const;

    void serve(const QString &path, const Response &response);
    void serve(const QString &path, const QByteArray &body) { serve(path, Response{200, body}); }

    // Paths of the requests received so far (only those that made it through the handshake).
    QStringList requests() const { return requested; }
    int openConnections() const { return connections; }

signals:
    void requestReceived(const QString &path);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void onReadyRead(QSslSocket *socket);
    void respond(QSslSocket *socket, const QString &path);

    QSslCertificate certificate;
    QSslKey key;
    QHash<QString, Response> routes;
    QHash<QSslSocket *, QByteArray> pending;
    QStringList requested;
    int connections = 0;
};
