// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit/UnitSettingsClient.h"

#include "midi/MidiConnection.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"
#include "protocol/NetworkMessages.h"
#include "protocol/SettingStep.h"
#include "protocol/SysEx.h"
#include "unit/SettingSequence.h"
#include "unit/UnitSession.h"

#include <QDebug>
#include <QStringList>

using namespace NetworkMessages;

UnitSettingsClient::UnitSettingsClient(UnitSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_sequence(new SettingSequence(this))
{
    qRegisterMetaType<UnitSettings>();
    qRegisterMetaType<UnitSettingsClient::Failure>();
    connect(m_sequence, &SettingSequence::sendRequested, this, [this](const QByteArray &message) {
        if (!send(message)) {
            m_sequence->cancel();
            fail(Failure::NotConnected, tr("The unit's MIDI port is not open."));
        }
    });
    connect(m_sequence, &SettingSequence::finished, this, &UnitSettingsClient::onWriteFinished);
    connect(session, &UnitSession::unitIdentified, this,
            [this](const QString &, const QString &version) { m_firmware = version; });
    m_readTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, &UnitSettingsClient::onReadTimeout);
    m_settleTimer.setSingleShot(true);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        m_settled = true;
        checkReadComplete();
    });
}

UnitSettingsClient::~UnitSettingsClient() = default;

void UnitSettingsClient::setTimeouts(int readMs, int stepMs)
{
    m_readTimeoutMs = readMs;
    m_stepTimeoutMs = stepMs;
    m_sequence->setStepTimeout(stepMs);
}

QString UnitSettingsClient::groupName(Group group)
{
    switch (group) {
    case Addressing: return tr("IP settings");
    case Osc: return tr("OSC settings");
    case Ports: return tr("UDP/TCP ports");
    case Offset: return tr("time offset");
    }
    return QString();
}

UnitSettingsClient::Groups UnitSettingsClient::supportedGroups() const
{
    const MidiConnection *midi = m_session->midi();
    if (!midi->isConnected())
        return {};
    const QString base = MidiPortList::portBaseName(midi->connectedOutputLabel());
    const QString product = m_session->product();
    Groups groups = Offset;
    if (Identification::supportsIp(true, base, product))
        groups |= Addressing;
    if (Identification::supportsOsc(true, base, product))
        groups |= Osc | Ports;
    return groups;
}

QString UnitSettingsClient::modelName() const
{
    if (!m_session->product().isEmpty())
        return m_session->product();
    return MidiPortList::portBaseName(m_session->midi()->connectedOutputLabel());
}

bool UnitSettingsClient::isBusy() const
{
    return m_reading || m_sequence->isRunning();
}

bool UnitSettingsClient::send(const QByteArray &message)
{
    QMidiOut *out = m_session->midi()->output();
    return m_session->midi()->isConnected() && out && out->sendLongMessage(message);
}

void UnitSettingsClient::fail(Failure failure, const QString &message)
{
    qDebug().noquote() << "Unit settings:" << message;
    emit failed(failure, message);
}

// Reading ---------------------------------------------------------------------

void UnitSettingsClient::read(Groups groups)
{
    if (isBusy()) {
        fail(Failure::Busy, tr("The unit's settings are being read or written already."));
        return;
    }
    const Groups supported = supportedGroups();
    if (!m_session->midi()->isConnected()) {
        fail(Failure::NotConnected, tr("No unit is connected."));
        return;
    }
    m_readGroups = groups & supported;
    m_read = UnitSettings();
    m_dhcp.reset();
    m_address.clear();
    m_subnet.clear();
    m_gateway.clear();
    m_localPort.reset();
    m_forward.reset();
    m_udp.reset();
    m_tcp.reset();
    m_settled = false;
    m_reading = true;
    if (m_readGroups & Addressing) {
        if (!send(*buildIpConfigMessage(QString(), QStringLiteral("READIP")))) {
            m_reading = false;
            fail(Failure::NotConnected, tr("The unit's MIDI port is not open."));
            return;
        }
    }
    if (m_readGroups & (Osc | Ports)) {
        if (!send(oscReadRequest())) {
            m_reading = false;
            fail(Failure::NotConnected, tr("The unit's MIDI port is not open."));
            return;
        }
    }
    m_readTimer.start(m_readTimeoutMs);
    checkReadComplete();
}

void UnitSettingsClient::takeReport(const QByteArray &message)
{
    if (!SysEx::isUniversalRealTime(message, SysEx::kNetworkSubId) || message.size() < 6)
        return;
    const quint8 command = quint8(message[4]);
    if (command == kIpCommand && (m_readGroups & Addressing)) {
        const std::optional<IpFeedback> ip = parseIpFeedback(message);
        if (!ip)
            return;
        switch (ip->kind) {
        case IpAddress: m_address = ip->address; break;
        case IpSubnet: m_subnet = ip->address; break;
        case IpGateway: m_gateway = ip->address; break;
        case IpMode:
            if (ip->mode == kIpModeDhcp || ip->mode == kIpModeManual)
                m_dhcp = ip->mode == kIpModeDhcp;
            break;
        default: return;
        }
    } else if (command == kOscCommand && (m_readGroups & Osc)) {
        const std::optional<OscFeedback> osc = parseOscFeedback(message);
        if (!osc)
            return;
        if (!m_read.osc)
            m_read.osc = UnitSettings::Osc();
        if (osc->target == OscLocalPort) {
            m_localPort = quint16(osc->port);
        } else if (osc->target == OscForward) {
            m_forward = osc->forward;
        } else if (!osc->address.isEmpty() && osc->port >= 1 && osc->port <= 65535) {
            m_read.osc->targets[size_t(osc->target - 1)] = UnitSettings::OscTarget{osc->address, quint16(osc->port)};
            // A target may come after the reports the read waits for.
            if (m_settleTimer.isActive())
                m_settleTimer.start(kSettleMs);
        }
    } else if (command == kPortCommand && (m_readGroups & Ports)) {
        const std::optional<PortFeedback> port = parsePortFeedback(message);
        if (!port)
            return;
        (port->kind == UdpPort ? m_udp : m_tcp) = quint16(port->port);
    } else {
        return;
    }
    checkReadComplete();
}

