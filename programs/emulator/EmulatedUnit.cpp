// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/EmulatedUnit.h"

#include "emulator/SerialUnitMessages.h"

#include <QDebug>

#include <algorithm>

using UnitMessages::Request;

namespace {
// A stream that fell further behind than this (a blocked event loop) skips to
// the present instead of sending a burst of stale quarter frames.
constexpr qint64 kMaxQuarterFramesBehind = 8;
} // namespace

EmulatedUnit::EmulatedUnit(Model model, const QString &firmwareVersion, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_firmwareVersion(firmwareVersion)
    , m_source(UnitMessages::hasGenerator(model) ? UnitMessages::SourceGenerator : UnitMessages::SourceUsb)
    , m_streamTimer(this)
    , m_outboxTimer(this)
    , m_serialTimer(this)
    , m_chunkIdleTimer(this)
    , m_imageEndTimer(this)
    , m_eraseTimer(this)
    , m_rebootTimer(this)
    , m_modeTimer(this)
{
    m_clock.start();
    m_streamTimer.setSingleShot(true);
    m_streamTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_streamTimer, &QTimer::timeout, this, &EmulatedUnit::streamTick);
    m_outboxTimer.setSingleShot(true);
    m_outboxTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outboxTimer, &QTimer::timeout, this, &EmulatedUnit::flushMidi);
    for (QTimer *timer : {&m_chunkIdleTimer, &m_imageEndTimer, &m_eraseTimer, &m_rebootTimer, &m_modeTimer})
        timer->setSingleShot(true);
    connect(&m_chunkIdleTimer, &QTimer::timeout, this, [this] { acknowledgeChunks(true); });
    connect(&m_imageEndTimer, &QTimer::timeout, this, &EmulatedUnit::finishImage);
    connect(&m_eraseTimer, &QTimer::timeout, this, [this] {
        if (m_serialMode != SerialMode::Upgrade)
            return;
        if (m_faults.failAcks) {
            answerSerial(SerialUnitMessages::eraseFailed());
            return;
        }
        m_receivingImage = true;
        m_image.clear();
        m_imageAcked = 0;
        answerSerial(SerialUnitMessages::eraseEnd());
    });
    connect(&m_rebootTimer, &QTimer::timeout, this, [this] { reenumerate(SerialMode::Normal, m_timing.reenumerateMs); });
    connect(&m_modeTimer, &QTimer::timeout, this, [this] { setSerialMode(m_pendingMode); });
    m_serialTimer.setSingleShot(true);
    m_serialTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_serialTimer, &QTimer::timeout, this, [this] {
        if (!m_serialOutbox.isEmpty())
            m_serialOutbox.first().gapBeforeMs = 0;
        flushSerial();
    });
}

EmulatedUnit::~EmulatedUnit() = default;

FrameClock::Label EmulatedUnit::position() const
{
    return FrameClock::labelForFrame(m_running ? m_frame + framesPlayed() : m_frame, m_rate);
}

void EmulatedUnit::powerOn()
{
    if (m_present)
        return;
    m_present = true;
    emit presenceChanged(true);
    if (hasSerialPort())
        setSerialMode(SerialMode::Normal);
}

void EmulatedUnit::unplug()
{
    stopStream();
    m_outbox.clear();
    m_outboxTimer.stop();
    for (QTimer *timer : {&m_chunkIdleTimer, &m_imageEndTimer, &m_eraseTimer, &m_rebootTimer, &m_modeTimer})
        timer->stop();
    m_receivingImage = false;
    setSerialMode(SerialMode::Absent);
    if (m_present) {
        m_present = false;
        emit presenceChanged(false);
    }
}

void EmulatedUnit::replug(int awayMs)
{
    unplug();
    QTimer::singleShot(awayMs, this, &EmulatedUnit::powerOn);
}

// MIDI --------------------------------------------------------------------

void EmulatedUnit::receiveMidi(const QByteArray &message)
{
    if (!m_present || m_faults.silent)
        return;
    handleRequest(UnitMessages::parseRequest(message));
}

