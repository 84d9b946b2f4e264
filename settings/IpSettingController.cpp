#include "settings/IpSettingController.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SysEx.h"
#include "dialogs/MessageBoxes.h"
#include "settings/ip_Dialog.h"

#include <QDebug>
#include <QLineEdit>
#include <QPair>

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
    const QList<QPair<ip_Dialog::Field, QString>> fields = {
        {ip_Dialog::AddressField, QStringLiteral("IP")},
        {ip_Dialog::SubnetField, QStringLiteral("Subnet")},
        {ip_Dialog::GatewayField, QStringLiteral("Network")},
    };
    // Digits such as 999 fit the field's mask but no unit can take them; the
    // whole Set waits until they are mended, so the unit never gets half of it.
    for (const auto &f : fields) {
        QLineEdit *edit = m_dialog->field(f.first);
        const QList<int> octets = NetworkMessages::splitIpOctets(edit->text());
        if (octets.size() == 4 && !NetworkMessages::octetsInRange(octets)) {
            m_dialog->warnInvalidAddress(edit);
            return;
        }
    }
    for (const auto &f : fields)
        queue(m_dialog->field(f.first)->text(), f.second);
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
    qDebug().noquote() << "Send IP config:" << message.toHex(' ').toUpper();
    emit sendSysExRequested(message);
    m_gapTimer.start(kMessageGapMs);
}

void IpSettingController::handleFeedback(const QByteArray &message)
{
    const bool networkFamily = SysEx::isUniversalRealTime(message, SysEx::kNetworkSubId);
    if (message.size() < NetworkMessages::kIpMessageSize) {
        // Every message passes here; only this family's short ones are news.
        if (networkFamily && message.size() > 4 && quint8(message[4]) == NetworkMessages::kIpCommand)
            qDebug() << "Error: Invalid message length!";
        return;
    }
    if (!networkFamily) {
        qDebug() << "Error: Invalid message prefix!";
        return;
    }
    const std::optional<NetworkMessages::IpFeedback> feedback = NetworkMessages::parseIpFeedback(message);
    if (!feedback) {
        qDebug().noquote() << "Error: Invalid IP digits:" << message.toHex(' ').toUpper();
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
