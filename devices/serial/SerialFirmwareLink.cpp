// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialFirmwareLink.h"

#include "serial/PortList.h"
#include "serial/SerialPort.h"

SerialFirmwareLink::SerialFirmwareLink(SerialPort *port, QObject *parent)
    : FirmwareLink(parent)
    , m_port(port)
{
    connect(m_port, &QSerialPort::errorOccurred, this, &FirmwareLink::errorOccurred);
    connect(m_port, &QIODevice::aboutToClose, this, &FirmwareLink::aboutToClose);
    connect(m_port, &SerialPort::send_erase, this, [this](bool erased) {
        if (erased)
            emit eraseEnded();
    });
    connect(m_port, &SerialPort::send_Brio, this, &FirmwareLink::modelReported);
    connect(m_port, &SerialPort::acknowledged, this, &FirmwareLink::acknowledged);
    connect(m_port, &SerialPort::foreignWriteRefused, this, &FirmwareLink::foreignWriteRefused);
}

bool SerialFirmwareLink::writeCommand(quint8 code)
{
    return m_port->writeCommand(code);
}

qint64 SerialFirmwareLink::write(const QByteArray &bytes)
{
    return m_port->write(bytes);
}

bool SerialFirmwareLink::flush()
{
    return m_port->flush();
}

QString SerialFirmwareLink::errorString() const
{
    return m_port->errorString();
}

bool SerialFirmwareLink::readyForNext() const
{
    return m_port->readyForNext();
}

void SerialFirmwareLink::setReadyForNext(bool ready)
{
    m_port->setReadyForNext(ready);
}

QString SerialFirmwareLink::findPortContaining(const QString &tag)
{
    m_port->refreshPortList();
    return PortList::findPortContaining(*m_port->portList(), tag);
}

void SerialFirmwareLink::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SerialFirmwareLink::tryOpenPort(const QString &portName, int baudRate, QString *failure)
{
    return m_port->tryOpenPort(portName, baudRate, failure);
}

void SerialFirmwareLink::setImageExclusive(bool exclusive)
{
    m_port->setImageExclusive(exclusive);
}

qint64 SerialFirmwareLink::writeImage(const QByteArray &bytes)
{
    return m_port->writeImage(bytes);
}
