#pragma once

#include "ui_UdpSetting.h"

#include <QByteArray>
#include <QWidget>

class MessageBoxes;

// The unit's UDP and TCP ports. Set sends the UDP port at once and the TCP
// port a moment later; the unit's answers come back as feedback. Its
// acknowledgements are reported by the OSC window.
class UdpSetting : public QWidget
{
    Q_OBJECT
public:
    // The unit takes the second port message only after it has handled the first.
    static constexpr int kTcpDelayMs = 50;

    // boxes null: the desktop's own.
    explicit UdpSetting(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);

    // Every incoming System Exclusive message; only port feedback is used.
    void handleFeedback(const QByteArray &message);
    // kind 0 is the UDP port, 1 the TCP port.
    void sendPortMessage(int kind, quint16 port);

signals:
    void sendSysExRequested(QByteArray data);

public slots:
    void onReadClicked();
    void onSetClicked();

private:
    MessageBoxes *m_boxes;
    void warn(const QString &text);

    Ui::UdpSetting ui;
};