QString UnitSettingsClient::missingText() const
{
    QStringList missing;
    if (m_readGroups & Addressing) {
        if (!m_dhcp)
            missing << tr("IP mode");
        if (m_address.isEmpty())
            missing << tr("IP address");
        if (m_subnet.isEmpty())
            missing << tr("subnet mask");
        if (m_gateway.isEmpty())
            missing << tr("gateway");
    }
    if (m_readGroups & Osc) {
        if (!m_localPort)
            missing << tr("OSC local port");
        if (!m_forward)
            missing << tr("OSC forward");
    }
    if (m_readGroups & Ports) {
        if (!m_udp)
            missing << tr("UDP port");
        if (!m_tcp)
            missing << tr("TCP port");
    }
    return missing.join(QLatin1String(", "));
}

void UnitSettingsClient::checkReadComplete()
{
    if (!m_reading || !missingText().isEmpty())
        return;
    // The OSC targets come with the OSC reports, in no promised order.
    if ((m_readGroups & Osc) && !m_settled) {
        if (!m_settleTimer.isActive())
            m_settleTimer.start(kSettleMs);
        return;
    }
    m_readTimer.stop();
    m_reading = false;
    UnitSettings result;
    if (m_readGroups & Addressing)
        result.addressing = UnitSettings::Addressing{*m_dhcp, m_address, m_subnet, m_gateway};
    if (m_readGroups & Osc) {
        UnitSettings::Osc osc = m_read.osc.value_or(UnitSettings::Osc());
        osc.localPort = *m_localPort;
        osc.forward = *m_forward;
        result.osc = osc;
    }
    if (m_readGroups & Ports)
        result.ports = UnitSettings::Ports{*m_udp, *m_tcp};
    if (m_readGroups & Offset)
        result.offsetFrames = m_offset;
    emit readFinished(result);
}

void UnitSettingsClient::onReadTimeout()
{
    if (!m_reading)
        return;
    m_reading = false;
    m_settleTimer.stop();
    fail(Failure::NoAnswer,
         tr("The unit did not report its %1 within %2 s.").arg(missingText()).arg(m_readTimeoutMs / 1000.0));
}

// Writing ---------------------------------------------------------------------

void UnitSettingsClient::write(const UnitSettings &settings)
{
    if (isBusy()) {
        fail(Failure::Busy, tr("The unit's settings are being read or written already."));
        return;
    }
    if (!m_session->midi()->isConnected()) {
        fail(Failure::NotConnected, tr("No unit is connected."));
        return;
    }
    const QString problem = settings.problem();
    if (!problem.isEmpty()) {
        fail(Failure::Invalid, problem);
        return;
    }
    const Groups supported = supportedGroups();
    const std::pair<bool, Group> present[] = {{bool(settings.addressing), Addressing},
                                              {bool(settings.osc), Osc},
                                              {bool(settings.ports), Ports}};
    for (const auto &[has, group] : present) {
        if (has && !(supported & group)) {
            fail(Failure::Unsupported, tr("%1 has no %2.").arg(modelName(), groupName(group)));
            return;
        }
    }
    m_sequence->start(SettingSteps::forAll(settings));
}

void UnitSettingsClient::onWriteFinished()
{
    const std::optional<SettingSequence::Item> failure = m_sequence->firstFailure();
    if (!failure) {
        emit writeFinished();
        return;
    }
    if (failure->error == SettingSequence::timedOutText())
        fail(Failure::NoAnswer, tr("The unit did not answer the %1 setting within %2 s.")
                                    .arg(failure->name)
                                    .arg(m_stepTimeoutMs / 1000.0));
    else
        fail(Failure::Refused, tr("The unit refused the %1.").arg(failure->name));
}

// Receiving -------------------------------------------------------------------

bool UnitSettingsClient::takeMessage(const QByteArray &message)
{
    if (isTimeOffsetFrame(message)) {
        if (const std::optional<int> frames = decodeFrameOffset(quint8(message[7])))
            m_offset = *frames;
    }
    if (m_reading)
        takeReport(message);
    if (!m_sequence->isRunning())
        return false;
    if (isAckMessage(message)) {
        const int code = parseAck(message);
        if (code >= 0)
            m_sequence->takeAck(code);
        return true;
    }
    m_sequence->takeMessage(message);
    return false;
}

void UnitSettingsClient::forgetUnit()
{
    m_offset.reset();
    m_firmware.clear();
    const bool wasBusy = isBusy();
    m_reading = false;
    m_readTimer.stop();
    m_settleTimer.stop();
    m_sequence->cancel();
    if (wasBusy)
        fail(Failure::NotConnected, tr("The unit went away."));
}
