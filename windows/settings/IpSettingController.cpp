// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpSettingController.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SettingsForms.h"
#include "protocol/SysEx.h"
#include "protocol/TrafficLog.h"
#include "dialogs/MessageBoxes.h"
#include "settings/ip_Dialog.h"

#include <QDebug>
#include <QLineEdit>
#include <QPair>

namespace {

// Each field with the kind word its message is built from, in sending order.
const QPair<ip_Dialog::Field, const char *> kManualFields[] = {
    {ip_Dialog::AddressField, "IP"},
    {ip_Dialog::SubnetField, "Subnet"},
    {ip_Dialog::GatewayField, "Network"},
};

bool isBlank(const QString &text)
{
    return SettingsForms::isBlankAddress(text);
}

ip_Dialog::Field dialogField(SettingsForms::AddressField field)
{
    switch (field) {
    case SettingsForms::AddressField::Address: return ip_Dialog::AddressField;
    case SettingsForms::AddressField::Subnet: return ip_Dialog::SubnetField;
    case SettingsForms::AddressField::Gateway: return ip_Dialog::GatewayField;
    }
    return ip_Dialog::AddressField;
}

} // namespace

IpSettingController::IpSettingController(ip_Dialog *dialog, QWidget *boxParent, MessageBoxes *boxes,
                                         QObject *parent)
    : QObject(parent)
    , m_boxes(MessageBoxes::orDesktop(boxes))
    , m_dialog(dialog)
    , m_boxParent(boxParent)
{
    m_gapTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, which would cut the unit's gap short.
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gapTimer, &QTimer::timeout, this, &IpSettingController::sendNext);
}

void IpSettingController::requestConfig()
{
    queue(QString(), QStringLiteral("READIP"));
}

void IpSettingController::set()
{
    if (m_dialog->modeIndex() == ip_Dialog::kModeDhcp) {
        queue(QString(), QStringLiteral("DHCP"));
        return;
    }
    if (!fieldsFitTogether())
        return;
    for (const auto &f : kManualFields) {
        const QString text = m_dialog->field(f.first)->text();
        if (!isBlank(text))
            queue(text, QString::fromLatin1(f.second));
    }
}

bool IpSettingController::fieldsFitTogether()
{
    // The whole Set waits until every field can go out, so the unit never gets
    // half of it. A blank field is not sent, as before.
    const std::optional<SettingsForms::AddressingProblem> problem = SettingsForms::checkManualAddressing(
        m_dialog->field(ip_Dialog::AddressField)->text(), m_dialog->field(ip_Dialog::SubnetField)->text(),
        m_dialog->field(ip_Dialog::GatewayField)->text());
    if (!problem)
        return true;
    if (problem->kind == SettingsForms::AddressingProblem::Mismatch) {
        m_boxes->notify(m_dialog, QMessageBox::Warning, problem->title, problem->text);
        return false;
    }
    m_dialog->warnField(m_dialog->field(dialogField(problem->field)), problem->title, problem->text);
    return false;
}

void IpSettingController::queue(const QString &value, const QString &kindWord)
{
    const std::optional<QByteArray> message = NetworkMessages::buildIpConfigMessage(value, kindWord);
    if (!message) {
        qDebug() << "Invalid IP address!";
        return;
    }
    m_queue.append(*message);
    if (!m_gapTimer.isActive())
        sendNext();
}

void IpSettingController::sendNext()
{
    if (m_queue.isEmpty())
        return;
    const QByteArray message = m_queue.takeFirst();
    emit sendSysExRequested(message);
    m_gapTimer.start(kMessageGapMs);
}

void IpSettingController::handleFeedback(const QByteArray &message)
{
    const bool networkFamily = SysEx::isUniversalRealTime(message, SysEx::kNetworkSubId);
    if (message.size() < NetworkMessages::kIpMessageSize) {
        // Every message passes here; only this family's short ones are news.
        if (networkFamily && message.size() > 4 && quint8(message[4]) == NetworkMessages::kIpCommand)
            qCDebug(lcMidiTraffic) << "Error: Invalid message length!";
        return;
    }
    if (!networkFamily) {
        qCDebug(lcMidiTraffic) << "Error: Invalid message prefix!";
        return;
    }
    const std::optional<NetworkMessages::IpFeedback> feedback = NetworkMessages::parseIpFeedback(message);
    if (!feedback) {
        qCDebug(lcMidiTraffic).noquote() << "Error: Invalid IP digits:" << message.toHex(' ').toUpper();
        return;
    }
    switch (feedback->kind) {
    case NetworkMessages::IpAddress:
        m_dialog->field(ip_Dialog::AddressField)->setText(feedback->address);
        return;
    case NetworkMessages::IpSubnet:
        m_dialog->field(ip_Dialog::SubnetField)->setText(feedback->address);
        return;
    case NetworkMessages::IpGateway:
        m_dialog->field(ip_Dialog::GatewayField)->setText(feedback->address);
        return;
    case NetworkMessages::IpMode:
        if (feedback->mode != NetworkMessages::kIpModeDhcp && feedback->mode != NetworkMessages::kIpModeManual)
            return;
        m_dialog->setModeIndex(feedback->mode == NetworkMessages::kIpModeDhcp ? ip_Dialog::kModeDhcp
                                                                             : ip_Dialog::kModeManual);
        if (m_dialog->isReadConfirmPending()) {
            m_dialog->setReadConfirmPending(false);
            m_boxes->notify(m_boxParent, QMessageBox::Information, tr("Success"), tr("IP address read successfully!"));
        }
        return;
    default:
        return;
    }
}
