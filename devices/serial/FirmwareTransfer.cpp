// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/FirmwareTransfer.h"

#include "serial/SerialFirmwareLink.h"
#include "serial/SerialProtocol.h"

#include <QDebug>
#include <QThread>

#include <algorithm>

FirmwareTransfer::FirmwareTransfer(SerialPort *port, const Timing &timing, QObject *parent)
    : FirmwareTransfer(new SerialFirmwareLink(port), timing, parent)
{
    m_link->setParent(this);
}

FirmwareTransfer::FirmwareTransfer(FirmwareLink *link, const Timing &timing, QObject *parent)
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
    m_ackWait.setSingleShot(true);
    connect(&m_pacing, &QTimer::timeout, this, &FirmwareTransfer::sendNextChunk);
    connect(&m_step, &QTimer::timeout, this, &FirmwareTransfer::onStep);
    connect(&m_eraseWait, &QTimer::timeout, this, [this] {
        fail(tr("The device did not finish erasing its firmware. The upgrade was stopped."));
    });
    connect(&m_ackWait, &QTimer::timeout, this, [this] {
        fail(tr("The device stopped answering during the upgrade. %1 of %2 bytes were written.")
                 .arg(m_sent)
                 .arg(m_image.size()));
    });
    connect(m_link, &FirmwareLink::errorOccurred, this, &FirmwareTransfer::onLinkError);
    connect(m_link, &FirmwareLink::aboutToClose, this, &FirmwareTransfer::onLinkClosing);
    connect(m_link, &FirmwareLink::eraseEnded, this, &FirmwareTransfer::onEraseEnd);
    connect(m_link, &FirmwareLink::foreignWriteRefused, this, [this] {
        if (m_state == State::Erasing || m_state == State::Erased || m_state == State::Sending)
            fail(tr("Something else tried to write to the device while its firmware was being written. "
                    "The upgrade was stopped; write the image again."));
    });
    connect(m_link, &FirmwareLink::modelReported, this, [this](const QString &model) {
        if (!model.isEmpty())
            m_family = familyForModel(model);
    });
    // Queued: the rest of the read that brought the acknowledgement (a copy
    // of it, say) is taken in before the next chunk leaves.
    connect(m_link, &FirmwareLink::acknowledged, this, &FirmwareTransfer::onAcknowledged,
            Qt::QueuedConnection);
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

void FirmwareTransfer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void FirmwareTransfer::fail(const QString &message)
{
    qWarning().noquote() << "Firmware transfer stopped:" << message;
    stopTimers();
    m_pendingImage.clear();
    m_startWhenErased = false;
    // The unit is half erased or half written, or its port is dead: nothing
    // more is said on this port until it is opened again.
    closeLink();
    setState(State::Idle);
    emit failed(message);
}

void FirmwareTransfer::closeLink()
{
    m_link->setImageExclusive(false);
    m_closingOnPurpose = true;
    m_link->close();
    m_closingOnPurpose = false;
}

void FirmwareTransfer::stopTimers()
{
    m_pacing.stop();
    m_step.stop();
    m_eraseWait.stop();
    m_ackWait.stop();
    m_waitingForAck = false;
}

void FirmwareTransfer::abort()
{
    m_link->setImageExclusive(false);
    stopTimers();
    m_pendingImage.clear();
    m_startWhenErased = false;
    setState(State::Idle);
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
    prepare();
    return true;
}

bool FirmwareTransfer::startUpgradeMode()
{
    if (isBusy()) {
        emit failed(tr("An upgrade is already running."));
        return false;
    }
    m_pendingImage.clear();
    prepare();
    return true;
}

void FirmwareTransfer::prepare()
{
    m_lastOpenFailure.clear();
    setState(State::Preparing);
    if (m_link->writeCommand(SerialProtocol::PrepareUpgrade))
        m_link->flush();
    emit preparing();
    // The unit re-enumerates meanwhile; the window keeps painting.
    m_step.start(m_timing.prepareWaitMs);
}

