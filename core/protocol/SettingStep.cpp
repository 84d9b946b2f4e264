// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SettingStep.h"

#include "protocol/NetworkMessages.h"

#include <QCoreApplication>

namespace SettingSteps {

namespace {

enum OwnIds : quint8 { kIpModeId = 16, kIpAddressId, kSubnetId, kGatewayId, kUdpId, kTcpId, kOffsetId };

QString tr(const char *text)
{
    return QCoreApplication::translate("SettingSteps", text);
}

SettingStep step(const QByteArray &message, quint8 id, const QString &name)
{
    SettingStep s;
    s.message = message;
    s.id = id;
    s.name = name;
    return s;
}

std::array<int, 4> octets(const QString &address)
{
    const QList<int> parts = NetworkMessages::splitIpOctets(address);
    std::array<int, 4> out{};
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        out[size_t(i)] = parts[i];
    return out;
}

} // namespace

QList<SettingStep> forAddressing(const UnitSettings::Addressing &addressing)
{
    using NetworkMessages::buildIpConfigMessage;
    if (addressing.dhcp)
        return {step(*buildIpConfigMessage(QString(), QStringLiteral("DHCP")), kIpModeId, tr("IP mode"))};
    const std::optional<QByteArray> address = buildIpConfigMessage(addressing.address, QStringLiteral("IP"));
    const std::optional<QByteArray> subnet = buildIpConfigMessage(addressing.subnet, QStringLiteral("Subnet"));
    const std::optional<QByteArray> gateway = buildIpConfigMessage(addressing.gateway, QStringLiteral("Network"));
    if (!address || !subnet || !gateway)
        return {};
    QList<SettingStep> steps{step(*address, kIpAddressId, tr("IP address")),
                             step(*subnet, kSubnetId, tr("Subnet mask")),
                             step(*gateway, kGatewayId, tr("Gateway"))};
    for (int i = 0; i < 2; ++i) {
        steps[i].await = SettingStep::Await::Gap;
        steps[i].gapMs = kIpGapMs;
    }
    return steps;
}

QList<SettingStep> forOsc(const UnitSettings::Osc &osc)
{
    using namespace NetworkMessages;
    QList<SettingStep> steps{step(oscLocalPortMessage(osc.localPort), OscLocalPort, QStringLiteral("Local Port")),
                             step(oscForwardMessage(osc.forward), OscForward, QStringLiteral("Forward"))};
    for (int i = 0; i < UnitSettings::kOscTargets; ++i) {
        const std::optional<UnitSettings::OscTarget> &target = osc.targets[size_t(i)];
        if (target)
            steps.append(step(oscDeviceMessage(i + 1, octets(target->address), target->port), quint8(i + 1),
                              QStringLiteral("Device%1").arg(i + 1)));
    }
    return steps;
}

QList<SettingStep> forPorts(const UnitSettings::Ports &ports)
{
    using namespace NetworkMessages;
    return {step(buildPortMessage(UdpPort, ports.udp), kUdpId, tr("UDP port")),
            step(buildPortMessage(TcpPort, ports.tcp), kTcpId, tr("TCP port"))};
}

QList<SettingStep> forOffset(int frames)
{
    SettingStep s = step(NetworkMessages::buildTimeOffsetMessage(frames), kOffsetId, tr("Time offset"));
    s.await = SettingStep::Await::Report;
    s.report = [frames](const QByteArray &message) -> std::optional<bool> {
        if (!NetworkMessages::isTimeOffsetFrame(message))
            return std::nullopt;
        const std::optional<int> reported = NetworkMessages::decodeFrameOffset(quint8(message[7]));
        if (!reported)
            return std::nullopt;
        return *reported == frames;
    };
    return {s};
}

QList<SettingStep> forAll(const UnitSettings &settings)
{
    QList<SettingStep> steps;
    if (settings.addressing)
        steps += forAddressing(*settings.addressing);
    if (settings.osc)
        steps += forOsc(*settings.osc);
    if (settings.ports)
        steps += forPorts(*settings.ports);
    if (settings.offsetFrames)
        steps += forOffset(*settings.offsetFrames);
    return steps;
}

} // namespace SettingSteps
