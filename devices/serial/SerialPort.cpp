// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPort.h"

#include "serial/PlatformAccess.h"
#include "serial/PortList.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/SerialPortListModel.h"
#include "serial/SerialProtocol.h"
#include "serial/UsbDescriptionSource.h"

#include <QDebug>
#include <QTimer>

SerialPort::SerialPort(const QString &brand, UsbDescriptionSource *usb, SerialPortCatalogue *ports,
                       QObject *parent)
    : QSerialPort(parent)
    , m_portList(new SerialPortListModel(this))
    , m_brand(brand)
    , m_usb(usb)
    , m_ports(ports)
    , m_refreshTimer(new QTimer(this))
{
    refreshPortList();
    connect(this, &QSerialPort::readyRead, this, &SerialPort::readDataSlot);
    // First of all listeners: whoever hears of an error next finds the loss
    // already noted.
    connect(this, &QSerialPort::errorOccurred, this, &SerialPort::onError);
    // A reply cut short by closing the port must not join the next one's start.
    connect(this, &QIODevice::aboutToClose, this, [this] {
        m_splitter.clear();
        m_imageExclusive = false;
    });
    connect(m_refreshTimer, &QTimer::timeout, this, [this] { refreshPortList(); });
    m_refreshTimer->start(kRefreshIntervalMs);
}

SerialPort::~SerialPort()
{
    blockSignals(true);
    if (isOpen())
        close();
}

void SerialPort::refreshPortList(bool logEachPort)
{
    const UsbDescriptionMap descriptions = m_usb
        ? m_usb->findUsbDeviceDescriptions(QStringLiteral("USB"), m_brand, false)
        : UsbDescriptionMap();
    const QList<SerialPortEntry> ports = m_ports ? m_ports->availablePorts()
                                                 : QList<SerialPortEntry>();
    PortList::refresh(m_portList, descriptions, ports, logEachPort);
}

SerialPort::OpenFailure SerialPort::classifyOpenFailure(QSerialPort::SerialPortError error,
                                                       bool accessible)
{
    switch (error) {
    case QSerialPort::NoError:
        return OpenFailure::None;
    case QSerialPort::PermissionError:
        return accessible ? OpenFailure::Busy : OpenFailure::Permission;
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Missing;
    default:
        return OpenFailure::Other;
    }
}

QString SerialPort::openFailureText(QSerialPort::SerialPortError error, const QString &portName,
                                    const QString &errorString, bool accessible)
{
    const OpenFailure kind = classifyOpenFailure(error, accessible);
    if (kind == OpenFailure::Permission) {
        return tr("You are not allowed to open the serial port %1.\n\n"
                  "Install the panel's udev rule (70-quill-tool.rules, which gives the "
                  "logged-in user the unit's port), or add your user to the group that owns "
                  "the port (usually \"dialout\", for example with: sudo usermod -aG dialout "
                  "$USER), then log out and in again.")
            .arg(portName);
    }
    if (kind == OpenFailure::Busy) {
        return tr("The serial port %1 is in use by another program and cannot be opened.\n\n"
                  "Close the program that holds it. ModemManager often claims new USB serial "
                  "devices for a while after they are plugged in; wait a moment or stop it, "
                  "then try again.")
            .arg(portName);
    }
    if (kind == OpenFailure::Missing) {
        return tr("The serial port %1 is no longer there. Check that the device is plugged in.")
            .arg(portName);
    }
    return tr("The serial port %1 could not be opened: %2").arg(portName, errorString);
}

bool SerialPort::tryOpenPort(const QString &portName, int baudRate, QString *failure,
                             OpenFailure *kind)
{
    if (kind)
        *kind = OpenFailure::None;
    if (portName.isEmpty()) {
        if (failure)
            *failure = tr("Port name error. Please choose a valid COM port.");
        if (kind)
            *kind = OpenFailure::NoName;
        return false;
    }
    if (isOpen())
        close();
    setPortName(portName);
    setBaudRate(baudRate, QSerialPort::AllDirections);
    m_splitter.clear();
    m_lossPending = false;
    if (open(QIODevice::ReadWrite))
        return true;

    const QSerialPort::SerialPortError failedWith = error();
    const QString location = portName.startsWith(QLatin1Char('/'))
        ? portName : QStringLiteral("/dev/") + portName;
    const bool accessible = PlatformAccess::mayReadWrite(location);
    qWarning().noquote() << "Failed to open serial port" << portName << ":" << errorString()
                         << "code" << failedWith;
    if (failure)
        *failure = openFailureText(failedWith, portName, errorString(), accessible);
    if (kind)
        *kind = classifyOpenFailure(failedWith, accessible);
    return false;
}