void EmulatedUnit::handleRequest(const Request &request)
{
    using namespace UnitMessages;
    const bool network = hasNetwork(m_model);
    const bool osc = hasOsc(m_model);
    switch (request.kind) {
    case Request::Unknown:
        break;
    case Request::Identify:
        answerMidi(deviceTypeReply(m_model));
        // Lets the panel show where the unit takes its time code from.
        answerMidi(sourceReport(m_source));
        break;
    case Request::Stop:
        if (m_running) {
            // Frame duration from the quarter-frame timing, in nanoseconds.
            const double frameNs = FrameClock::quarterFrameOffsetNs(4000000, m_rate) / 1e6;
            const double played = double(m_clock.nsecsElapsed() - m_streamStartNs) / frameNs;
            m_stopFrame = double(m_frame) + (m_generator.reverse ? -played : played);
        }
        stopStream();
        break;
    case Request::Play:
        if (m_source == SourceGenerator)
            startStream();
        break;
    case Request::Locate:
        if (hasGenerator(m_model))
            locate(request.label, request.rate);
        break;
    case Request::SelectSource: {
        const int n = request.number;
        const bool offered = n >= SourceUsb && n <= SourceArtNet && (n != SourceGenerator || hasGenerator(m_model))
            && (n < SourceRtpMidi || network);
        if (offered) {
            m_source = n;
            if (n != SourceGenerator)
                stopStream();
        }
        // A refused choice is answered with the source that stays in force.
        answerMidi(sourceReport(m_source));
        break;
    }
    case Request::IpReadRequest:
        if (!network)
            break;
        answerMidi(ipModeFeedback(m_network.manual));
        answerMidi(ipAddressFeedback(IpAddress, m_network.address));
        answerMidi(ipAddressFeedback(IpSubnet, m_network.subnet));
        answerMidi(ipAddressFeedback(IpGateway, m_network.gateway));
        break;
    case Request::IpSetDhcp:
        if (!network || refuseSetting())
            break;
        m_network.manual = false;
        acknowledge(AckIpMode);
        break;
    case Request::IpSetAddress:
        if (!network || refuseSetting())
            break;
        if (!request.inRange) {
            acknowledge(AckFailed);
            break;
        }
        if (request.ipKind == IpAddress)
            m_network.address = request.octets;
        else if (request.ipKind == IpSubnet)
            m_network.subnet = request.octets;
        else
            m_network.gateway = request.octets;
        m_network.manual = true;
        // Address, mask and gateway arrive as three messages; the manual
        // addressing is in force, and acknowledged once, with the gateway.
        if (request.ipKind == IpGateway)
            acknowledge(AckIpMode);
        break;
    case Request::OscReadRequest:
        if (!osc)
            break;
        answerMidi(oscLocalPortFeedback(m_network.oscLocalPort));
        answerMidi(oscForwardFeedback(m_network.oscForward));
        for (int i = 0; i < 4; ++i) {
            const auto &target = m_network.oscTargets[i];
            if (target.set)
                answerMidi(oscDeviceFeedback(i + 1, target.address, target.port));
        }
        answerMidi(portFeedback(PortUdp, m_network.udpPort));
        answerMidi(portFeedback(PortTcp, m_network.tcpPort));
        break;
    case Request::OscSetDevice:
        if (!osc || refuseSetting())
            break;
        if (!request.inRange) {
            acknowledge(AckFailed);
            break;
        }
        m_network.oscTargets[request.target - 1] = {true, request.octets, request.port};
        acknowledge(quint8(AckOscDevice1 + request.target - 1));
        break;
    case Request::OscSetForward:
        if (!osc || refuseSetting())
            break;
        m_network.oscForward = request.forward;
        acknowledge(AckOscForward);
        break;
    case Request::OscSetLocalPort:
        if (!osc || refuseSetting())
            break;
        if (!request.inRange) {
            acknowledge(AckFailed);
            break;
        }
        m_network.oscLocalPort = request.port;
        acknowledge(AckOscLocalPort);
        break;
    case Request::PortSet:
        if (!osc || refuseSetting())
            break;
        if (!request.inRange) {
            acknowledge(AckFailed);
            break;
        }
        if (request.portKind == PortUdp)
            m_network.udpPort = request.port;
        else
            m_network.tcpPort = request.port;
        acknowledge(request.portKind == PortUdp ? AckUdpPort : AckTcpPort);
        break;
    case Request::OffsetSet:
        m_offsetFrames = request.offsetFrames;
        answerMidi(offsetFeedback(m_offsetFrames));
        break;
    }
}