void FirmwareTransfer::onStep()
{
    if (m_state == State::Preparing) {
        // The normal-mode port is gone or going: it is let go now, so that
        // neither a search that fails nor its errors keep it.
        closeLink();
        emit preparationEnded();
        setState(State::FindingUpgradePort);
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
    const QString portName = m_link->findPortContaining(QString::fromLatin1(SerialProtocol::kUpgradeModeTag));
    if (!portName.isEmpty()) {
        closeLink();
        QString why;
        if (m_link->tryOpenPort(portName, SerialProtocol::kBaudRate, &why)) {
            qDebug().noquote() << "Opened upgrade port" << portName;
            if (m_pendingImage.isEmpty()) {
                setState(State::Idle);
                emit upgradePortOpened(portName);
                return;
            }
            m_image = m_pendingImage;
            m_pendingImage.clear();
            m_sent = 0;
            m_chunk.clear();
            writeErase(AfterErase::StartSending);
            return;
        }
        // Just after re-enumeration the port may still be probed by
        // ModemManager or wait for udev's permissions: try again.
        qDebug().noquote() << "Upgrade port" << portName << "not open yet:" << why;
        m_lastOpenFailure = why;
    }
    if (m_searching.elapsed() >= m_timing.upgradePortTimeoutMs) {
        if (!m_lastOpenFailure.isEmpty()) {
            fail(tr("The device's upgrade port could not be opened. Nothing was erased.\n\n%1")
                     .arg(m_lastOpenFailure));
        } else {
            fail(tr("The device did not come back in upgrade mode. Nothing was erased.\n\n"
                    "Unplug the device, plug it in again and retry, or put it into upgrade "
                    "mode by hand as the product manual describes."));
        }
        return;
    }
    m_step.start(m_timing.upgradePortRetryMs);
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
    stopTimers();
    m_startWhenErased = false;
    setState(State::Idle);
    return true;
}

void FirmwareTransfer::unloadImage()
{
    if (isBusy())
        return;
    m_image.clear();
    m_sent = 0;
    m_chunk.clear();
    abort();
}

bool FirmwareTransfer::writeErase(AfterErase after)
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
    m_link->setImageExclusive(true);
    m_startWhenErased = after == AfterErase::StartSending;
    setState(State::Erasing);
    m_eraseWait.start(m_timing.eraseTimeoutMs);
    emit eraseWritten();
    return true;
}

void FirmwareTransfer::onEraseEnd()
{
    if (m_state != State::Erasing) {
        // Only an erase written for the loaded image opens the way to its
        // chunks; a repeated or stray one must not restart a transfer.
        qWarning() << "ERASE END ignored in state" << m_state;
        return;
    }
    m_eraseWait.stop();
    setState(State::Erased);
    if (m_startWhenErased) {
        m_startWhenErased = false;
        beginSending();
    }
}

void FirmwareTransfer::takeChunk()
{
    const qint64 length = std::min<qint64>(m_image.size() - m_sent, kChunkSize);
    m_chunk = m_image.mid(int(m_sent), int(std::max<qint64>(length, 0)));
}

bool FirmwareTransfer::beginSending()
{
    if (m_state != State::Erased || m_image.isEmpty()) {
        qWarning() << "Not sending the firmware image: the device is not erased for it";
        return false;
    }
    stopTimers();
    setState(State::Sending);
    m_link->setReadyForNext(true);
    m_sinceChunk.invalidate();
    m_sent = 0;
    takeChunk();
    sendNextChunk();
    return true;
}

void FirmwareTransfer::onAcknowledged()
{
    if (m_state != State::Sending || !m_link->readyForNext())
        return;
    m_ackWait.stop();
    if (m_sent >= m_image.size()) {
        // The last chunk is acknowledged: only now is the image written.
        m_link->setImageExclusive(false);
        setState(State::Idle);
        emit finished();
        return;
    }
    if (m_waitingForAck) {
        m_waitingForAck = false;
        sendNextChunk();
    }
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
        // A late acknowledgement: the chunk goes when it comes, never before;
        // m_ackWait gives up once the unit has been silent too long.
        m_waitingForAck = true;
        return;
    }

    if (!waitOutPacing())
        return;

    const qint64 written = m_link->writeImage(m_chunk);
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
    m_ackWait.start(m_timing.ackTimeoutMs);
    if (m_sent < m_image.size()) {
        emit chunkWritten(m_sent, m_image.size());
        m_pacing.start(std::max(0, pacingMs() - 1));
    }
    // Logged last: a blocked log stream must not stand between a chunk and its
    // signal, which those who time the chunks take as the moment of writing.
    qDebug() << "Firmware bytes sent:" << m_sent << "last" << written;
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

QString FirmwareTransfer::lostText() const
{
    return tr("The connection to the device was lost during the upgrade "
              "(unplugged, switched off or the port closed). %1 of %2 bytes were written.")
        .arg(m_sent)
        .arg(m_image.size());
}

void FirmwareTransfer::onLinkError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    // While preparing, the old port vanishing is the unit re-enumerating.
    if (error != QSerialPort::ResourceError && error != QSerialPort::WriteError
        && error != QSerialPort::ReadError)
        return;
    if (m_state == State::Erasing || m_state == State::Sending) {
        qWarning().noquote() << "Serial error during the upgrade:" << m_link->errorString();
        fail(lostText());
    } else if (m_state == State::Erased) {
        abort();
    }
}

void FirmwareTransfer::onLinkClosing()
{
    if (m_closingOnPurpose)
        return;
    if (m_state == State::Erasing || m_state == State::Sending)
        fail(lostText());
    else if (m_state == State::Erased)
        abort();
}
