// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpSettingController.h"

#include "protocol/NetworkMessages.h"
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
    return ip_Dialog::isBlankAddress(text);
}

QString fieldName(ip_Dialog::Field field)
{
    switch (field) {
    case ip_Dialog::AddressField: return QObject::tr("IP address");
    case ip_Dialog::SubnetField: return QObject::tr("subnet mask");
    case ip_Dialog::GatewayField: return QObject::tr("gateway address");
    }
    return QString();
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
    for (const auto &f : kManualFields) {
        QLineEdit *edit = m_dialog->field(f.first);
        const QString text = edit->text();
        if (isBlank(text) || NetworkMessages::isValidIpAddress(text))
            continue;
        // Digits such as 999 fit the field's mask but no unit can take them.
        if (NetworkMessages::splitIpOctets(text).size() == 4)
            m_dialog->warnInvalidAddress(edit);
        else
            m_dialog->warnField(edit, tr("Invalid IP Address"),
                                tr("The %1 is incomplete. Please enter all four numbers, or clear the field "
                                   "to leave it unchanged.")
                                    .arg(fieldName(f.first)));
        return false;
    }
    QLineEdit *ip = m_dialog->field(ip_Dialog::AddressField);
    QLineEdit *mask = m_dialog->field(ip_Dialog::SubnetField);
    QLineEdit *gateway = m_dialog->field(ip_Dialog::GatewayField);
    if (!isBlank(mask->text()) && !NetworkMessages::isContiguousMask(mask->text())) {
        m_dialog->warnField(mask, tr("Invalid Subnet Mask"),
                            tr("The subnet mask is invalid: its ones must come first, without gaps, "
                               "as in 255.255.255.0."));
        return false;
    }
    if (isBlank(ip->text()) || isBlank(mask->text()) || isBlank(gateway->text()))
        return true;
    if (!NetworkMessages::isSameSubnet(ip->text(), gateway->text(), mask->text())) {
        m_boxes->notify(m_dialog, QMessageBox::Warning, tr("IP and Gateway Mismatch"),
                        tr("The IP address and the gateway address are not in the same subnet. "
                           "Please check and re-enter."));
        return false;
    }
    return true;
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
