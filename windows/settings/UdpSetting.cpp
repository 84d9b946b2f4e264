// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UdpSetting.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SettingsForms.h"
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
    QString error;
    const std::optional<UnitSettings::Ports> ports =
        SettingsForms::parsePorts(ui.udpPortEdit->text(), ui.tcpPortEdit->text(), &error);
    if (!ports) {
        warn(error);
        return;
    }

    sendPortMessage(UdpPort, ports->udp);
    QTimer::singleShot(kTcpDelayMs, this, [this, port = ports->tcp] { sendPortMessage(TcpPort, port); });
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
