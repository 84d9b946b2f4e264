// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/UnitSettings.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SettingsForms.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("UnitSettings", text);
}

QString unknown()
{
    return tr("(unknown)");
}

QString modeText(bool dhcp)
{
    return dhcp ? QStringLiteral("DHCP") : tr("manual");
}

QString onOff(bool on)
{
    return on ? tr("on") : tr("off");
}

QString offsetText(int frames)
{
    return frames > 0 ? QStringLiteral("+%1").arg(frames) : QString::number(frames);
}

void compare(QList<UnitSettings::Change> &into, const QString &setting, const QString &from, const QString &to)
{
    if (from != to)
        into.append({setting, from, to, true});
}

} // namespace

QString UnitSettings::Change::text() const
{
    QString line = QStringLiteral("%1: %2 -> %3").arg(setting, from, to);
    if (!writable)
        line += tr(" (no message clears it; it stays)");
    return line;
}

QList<UnitSettings::Change> UnitSettings::changes(const UnitSettings &current, const UnitSettings &wanted)
{
    QList<Change> out;
    if (wanted.addressing) {
        const Addressing &w = *wanted.addressing;
        const std::optional<Addressing> &c = current.addressing;
        compare(out, tr("IP mode"), c ? modeText(c->dhcp) : unknown(), modeText(w.dhcp));
        if (!w.dhcp) {
            compare(out, tr("IP address"), c ? c->address : unknown(), w.address);
            compare(out, tr("Subnet mask"), c ? c->subnet : unknown(), w.subnet);
            compare(out, tr("Gateway"), c ? c->gateway : unknown(), w.gateway);
        }
    }
    if (wanted.osc) {
        const Osc &w = *wanted.osc;
        const std::optional<Osc> &c = current.osc;
        compare(out, tr("OSC local port"), c ? QString::number(c->localPort) : unknown(),
                QString::number(w.localPort));
        compare(out, tr("OSC forward"), c ? onOff(c->forward) : unknown(), onOff(w.forward));
        for (int i = 0; i < kOscTargets; ++i) {
            const QString name = tr("OSC Device%1").arg(i + 1);
            const std::optional<OscTarget> &wt = w.targets[size_t(i)];
            const std::optional<OscTarget> ct = c ? c->targets[size_t(i)] : std::nullopt;
            const QString from = !c ? unknown() : ct ? targetText(*ct) : tr("(none)");
            if (wt)
                compare(out, name, from, targetText(*wt));
            else if (ct)
                out.append({name, from, tr("(none)"), false});
        }
    }
    if (wanted.ports) {
        const std::optional<Ports> &c = current.ports;
        compare(out, tr("UDP port"), c ? QString::number(c->udp) : unknown(), QString::number(wanted.ports->udp));
        compare(out, tr("TCP port"), c ? QString::number(c->tcp) : unknown(), QString::number(wanted.ports->tcp));
    }
    if (wanted.offsetFrames) {
        compare(out, tr("Time offset"), current.offsetFrames ? offsetText(*current.offsetFrames) : unknown(),
                offsetText(*wanted.offsetFrames));
    }
    return out;
}

UnitSettings UnitSettings::changedGroups(const UnitSettings &current, const UnitSettings &wanted)
{
    auto changesAny = [&current](const UnitSettings &group) {
        const QList<Change> all = changes(current, group);
        return std::any_of(all.begin(), all.end(), [](const Change &c) { return c.writable; });
    };
    UnitSettings out;
    UnitSettings group;
    group.addressing = wanted.addressing;
    if (changesAny(group))
        out.addressing = wanted.addressing;
    group = UnitSettings();
    group.osc = wanted.osc;
    if (changesAny(group))
        out.osc = wanted.osc;
    group = UnitSettings();
    group.ports = wanted.ports;
    if (changesAny(group))
        out.ports = wanted.ports;
    group = UnitSettings();
    group.offsetFrames = wanted.offsetFrames;
    if (changesAny(group))
        out.offsetFrames = wanted.offsetFrames;
    return out;
}

QString UnitSettings::problem() const
{
    if (addressing) {
        const Addressing &a = *addressing;
        if (a.dhcp) {
            for (const QString &text : {a.address, a.subnet, a.gateway}) {
                if (!text.isEmpty() && !NetworkMessages::isValidIpAddress(text))
                    return tr("\"%1\" is not an IP address.").arg(text);
            }
        } else {
            if (SettingsForms::isBlankAddress(a.address) || SettingsForms::isBlankAddress(a.subnet)
                || SettingsForms::isBlankAddress(a.gateway))
                return tr("Manual addressing needs the IP address, the subnet mask and the gateway.");
            if (const auto p = SettingsForms::checkManualAddressing(a.address, a.subnet, a.gateway))
                return p->text;
        }
    }
    if (osc) {
        if (osc->localPort == 0)
            return tr("The local device port is invalid.");
        for (int i = 0; i < kOscTargets; ++i) {
            const std::optional<OscTarget> &t = osc->targets[size_t(i)];
            if (t && t->port == 0)
                return tr("Device %1 port is invalid.").arg(i + 1);
            if (t && !NetworkMessages::isValidIpAddress(t->address))
                return tr("Device %1 IP address is invalid.").arg(i + 1);
        }
    }
    if (ports && ports->udp == 0)
        return tr("The UDP port is invalid.");
    if (ports && ports->tcp == 0)
        return tr("The TCP port is invalid.");
    if (offsetFrames
        && (*offsetFrames < NetworkMessages::kMinFrameOffset || *offsetFrames > NetworkMessages::kMaxFrameOffset))
        return tr("The offset must be a whole number of frames from %1 to +%2.")
            .arg(NetworkMessages::kMinFrameOffset)
            .arg(NetworkMessages::kMaxFrameOffset);
    return QString();
}

QString UnitSettings::targetText(const OscTarget &target)
{
    return QStringLiteral("%1:%2").arg(target.address).arg(target.port);
}

std::optional<UnitSettings::OscTarget> UnitSettings::parseTarget(const QString &text)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    const QString address = text.left(colon).trimmed();
    const std::optional<quint16> port = NetworkMessages::parsePort(text.mid(colon + 1));
    if (!port || !NetworkMessages::isValidIpAddress(address))
        return std::nullopt;
    return OscTarget{SettingsForms::normalAddress(address), *port};
}
