// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SettingsForms.h"

#include "protocol/NetworkMessages.h"

#include <QCoreApplication>
#include <QStringList>

namespace SettingsForms {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SettingsForms", text);
}

QString fieldName(AddressField field)
{
    switch (field) {
    case AddressField::Address: return tr("IP address");
    case AddressField::Subnet: return tr("subnet mask");
    case AddressField::Gateway: return tr("gateway address");
    }
    return QString();
}

bool refuse(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool isBlankAddress(const QString &text)
{
    return text.trimmed().remove(QLatin1Char('.')).isEmpty();
}

QString normalAddress(const QString &text)
{
    QStringList parts = text.trimmed().split(QLatin1Char('.'));
    for (QString &part : parts)
        part = QString::number(part.toInt());
    return parts.join(QLatin1Char('.'));
}

std::optional<AddressingProblem> checkManualAddressing(const QString &address, const QString &subnet,
                                                       const QString &gateway)
{
    const std::array<std::pair<AddressField, QString>, 3> fields{
        {{AddressField::Address, address}, {AddressField::Subnet, subnet}, {AddressField::Gateway, gateway}}};
    for (const auto &[field, text] : fields) {
        if (isBlankAddress(text) || NetworkMessages::isValidIpAddress(text))
            continue;
        // Digits such as 999 fit the dialog's mask but no unit can take them.
        if (NetworkMessages::splitIpOctets(text).size() == 4)
            return AddressingProblem{AddressingProblem::Invalid, field, tr("Invalid IP Address"),
                                     tr("The IP address is invalid. Please enter a valid IP address.")};
        return AddressingProblem{AddressingProblem::Incomplete, field, tr("Invalid IP Address"),
                                 tr("The %1 is incomplete. Please enter all four numbers, or clear the field "
                                    "to leave it unchanged.")
                                     .arg(fieldName(field))};
    }
    if (!isBlankAddress(subnet) && !NetworkMessages::isContiguousMask(subnet))
        return AddressingProblem{AddressingProblem::Mask, AddressField::Subnet, tr("Invalid Subnet Mask"),
                                 tr("The subnet mask is invalid: its ones must come first, without gaps, "
                                    "as in 255.255.255.0.")};
    if (isBlankAddress(address) || isBlankAddress(subnet) || isBlankAddress(gateway))
        return std::nullopt;
    if (!NetworkMessages::isSameSubnet(address, gateway, subnet))
        return AddressingProblem{AddressingProblem::Mismatch, AddressField::Gateway, tr("IP and Gateway Mismatch"),
                                 tr("The IP address and the gateway address are not in the same subnet. "
                                    "Please check and re-enter.")};
    return std::nullopt;
}

std::optional<UnitSettings::Osc> parseOsc(const QString &localPort, bool forward,
                                          const std::array<OscTargetText, UnitSettings::kOscTargets> &targets,
                                          QString *error)
{
    UnitSettings::Osc osc;
    const std::optional<quint16> local = NetworkMessages::parsePort(localPort);
    if (!local) {
        refuse(error, tr("The local device port is invalid."));
        return std::nullopt;
    }
    osc.localPort = *local;
    osc.forward = forward;
    for (int i = 0; i < UnitSettings::kOscTargets; ++i) {
        const int n = i + 1;
        const QString address = targets[size_t(i)].address.trimmed();
        const QString portText = targets[size_t(i)].port.trimmed();
        if (address.isEmpty() && portText.isEmpty())
            continue;
        if (address.isEmpty() || portText.isEmpty()) {
            refuse(error, tr("Device %1 IP or port is incomplete.").arg(n));
            return std::nullopt;
        }
        const std::optional<quint16> port = NetworkMessages::parsePort(portText);
        if (!port) {
            refuse(error, tr("Device %1 port is invalid.").arg(n));
            return std::nullopt;
        }
        if (!NetworkMessages::isValidIpAddress(address)) {
            refuse(error, tr("Device %1 IP address is invalid.").arg(n));
            return std::nullopt;
        }
        osc.targets[size_t(i)] = UnitSettings::OscTarget{normalAddress(address), *port};
    }
    return osc;
}

std::optional<UnitSettings::Ports> parsePorts(const QString &udp, const QString &tcp, QString *error)
{
    if (udp.trimmed().isEmpty()) {
        refuse(error, tr("The UDP port is required."));
        return std::nullopt;
    }
    if (tcp.trimmed().isEmpty()) {
        refuse(error, tr("The TCP port is required."));
        return std::nullopt;
    }
    const std::optional<quint16> udpPort = NetworkMessages::parsePort(udp);
    if (!udpPort) {
        refuse(error, tr("The UDP port is invalid."));
        return std::nullopt;
    }
    const std::optional<quint16> tcpPort = NetworkMessages::parsePort(tcp);
    if (!tcpPort) {
        refuse(error, tr("The TCP port is invalid."));
        return std::nullopt;
    }
    return UnitSettings::Ports{*udpPort, *tcpPort};
}

std::optional<int> parseOffset(const QString &text, QString *error)
{
    bool ok = false;
    const int frames = text.trimmed().toInt(&ok);
    if (!ok || frames < NetworkMessages::kMinFrameOffset || frames > NetworkMessages::kMaxFrameOffset) {
        refuse(error, tr("The offset must be a whole number of frames from %1 to +%2.")
                          .arg(NetworkMessages::kMinFrameOffset)
                          .arg(NetworkMessages::kMaxFrameOffset));
        return std::nullopt;
    }
    return frames;
}

} // namespace SettingsForms