bool EmulatedUnit::refuseSetting()
{
    if (!m_faults.failAcks)
        return false;
    acknowledge(UnitMessages::AckFailed);
    return true;
}

void EmulatedUnit::answerMidi(const QByteArray &message)
{
    sendMidi(m_faults.malformed ? UnitMessages::truncated(message) : message);
}

void EmulatedUnit::sendMidi(const QByteArray &message)
{
    if (m_timing.midiLatencyMs <= 0 && m_outbox.isEmpty()) {
        emit midiOut(message);
        return;
    }
    m_outbox.append(message);
    if (!m_outboxTimer.isActive())
        m_outboxTimer.start(m_timing.midiLatencyMs);
}

void EmulatedUnit::flushMidi()
{
    const QList<QByteArray> due = std::exchange(m_outbox, {});
    if (!m_present)
        return;
    for (const QByteArray &message : due)
        emit midiOut(message);
}

void EmulatedUnit::acknowledge(quint8 code)
{
    QByteArray message = UnitMessages::ack(code);
    if (m_faults.malformed)
        message = UnitMessages::truncated(message);
    sendAck([this, message] { sendMidi(message); });
}

void EmulatedUnit::sendAck(const std::function<void()> &send)
{
    if (m_faults.dropAcks)
        return;
    const int copies = m_faults.duplicateAcks ? 2 : 1;
    auto deliver = [send, copies] {
        for (int i = 0; i < copies; ++i)
            send();
    };
    if (m_faults.ackDelayMs > 0)
        QTimer::singleShot(m_faults.ackDelayMs, this, deliver);
    else
        deliver();
}

// Generator ----------------------------------------------------------------

void EmulatedUnit::locate(const FrameClock::Label &label, FrameRate rate)
{
    m_rate = rate;
    m_frame = FrameClock::frameNumber(label, rate);
    answerMidi(UnitMessages::fullFrame(FrameClock::labelForFrame(m_frame, rate), rate));
    if (m_running) {
        // Keeps playing from the new place, as a chasing machine does.
        m_streamStartNs = m_clock.nsecsElapsed();
        m_quarterFramesSent = 0;
        streamTick();
    }
}

void EmulatedUnit::startStream()
{
    if (m_running)
        return;
    m_running = true;
    m_streamStartNs = m_clock.nsecsElapsed();
    m_quarterFramesSent = 0;
    streamTick();
}

void EmulatedUnit::stopStream()
{
    if (!m_running)
        return;
    m_frame += framesPlayed();
    m_running = false;
    m_streamTimer.stop();
}

