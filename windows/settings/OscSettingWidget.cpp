// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OscSettingWidget.h"

#include "settings/IpAddressEdit.h"
#include "protocol/NetworkMessages.h"
#include "protocol/TrafficLog.h"
#include "dialogs/MessageBoxes.h"
#include "settings/SettingsStyles.h"

#include <QDebug>
#include <QIntValidator>
#include <QStringList>

#include <algorithm>

using namespace NetworkMessages;

namespace {
constexpr int kMaxPort = 65535;
constexpr int kDevices = 4;
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

    stepTimer.setSingleShot(true);
    connect(&stepTimer, &QTimer::timeout, this, &OscSettingWidget::onStepTimeout);
    connect(readButton, &QPushButton::clicked, this, &OscSettingWidget::onReadClicked);
    connect(setButton, &QPushButton::clicked, this, &OscSettingWidget::onSetClicked);
}

void OscSettingWidget::onReadClicked()
{
    emit sendSysExRequested(oscReadRequest());
}

void OscSettingWidget::onSetClicked()
{
    const std::optional<quint16> localPort = parsePort(localPortEdit->text());
    if (!localPort) {
        warn(tr("The local device port is invalid."));
        return;
    }

    QList<QByteArray> newMessages;
    QList<SetItem> newItems;
    auto append = [&](const QByteArray &message, quint8 id, const QString &name) {
        newMessages.append(message);
        SetItem item;
        item.id = id;
        item.name = name;
        newItems.append(item);
    };
    append(oscLocalPortMessage(*localPort), OscLocalPort, QStringLiteral("Local Port"));
    append(oscForwardMessage(forwardCheck->isChecked()), OscForward, QStringLiteral("Forward"));

    for (int i = 0; i < kDevices; ++i) {
        const int n = i + 1;
        const QString address = ipEdits[size_t(i)]->address();
        const QString portText = portEdits[size_t(i)]->text().trimmed();
        if (address.isEmpty() && portText.isEmpty())
            continue;
        if (address.isEmpty() || portText.isEmpty()) {
            warn(tr("Device %1 IP or port is incomplete.").arg(n));
            return;
        }
        const std::optional<quint16> port = parsePort(portText);
        if (!port) {
            warn(tr("Device %1 port is invalid.").arg(n));
            return;
        }
        const QStringList parts = address.split(QLatin1Char('.'));
        std::array<int, 4> octets{};
        bool valid = parts.size() == 4;
        for (int k = 0; valid && k < 4; ++k) {
            bool ok = false;
            octets[size_t(k)] = parts[k].toInt(&ok);
            valid = ok && octets[size_t(k)] >= 0 && octets[size_t(k)] <= 255;
        }
        if (!valid) {
            warn(tr("Device %1 IP address is invalid.").arg(n));
            return;
        }
        append(oscDeviceMessage(n, octets, *port), quint8(n), QStringLiteral("Device%1").arg(n));
    }

    messages = newMessages;
    items = newItems;
    sending = true;
    finished = false;
    currentIndex = -1;
    stepTimer.stop();
    sendNextStep();
}

void OscSettingWidget::sendNextStep()
{
    if (!sending || finished)
        return;
    const int k = currentIndex + 1;
    if (k < 0 || k >= messages.size())
        return;
    currentIndex = k;
    // The output port traces the bytes.
    qDebug().noquote() << "OSC step" << k + 1 << "of" << messages.size();
    emit sendSysExRequested(messages[k]);
    stepTimer.start(stepTimeoutMs);
}

void OscSettingWidget::handleAck(const QByteArray &message)
{
    const int code = parseAck(message);
    if (code < 0) {
        qDebug().noquote() << "Unknown new Ack:" << message.toHex(' ').toUpper();
        return;
    }
    qDebug().noquote() << "MCU Ack:" << ackLogText(code);
    const bool success = code != kAckFailed;

    if (!sending || messages.isEmpty()) {
        boxes()->notify(this, QMessageBox::Information, tr("MCU Ack"),
                      success ? tr("Configuration applied successfully.") : tr("Configuration failed."));
        return;
    }
    if (currentIndex < 0 || currentIndex >= items.size()) {
        qWarning() << "Current sending index invalid:" << currentIndex;
        return;
    }
    if (success) {
        recordResult(items[currentIndex].id, true, QString());
        if (currentIndex < messages.size() - 1)
            sendNextStep();
        else
            finishSequence();
        return;
    }
    recordResult(items[currentIndex].id, false, tr("The device reported a failure"));
    for (int i = currentIndex + 1; i < items.size(); ++i) {
        if (!items[i].recorded) {
            items[i].recorded = true;
            items[i].success = false;
            items[i].error = tr("Skipped because the previous item failed");
        }
    }
    finishSequence();
}

void OscSettingWidget::recordResult(quint8 id, bool success, const QString &error)
{
    auto it = std::find_if(items.begin(), items.end(), [id](const SetItem &item) { return item.id == id; });
    if (it == items.end() || it->recorded)
        return;
    it->recorded = true;
    it->success = success;
    it->error = error;
}

void OscSettingWidget::onStepTimeout()
{
    if (!sending || finished)
        return;
    for (SetItem &item : items) {
        if (!item.recorded) {
            item.recorded = true;
            item.success = false;
            item.error = tr("Timed out waiting for a device response");
        }
    }
    finishSequence();
}

void OscSettingWidget::finishSequence()
{
    if (!sending || finished)
        return;
    sending = false;
    finished = true;
    stepTimer.stop();
    const bool allGood =
        std::all_of(items.begin(), items.end(), [](const SetItem &item) { return item.recorded && item.success; });
    boxes()->notify(this, allGood ? QMessageBox::Information : QMessageBox::Warning, tr("Set Result"),
                  buildResultText());
}

QString OscSettingWidget::buildResultText() const
{
    QStringList succeeded;
    QStringList failed;
    for (const SetItem &item : items) {
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
