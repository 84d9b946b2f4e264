// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UdpSetting.h"

#include "protocol/NetworkMessages.h"
#include "dialogs/MessageBoxes.h"
#include "settings/SettingsStyles.h"

#include <QDebug>
#include <QIntValidator>
#include <QTimer>

using namespace NetworkMessages;

UdpSetting::UdpSetting(MessageBoxes *boxes, QWidget *parent)
    : UnitSettingsWindow(boxes, parent)
{
    ui.setupUi(this);
    setStyleSheet(QLatin1String(SettingsStyles::kUdpWindow));
    for (QLineEdit *edit : {ui.udpPortEdit, ui.tcpPortEdit}) {
        edit->setValidator(new QIntValidator(0, 99999, edit));
        edit->setStyleSheet(QLatin1String(SettingsStyles::kUdpPortEdit));
    }
    // Both fields start at one column although the labels differ in width.
    const int labelWidth = qMax(ui.udpLabel->sizeHint().width(), ui.tcpLabel->sizeHint().width());
    ui.udpLabel->setMinimumWidth(labelWidth);
    ui.tcpLabel->setMinimumWidth(labelWidth);
    for (QPushButton *button : {ui.readButton, ui.setButton})
        button->setStyleSheet(QLatin1String(SettingsStyles::kUdpButton));
    connect(ui.readButton, &QPushButton::clicked, this, &UdpSetting::onReadClicked);
    connect(ui.setButton, &QPushButton::clicked, this, &UdpSetting::onSetClicked);
}

void UdpSetting::onReadClicked()
{
    // The unit answers the OSC read request with its ports as well.
    emit sendSysExRequested(oscReadRequest());
}

void UdpSetting::onSetClicked()
{
    const QString udpText = ui.udpPortEdit->text().trimmed();
    const QString tcpText = ui.tcpPortEdit->text().trimmed();
    if (udpText.isEmpty()) {
        warn(tr("The UDP port is required."));
        return;
    }
    if (tcpText.isEmpty()) {
        warn(tr("The TCP port is required."));
        return;
    }
    const std::optional<quint16> udp = parsePort(udpText);
    if (!udp) {
        warn(tr("The UDP port is invalid."));
        return;
    }
    const std::optional<quint16> tcp = parsePort(tcpText);
    if (!tcp) {
        warn(tr("The TCP port is invalid."));
        return;
    }

    sendPortMessage(UdpPort, *udp);
    QTimer::singleShot(kTcpDelayMs, this, [this, port = *tcp] { sendPortMessage(TcpPort, port); });
    boxes()->notify(this, QMessageBox::Information, tr("Settings"),
                  tr("The UDP/TCP configuration command has been sent."));
}

void UdpSetting::sendPortMessage(int kind, quint16 port)
{
    emit sendSysExRequested(buildPortMessage(quint8(kind), port));
}

void UdpSetting::handleFeedback(const QByteArray &message)
{
    const std::optional<PortFeedback> feedback = parsePortFeedback(message);
    if (!feedback) {
        if (message.size() >= kPortMessageSize && message.startsWith(QByteArray::fromHex("F07F7F5E10")))
            qWarning().noquote() << "Ignored port feedback:" << message.toHex(' ').toUpper();
        return;
    }
    const QString text = QString::number(feedback->port);
    if (feedback->kind == UdpPort)
        ui.udpPortEdit->setText(text);
    else
        ui.tcpPortEdit->setText(text);
}
