// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OscSettingWidget.h"

#include "settings/IpAddressEdit.h"
#include "protocol/NetworkMessages.h"
#include "protocol/SettingStep.h"
#include "protocol/SettingsForms.h"
#include "protocol/TrafficLog.h"
#include "dialogs/MessageBoxes.h"
#include "settings/SettingsStyles.h"

#include <QDebug>
#include <QIntValidator>
#include <QStringList>

using namespace NetworkMessages;

namespace {
constexpr int kMaxPort = 65535;
constexpr int kDevices = UnitSettings::kOscTargets;
} // namespace

OscSettingWidget::OscSettingWidget(MessageBoxes *boxes, QWidget *parent)
    : UnitSettingsWindow(boxes, parent)
{
    ui.setupUi(this);
    localPortEdit = ui.localPortEdit;
    forwardCheck = ui.forwardCheck;
    ipEdits = {ui.ipEdit1, ui.ipEdit2, ui.ipEdit3, ui.ipEdit4};
    portEdits = {ui.portEdit1, ui.portEdit2, ui.portEdit3, ui.portEdit4};
    readButton = ui.readButton;
    setButton = ui.setButton;

    setStyleSheet(QLatin1String(SettingsStyles::kOscWindow));
    ui.deviceFrame->setStyleSheet(QLatin1String(SettingsStyles::kOscDeviceFrame));
    localPortEdit->setValidator(new QIntValidator(0, kMaxPort, localPortEdit));
    for (QLineEdit *edit : portEdits)
        edit->setValidator(new QIntValidator(0, kMaxPort, edit));
    // The form names each editor; their frame style selects on the class name.
    for (IpAddressEdit *edit : ipEdits)
        edit->setObjectName(QStringLiteral("IpAddressEdit"));

    connect(&sequence, &SettingSequence::sendRequested, this, &OscSettingWidget::sendSysExRequested);
    connect(&sequence, &SettingSequence::finished, this, &OscSettingWidget::finishSequence);
    connect(readButton, &QPushButton::clicked, this, &OscSettingWidget::onReadClicked);
    connect(setButton, &QPushButton::clicked, this, &OscSettingWidget::onSetClicked);
}

void OscSettingWidget::onReadClicked()
{
    emit sendSysExRequested(oscReadRequest());
}

void OscSettingWidget::onSetClicked()
{
    std::array<SettingsForms::OscTargetText, kDevices> targets;
    for (int i = 0; i < kDevices; ++i)
        targets[size_t(i)] = {ipEdits[size_t(i)]->address(), portEdits[size_t(i)]->text()};
    QString error;
    const std::optional<UnitSettings::Osc> osc =
        SettingsForms::parseOsc(localPortEdit->text(), forwardCheck->isChecked(), targets, &error);
    if (!osc) {
        warn(error);
        return;
    }
    sequence.start(SettingSteps::forOsc(*osc));
}

void OscSettingWidget::handleAck(const QByteArray &message)
{
    const int code = parseAck(message);
    if (code < 0) {
        qDebug().noquote() << "Unknown new Ack:" << message.toHex(' ').toUpper();
        return;
    }
    qDebug().noquote() << "MCU Ack:" << ackLogText(code);
    if (!sequence.isRunning() || sequence.messages().isEmpty()) {
        boxes()->notify(this, QMessageBox::Information, tr("MCU Ack"),
                        code != kAckFailed ? tr("Configuration applied successfully.") : tr("Configuration failed."));
        return;
    }
    sequence.takeAck(code);
}

void OscSettingWidget::finishSequence()
{
    boxes()->notify(this, sequence.allSucceeded() ? QMessageBox::Information : QMessageBox::Warning, tr("Set Result"),
                    buildResultText());
}

QString OscSettingWidget::buildResultText() const
{
    QStringList succeeded;
    QStringList failed;
    for (const SetItem &item : sequence.items()) {
        if (item.recorded && item.success) {
            succeeded.append(tr("%1: Success").arg(item.name));
        } else {
            const QString reason = item.error.trimmed();
            failed.append(tr("%1: Failed (%2)").arg(item.name, reason.isEmpty() ? tr("Unknown error") : reason));
        }
    }
    if (failed.isEmpty())
        return tr("OSC configuration applied successfully to the following items:\n") + succeeded.join(QLatin1Char('\n'));
    return tr("Failed to apply the following items:\n") + failed.join(QLatin1Char('\n'));
}

void OscSettingWidget::handleFeedback(const QByteArray &message)
{
    const std::optional<OscFeedback> feedback = parseOscFeedback(message);
    if (!feedback) {
        if (message.size() == kOscMessageSize && message.startsWith(QByteArray::fromHex("F07F7F5E0F")))
            qCDebug(lcMidiTraffic).noquote() << "[OSC Feedback] ignored:" << message.toHex(' ').toUpper();
        return;
    }
    qCDebug(lcMidiTraffic).noquote() << "[OSC Feedback]" << message.toHex(' ').toUpper();
    switch (feedback->target) {
    case OscForward:
        forwardCheck->setChecked(feedback->forward);
        break;
    case OscLocalPort:
        localPortEdit->setText(QString::number(feedback->port));
        break;
    default: {
        const size_t device = size_t(feedback->target - 1);
        if (feedback->address.isEmpty())
            qWarning().noquote() << "Invalid IP decoded from feedback:" << message.toHex(' ').toUpper();
        ipEdits[device]->setAddress(feedback->address);
        portEdits[device]->setText(QString::number(feedback->port));
        break;
    }
    }
}
