// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/FirmwareLink.h"

class SerialPort;

// A firmware transfer's link through the unit's serial port, which keeps
// cutting and parsing the replies for everyone else who listens to it.
class SerialFirmwareLink : public FirmwareLink
{
    Q_OBJECT
public:
    explicit SerialFirmwareLink(SerialPort *port, QObject *parent = nullptr);

    bool writeCommand(quint8 code) override;
    qint64 write(const QByteArray &bytes) override;
    bool flush() override;
    QString errorString() const override;
    bool readyForNext() const override;
    void setReadyForNext(bool ready) override;
    QString findPortContaining(const QString &tag) override;
    void close() override;
    bool tryOpenPort(const QString &portName, int baudRate, QString *failure) override;
    void setImageExclusive(bool exclusive) override;
    qint64 writeImage(const QByteArray &bytes) override;

private:
    SerialPort *m_port;
};
