#include "serial/FirmwareTransfer.h"

#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"

#include <QDebug>
#include <QThread>

#include <algorithm>

FirmwareTransfer::FirmwareTransfer(SerialPort *link, const Timing &timing, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_timing(timing)
{
    m_pacing.setSingleShot(true);
    // Timers wake on whole milliseconds and late rather than early; over a
    // thousand chunks that alone would be 5 % above the pacing floor. The
    // timer is set a millisecond short and waitOutPacing() sleeps the rest.
    m_pacing.setTimerType(Qt::PreciseTimer);
    m_step.setSingleShot(true);
    m_eraseWait.setSingleShot(true);
    connect(&m_pacing, &QTimer::timeout, this, &FirmwareTransfer::sendNextChunk);
    connect(&m_step, &QTimer::timeout, this, &FirmwareTransfer::onStep);
    connect(&m_eraseWait, &QTimer::timeout, this, [this] {
        fail(tr("The device did not finish erasing its firmware. The upgrade was stopped."));
    });
    connect(m_link, &QSerialPort::errorOccurred, this, &FirmwareTransfer::onLinkError);
    connect(m_link, &SerialPort::send_erase, this, [this](bool erased) {
        if (erased && m_state == State::Erasing) {
            m_eraseWait.stop();
            m_state = State::Erased;
        }
    });
}

int FirmwareTransfer::familyForModel(const QString &model)
{
    return model.contains(QLatin1String("30")) ? 2 : 1;
}

int FirmwareTransfer::pacingMs() const
{
    return m_family == 2 ? m_timing.fastPacingMs : m_timing.slowPacingMs;
}

bool FirmwareTransfer::isBusy() const
{
    return m_state == State::Preparing || m_state == State::FindingUpgradePort
        || m_state == State::Erasing || m_state == State::Sending;
}

bool FirmwareTransfer::expectsEraseEnd() const
{
    return !m_image.isEmpty()
        && (m_state == State::Erasing || m_state == State::Erased || m_state == State::Sending);
}

int FirmwareTransfer::mainWindowProgress(qint64 sent, qint64 size)
{
    if (size <= 0)
        return 0;
    const double p = double(sent) / double(size) * 100.0;
    if (p > 98.0 && p < 100.0)
        return 100;
    return int(p);
}

int FirmwareTransfer::dialogProgress(qint64 sent, qint64 size)
{
    if (size <= 0)
        return 0;
    const int p = int(double(sent) / double(size) * 100.0);
    return std::clamp(p, 0, 99);
}

void FirmwareTransfer::fail(const QString &message)
{
    qWarning().noquote() << "Firmware transfer stopped:" << message;
    stopTimers();
    m_state = State::Idle;
    m_pendingImage.clear();
    emit failed(message);
}

void FirmwareTransfer::stopTimers()
{
    m_pacing.stop();
    m_step.stop();
    m_eraseWait.stop();
}

void FirmwareTransfer::abort()
{
    stopTimers();
    m_state = State::Idle;
    m_pendingImage.clear();
}

bool FirmwareTransfer::startAutomaticUpgrade(const QByteArray &image)
{
    if (image.isEmpty()) {
        emit failed(tr("The firmware image is empty. Nothing was written to the device."));
        return false;
    }
    if (isBusy()) {
        emit failed(tr("An upgrade is already running."));
        return false;
    }
    m_pendingImage = image;
    m_state = State::Preparing;
    if (m_link->writeCommand(SerialProtocol::PrepareUpgrade))
        m_link->flush();
    emit preparing();
    // The unit re-enumerates meanwhile; the window keeps painting.
    m_step.start(m_timing.prepareWaitMs);
    return true;
}

void FirmwareTransfer::onStep()
{
    if (m_state == State::Preparing) {
        emit preparationEnded();
        m_state = State::FindingUpgradePort;
        m_searching.start();
        searchUpgradePort();
    } else if (m_state == State::FindingUpgradePort) {
        searchUpgradePort();
    }
}

void FirmwareTransfer::searchUpgradePort()
{
    if (m_state != State::FindingUpgradePort)
        return;
    m_link->refreshPortList();
    const QString portName = PortList::findPortContaining(
        m_link->portList(), QString::fromLatin1(SerialProtocol::kUpgradeModeTag));
    if (portName.isEmpty()) {
        if (m_searching.elapsed() >= m_timing.upgradePortTimeoutMs) {
            fail(tr("The device did not come back in upgrade mode. Nothing was erased.\n\n"
                    "Unplug the device, plug it in again and retry, or put it into upgrade "
                    "mode by hand as the product manual describes."));
            return;
        }
        m_step.start(m_timing.upgradePortRetryMs);
        return;
    }
    m_link->close();
    QString why;
    if (!m_link->tryOpenPort(portName, SerialProtocol::kBaudRate, &why)) {
        fail(tr("The device's upgrade port could not be opened. Nothing was erased.\n\n%1")
                 .arg(why));
        return;
    }
    qDebug().noquote() << "Opened upgrade port" << portName;
    m_image = m_pendingImage;
    m_pendingImage.clear();
    m_state = State::Idle;
    writeErase();
}

bool FirmwareTransfer::loadImage(const QByteArray &image)
{
    if (image.isEmpty()) {
        qWarning() << "Refusing an empty firmware image";
        return false;
    }
    if (isBusy())
        return false;
    m_image = image;
    m_sent = 0;
    m_chunk.clear();
    return true;
}

bool FirmwareTransfer::writeErase()
{
    if (m_image.isEmpty()) {
        fail(tr("There is no firmware image to write, so the device was not erased."));
        return false;
    }
    if (!m_link->writeCommand(SerialProtocol::EraseFirmware)) {
        fail(tr("The erase command could not be written: %1").arg(m_link->errorString()));
        return false;
    }
    stopTimers();
    m_state = State::Erasing;
    m_eraseWait.start(m_timing.eraseTimeoutMs);
    emit eraseWritten();
    return true;
}

void FirmwareTransfer::takeChunk()
{
    const qint64 length = std::min<qint64>(m_image.size() - m_sent, kChunkSize);
    m_chunk = m_image.mid(int(m_sent), int(std::max<qint64>(length, 0)));
}

bool FirmwareTransfer::beginSending()
{
    if (m_image.isEmpty()) {
        qWarning() << "No firmware image to send";
        return false;
    }
    stopTimers();
    m_state = State::Sending;
    m_link->setReadyForNext(true);
    m_sent = 0;
    takeChunk();
    sendNextChunk();
    return true;
}

void FirmwareTransfer::sendNextChunk()
{
    if (m_state != State::Sending)
        return;
    if (m_sent >= m_image.size()) {
        qDebug() << "Firmware image already sent";
        return;
    }
    if (!m_link->readyForNext()) {
        // A late acknowledgement: look again at the pacing interval, never
        // send ahead of it, and give up once the unit has been silent too long.
        if (m_sinceChunk.isValid() && m_sinceChunk.elapsed() >= m_timing.ackTimeoutMs) {
            fail(tr("The device stopped answering during the upgrade. "
                    "%1 of %2 bytes were written.")
                     .arg(m_sent)
                     .arg(m_image.size()));
            return;
        }
        m_pacing.start(pacingMs());
        return;
    }

    if (!waitOutPacing())
        return;

    const qint64 written = m_link->write(m_chunk);
    m_link->flush();
    m_link->setReadyForNext(false);
    m_sinceChunk.start();
    if (written < 0) {
        qWarning().noquote() << "Error writing to serial port:" << m_link->errorString();
        fail(tr("Error writing to serial port: %1").arg(m_link->errorString()));
        return;
    }
    if (written < m_chunk.size())
        qWarning() << "Only" << written << "bytes written, expected" << m_chunk.size();

    m_sent += written;
    takeChunk();
    qDebug() << "Firmware bytes sent:" << m_sent << "last" << written;

    if (m_sent < m_image.size()) {
        emit chunkWritten(m_sent, m_image.size());
        m_pacing.start(std::max(0, pacingMs() - 1));
    } else {
        m_state = State::Idle;
        emit finished();
    }
}

bool FirmwareTransfer::waitOutPacing()
{
    if (!m_sinceChunk.isValid())
        return true;
    const qint64 remainingNs = qint64(pacingMs()) * 1000000 - m_sinceChunk.nsecsElapsed();
    if (remainingNs <= 0)
        return true;
    if (remainingNs > kLongestPacingSleepNs) {
        m_pacing.start(int(remainingNs / 1000000));
        return false;
    }
    // At most a millisecond and a half, so the window stays responsive.
    QThread::usleep(unsigned(remainingNs / 1000) + 1);
    return true;
}

void FirmwareTransfer::onLinkError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    // While preparing, the old port vanishing is the unit re-enumerating.
    if (m_state != State::Erasing && m_state != State::Sending)
        return;
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError
        || error == QSerialPort::ReadError) {
        qWarning().noquote() << "Serial error during the upgrade:" << m_link->errorString();
        fail(tr("The connection to the device was lost during the upgrade "
                "(unplugged or switched off). %1 of %2 bytes were written.")
                 .arg(m_sent)
                 .arg(m_image.size()));
    }
}