bool SerialPort::openPort(const QString &portName, int baudRate)
{
    if (portName.isEmpty()) {
        emit portNameError();
        return false;
    }
    QString failure;
    if (tryOpenPort(portName, baudRate, &failure))
        return true;
    emit openFailed(failure);
    return false;
}

bool SerialPort::writeCommand(quint8 code)
{
    if (m_imageExclusive) {
        qWarning().noquote() << "Serial command" << Qt::hex << code
                             << "dropped: the port carries a firmware image";
        return false;
    }
    if (!isOpen() || m_lossPending) {
        qWarning().noquote() << "Serial command" << Qt::hex << code << "not written: the port is not open";
        return false;
    }
    if (PlatformAccess::serialLineHungUp(qintptr(handle()))) {
        qWarning().noquote() << "Serial command" << Qt::hex << code << "not written:" << portName() << "is gone";
        closeLost();
        return false;
    }
    const QByteArray frame = SerialProtocol::commandFrame(code);
    if (write(frame) != frame.size()) {
        qWarning().noquote() << "Failed to write serial command" << Qt::hex << code << ":"
                             << errorString();
        return false;
    }
    return true;
}

void SerialPort::setImageExclusive(bool exclusive)
{
    m_imageExclusive = exclusive && isOpen();
}

qint64 SerialPort::writeImage(const QByteArray &bytes)
{
    m_writingImage = true;
    const qint64 written = write(bytes);
    m_writingImage = false;
    return written;
}

qint64 SerialPort::writeData(const char *data, qint64 maxSize)
{
    if (m_imageExclusive && !m_writingImage) {
        // Raw image bytes have no framing: anything between them would be
        // flashed as firmware.
        qWarning().noquote() << "Refused" << maxSize << "bytes for" << portName()
                             << "while a firmware image is going out";
        setErrorString(tr("Nothing else may be written while a firmware image is going out"));
        emit foreignWriteRefused();
        return -1;
    }
    return QSerialPort::writeData(data, maxSize);
}

bool SerialPort::meansGone(QSerialPort::SerialPortError error, bool hungUp, bool transientErrno)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
        return hungUp || !transientErrno;
    case QSerialPort::ReadError:
        // Qt reports a read that returned nothing as a read error, whatever
        // errno it finds: on a tty that is the end of the line.
        return true;
    case QSerialPort::UnknownError:
        return hungUp;
    default:
        return false;
    }
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !isOpen() || m_lossPending)
        return;
    const bool transient = PlatformAccess::lastErrorIsTransient();
    const bool hungUp = PlatformAccess::serialLineHungUp(qintptr(handle()));
    if (!meansGone(error, hungUp, transient)) {
        if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError)
            qDebug().noquote() << "Transient serial error on" << portName() << ":" << errorString();
        return;
    }
    qWarning().noquote() << "Serial port lost:" << portName() << ":" << errorString();
    // Closed from the event loop, not inside the read that failed: the port's
    // reader still touches its buffer after telling of the error.
    m_lossPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            // Closed or reopened meanwhile by its owner: nothing is lost.
            if (m_lossPending && isOpen())
                closeLost();
            m_lossPending = false;
        },
        Qt::QueuedConnection);
}

void SerialPort::closeLost()
{
    // Errors the closing itself raises on a dead line are part of this loss.
    m_lossPending = true;
    if (isOpen())
        close();
    m_lossPending = false;
    emit portLost();
}

void SerialPort::readDataSlot()
{
    const QList<QByteArray> replies = m_splitter.feed(readAll());
    for (const QByteArray &reply : replies)
        handleReply(reply);
}

void SerialPort::handleReply(const QByteArray &bytes)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(bytes);
    if (m_imageExclusive && !reply.eraseEnd && !reply.acknowledgement) {
        qWarning().noquote() << "Ignored during the firmware image:" << bytes.toHex(' ');
        return;
    }
    emit showdata(bytes);
    if (reply.hasModel) {
        emit send_Brio(reply.model);
        writeCommand(SerialProtocol::QueryVersion);
    } else if (reply.hasVersion) {
        emit send_vesion(reply.version);
    }
    if (reply.eraseEnd) {
        emit send_erase(true);
    } else if (reply.acknowledgement) {
        m_readyForNext = true;
        emit acknowledged();
    }
}