void EmulatedUnit::streamTick()
{
    if (!m_running)
        return;
    const qint64 now = m_clock.nsecsElapsed() - m_streamStartNs;
    if (!m_faults.silent) {
        const qint64 step = FrameClock::quarterFrameOffsetNs(1, m_rate);
        if (now - FrameClock::quarterFrameOffsetNs(m_quarterFramesSent, m_rate) > kMaxQuarterFramesBehind * step) {
            // Resume at the start of the sequence that is due now.
            qint64 due = m_quarterFramesSent;
            while (FrameClock::quarterFrameOffsetNs(due + 1, m_rate) <= now)
                ++due;
            m_quarterFramesSent = due / 8 * 8;
        }
        while (FrameClock::quarterFrameOffsetNs(m_quarterFramesSent, m_rate) <= now) {
            const qint64 k = m_quarterFramesSent++;
            // A sequence of eight pieces spans two frames and carries the
            // label of the frame its piece 0 starts; piece p leaves as the
            // unit stands p/4 frames into it. Backwards the first sequence is
            // of the label two frames back, its pieces from 7 down.
            const bool reverse = m_generator.reverse;
            const qint64 labelFrame = reverse ? m_frame - 2 - 2 * (k / 8) : m_frame + 2 * (k / 8);
            const int piece = reverse ? 7 - int(k % 8) : int(k % 8);
            const qint64 filledFrom = labelFrame + (m_generator.liveCounter ? piece / 4 : 0);
            sendMidi(UnitMessages::quarterFrame(piece, FrameClock::labelForFrame(filledFrom, m_rate), m_rate));
        }
    }
    const qint64 waitNs = FrameClock::quarterFrameOffsetNs(m_quarterFramesSent, m_rate) - now;
    m_streamTimer.start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
}

// Serial -------------------------------------------------------------------

void EmulatedUnit::receiveSerial(const QByteArray &bytes)
{
    if (m_faults.silent || m_serialMode == SerialMode::Absent)
        return;
    if (m_receivingImage) {
        // Before the first image byte a command may still come (a second
        // erase, a model query); after it everything is image.
        const auto found = SerialUnitMessages::findCommand(bytes);
        if (m_image.isEmpty() && bytes.size() == SerialUnitMessages::kCommandSize && found
            && found->end == SerialUnitMessages::kCommandSize) {
            handleSerialCommand(found->code);
            return;
        }
        takeImageBytes(bytes);
        return;
    }
    m_serialBuffer.append(bytes);
    while (const auto found = SerialUnitMessages::findCommand(m_serialBuffer)) {
        m_serialBuffer.remove(0, found->end);
        handleSerialCommand(found->code);
    }
    // Noise never grows the buffer: keep what could start a frame.
    if (m_serialBuffer.size() > SerialUnitMessages::kChunkSize)
        m_serialBuffer = m_serialBuffer.right(SerialUnitMessages::kCommandSize - 1);
}

void EmulatedUnit::handleSerialCommand(quint8 code)
{
    switch (code) {
    case SerialUnitMessages::QueryModel:
        answerSerial(SerialUnitMessages::modelReply(modelName()));
        break;
    case SerialUnitMessages::QueryVersion:
        answerSerial(SerialUnitMessages::versionReply(m_firmwareVersion));
        break;
    case SerialUnitMessages::PrepareUpgrade:
        if (m_serialMode == SerialMode::Normal)
            reenumerate(SerialMode::Upgrade, m_timing.reenumerateMs);
        break;
    case SerialUnitMessages::Erase:
        // Only the upgrade loader erases; the running firmware ignores it.
        if (m_serialMode == SerialMode::Upgrade)
            startErase();
        break;
    default:
        break;
    }
}

void EmulatedUnit::startErase()
{
    m_chattered = false;
    m_receivingImage = false;
    m_chunkIdleTimer.stop();
    m_imageEndTimer.stop();
    m_eraseTimer.start(m_timing.eraseMs);
}

void EmulatedUnit::answerSerial(const QByteArray &bytes)
{
    QByteArray reply = bytes;
    if (m_faults.malformed && reply.endsWith("\r\n"))
        reply.chop(2);
    writeSerial(reply);
}

void EmulatedUnit::writeSerial(const QByteArray &bytes, bool isAck)
{
    if (bytes.isEmpty())
        return;
    if (m_faults.splitReplies && bytes.size() >= 2) {
        // The cut wanders through the reply, so every position is met.
        const int cut = 1 + (m_splitCount++ % (bytes.size() - 1));
        m_serialOutbox.append({bytes.left(cut), 0, false});
        m_serialOutbox.append({bytes.mid(cut), kSplitGapMs, isAck});
    } else {
        m_serialOutbox.append({bytes, 0, isAck});
    }
    flushSerial();
}

