// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// What a firmware transfer needs of the link to a unit: commands and image
// chunks out, the replies it acts on in, and for the automatic flow a way to
// the unit's upgrade-mode port. SerialFirmwareLink is the unit's serial port;
// a link held in memory lets the transfer run without any device.
class FirmwareLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool writeCommand(quint8 code) = 0;
    // Bytes taken, or -1 on an error (errorString() says which).
    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual bool flush() = 0;
    virtual QString errorString() const = 0;

    // Set by an acknowledgement, cleared by the transfer with each chunk.
    virtual bool readyForNext() const = 0;
    virtual void setReadyForNext(bool ready) = 0;

    // The name of a present port whose description holds tag, in a list
    // read afresh; empty when there is none.
    virtual QString findPortContaining(const QString &tag) = 0;
    virtual void close() = 0;
    // On failure *failure says why.
    virtual bool tryOpenPort(const QString &portName, int baudRate, QString *failure) = 0;

    // From the erase to the transfer's end the link carries the image alone;
    // writeImage() is then the one way out. A link that cannot hold anyone
    // else off keeps the defaults.
    virtual void setImageExclusive(bool) {}
    virtual qint64 writeImage(const QByteArray &bytes) { return write(bytes); }

signals:
    void eraseEnded();
    void acknowledged();
    void modelReported(const QString &model);
    void errorOccurred(QSerialPort::SerialPortError error);
    void aboutToClose();
    // Something else tried to write while the link was image-exclusive.
    void foreignWriteRefused();
};
