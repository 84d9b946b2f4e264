// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class MessageBoxes;
class QWidget;
class ip_Dialog;

// The logic behind the IP dialog: Read asks the unit for its configuration,
// Set checks the three addresses and sends them, and the unit's IP feedback
// is written back into the dialog. The messages leave through
// sendSysExRequested() one at a time, each followed by kMessageGapMs of
// quiet so that the unit has handled one before it gets the next.
class IpSettingController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMessageGapMs = 50;

    // The read confirmation opens over boxParent; the dialog's own warnings
    // open over the dialog.
    IpSettingController(ip_Dialog *dialog, QWidget *boxParent, MessageBoxes *boxes, QObject *parent = nullptr);

    // The read request (kind 00).
    void requestConfig();
    // DHCP mode sends the mode message alone. Manual mode sends address,
    // subnet and gateway, leaving out a blank field; a field that is partly
    // typed or holds an octet above 255, a mask with a gap in its ones, or an
    // address and gateway outside the mask's subnet is pointed out and nothing
    // at all is sent.
    void set();

    // Every incoming message; only IP configuration feedback changes the
    // dialog, and only this family's malformed messages are traced.
    void handleFeedback(const QByteArray &message);

signals:
    void sendSysExRequested(QByteArray data);

private:
    MessageBoxes *m_boxes;
    // value and kindWord as NetworkMessages::buildIpConfigMessage takes them.
    void queue(const QString &value, const QString &kindWord);
    void sendNext();
    bool fieldsFitTogether();

    ip_Dialog *m_dialog;
    QWidget *m_boxParent;
    // Messages waiting for the gap after the previous one.
    QList<QByteArray> m_queue;
    QTimer m_gapTimer;
};