void EmulatedUnit::flushSerial()
{
    if (m_serialTimer.isActive())
        return;
    while (!m_serialOutbox.isEmpty()) {
        if (m_serialOutbox.first().gapBeforeMs > 0) {
            m_serialTimer.start(m_serialOutbox.first().gapBeforeMs);
            return;
        }
        const SerialPiece piece = m_serialOutbox.takeFirst();
        if (piece.endsAck && m_acksOwed > 0)
            --m_acksOwed;
        emit serialOut(piece.bytes);
    }
}

void EmulatedUnit::takeImageBytes(const QByteArray &bytes)
{
    if (m_acksOwed > 0)
        ++m_chunksAheadOfAck;
    m_image.append(bytes);
    m_imageEndTimer.stop();
    acknowledgeChunks(false);
    if (m_image.size() > m_imageAcked)
        m_chunkIdleTimer.start(m_timing.chunkIdleMs);
    else
        m_imageEndTimer.start(m_timing.imageEndIdleMs);
}

void EmulatedUnit::acknowledgeChunks(bool allowShort)
{
    if (!m_receivingImage)
        return;
    auto ackOne = [this] {
        QByteArray reply = SerialUnitMessages::chunkAck();
        if (m_faults.malformed)
            reply.chop(1);
        if (m_faults.coalesceAcks)
            reply += reply;
        ++m_acksOwed;
        sendAck([this, reply] { writeSerial(reply, true); });
    };
    bool first = true;
    while (m_image.size() - m_imageAcked >= SerialUnitMessages::kChunkSize) {
        // A second whole chunk in one read came before the first's acknowledgement.
        if (!first)
            ++m_chunksAheadOfAck;
        first = false;
        m_imageAcked += SerialUnitMessages::kChunkSize;
        ackOne();
        if (m_faults.chatter && !m_chattered && m_imageAcked == kChatterChunk * SerialUnitMessages::kChunkSize) {
            // Some firmware announces itself whenever it likes.
            m_chattered = true;
            answerSerial(SerialUnitMessages::modelReply(modelName()));
        }
    }
    if (allowShort && m_image.size() > m_imageAcked) {
        // A chunk shorter than the chunk size is the image's last.
        m_imageAcked = m_image.size();
        ackOne();
        finishImage();
    }
}

void EmulatedUnit::finishImage()
{
    if (!m_receivingImage || m_image.isEmpty())
        return;
    m_receivingImage = false;
    m_chunkIdleTimer.stop();
    m_imageEndTimer.stop();
    m_lastImage = m_image;
    m_image.clear();
    QString version = SerialUnitMessages::versionFromTrailer(m_lastImage);
    if (version.isEmpty())
        version = SerialUnitMessages::versionFromFileName(m_imageFileName);
    if (version.isEmpty())
        version = SerialUnitMessages::nextVersion(m_firmwareVersion);
    m_firmwareVersion = version;
    qDebug() << "Emulated unit received a firmware image of" << m_lastImage.size() << "bytes, now" << version;
    emit firmwareReceived(m_lastImage, version);
    m_rebootTimer.start(m_timing.rebootMs);
}

void EmulatedUnit::setSerialMode(SerialMode mode)
{
    if (mode == m_serialMode)
        return;
    m_serialMode = mode;
    m_serialBuffer.clear();
    m_serialOutbox.clear();
    m_serialTimer.stop();
    m_acksOwed = 0;
    if (mode != SerialMode::Upgrade) {
        m_receivingImage = false;
        m_eraseTimer.stop();
        m_chunkIdleTimer.stop();
        m_imageEndTimer.stop();
    }
    emit serialModeChanged(mode);
}

void EmulatedUnit::reenumerate(SerialMode next, int delayMs)
{
    setSerialMode(SerialMode::Absent);
    m_pendingMode = next;
    m_modeTimer.start(delayMs);
}
