// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TimeOffsetWidget.h"

#include "protocol/NetworkMessages.h"
#include "protocol/TrafficLog.h"
#include "settings/SettingsStyles.h"

#include <QDebug>

using namespace NetworkMessages;

TimeOffsetWidget::TimeOffsetWidget(MessageBoxes *boxes, QWidget *parent)
    : UnitSettingsWindow(boxes, parent)
{
    ui.setupUi(this);
    ui.outerLayout->setAlignment(Qt::AlignCenter);
    ui.frameRowLayout->setAlignment(Qt::AlignCenter);
    ui.sendButton->setStyleSheet(QLatin1String(SettingsStyles::kOffsetSendButton));
    connect(ui.sendButton, &QPushButton::clicked, this, &TimeOffsetWidget::onSendClicked);
}

void TimeOffsetWidget::onSendClicked()
{
    const int frames = ui.frameSpin->value();
    const QByteArray message = buildTimeOffsetMessage(frames);
    emit sendSysExRequested(message);
    const quint8 code = encodeFrameOffset(frames);
    qCDebug(lcMidiTraffic) << "勾选:" << (code > 15) << "编码小时:" << frameOffsetSignByte(code) << "编码帧:" << code
             << "显示帧:" << frames << "协议帧:" << code;
}

void TimeOffsetWidget::handleFeedback(const QByteArray &message)
{
    // Everything the unit sends arrives here, and a full frame has the same
    // length: the traces are per message, under the traffic category.
    // Every quarter frame comes by too: no allocation for the family test.
    const bool ours = message.startsWith("\xF0\x7F\x7F\x12");
    if (message.size() != kTimeOffsetMessageSize) {
        if (ours)
            qCDebug(lcMidiTraffic) << "时间偏移解析失败：长度错误";
        return;
    }
    if (!isTimeOffsetFrame(message)) {
        qCDebug(lcMidiTraffic) << "时间偏移解析失败：协议头错误";
        return;
    }
    const quint8 code = quint8(message[7]);
    const std::optional<int> frames = decodeFrameOffset(code);
    if (!frames) {
        qCDebug(lcMidiTraffic) << "时间偏移解析失败：帧协议值超出范围" << code;
        return;
    }
    ui.frameSpin->setValue(*frames);
    qCDebug(lcMidiTraffic).noquote() << "成功解析时间偏移：" << (code < 16 ? "-" : "+") << qAbs(*frames) << "帧"
                       << "(协议值:" << code << ")";
}
