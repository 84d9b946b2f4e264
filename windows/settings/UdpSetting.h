// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/UnitSettingsWindow.h"
#include "ui_UdpSetting.h"

#include <QByteArray>

class MessageBoxes;

// The unit's UDP and TCP ports. Set sends the UDP port at once and the TCP
// port a moment later; the unit's answers come back as feedback. Its
// acknowledgements are reported by the OSC window.
class UdpSetting : public UnitSettingsWindow
{
    Q_OBJECT
public:
    // The unit takes the second port message only after it has handled the first.
    static constexpr int kTcpDelayMs = 50;

    // boxes null: the desktop's own.
    explicit UdpSetting(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);

    // Every incoming System Exclusive message; only port feedback is used.
    void handleFeedback(const QByteArray &message) override;
    // kind 0 is the UDP port, 1 the TCP port.
    void sendPortMessage(int kind, quint16 port);

public slots:
    void onReadClicked();
    void onSetClicked();

private:
    Ui::UdpSetting ui;
};
