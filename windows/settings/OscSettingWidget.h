// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/UnitSettingsWindow.h"
#include "ui_OscSettingWidget.h"
#include "unit/SettingSequence.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

class IpAddressEdit;
class MessageBoxes;
class QLineEdit;

// The unit's OSC settings: its local port, the Forward switch and up to four
// target devices. Set sends one message per item and waits for the unit's
// acknowledgement before the next; one box reports the outcome of all.
// Acknowledgements that arrive while no Set runs are reported on their own.
class OscSettingWidget : public UnitSettingsWindow
{
    Q_OBJECT
public:
    static constexpr int kStepTimeoutMs = SettingSequence::kStepTimeoutMs;

    using SetItem = SettingSequence::Item;

    // boxes null: the desktop's own.
    explicit OscSettingWidget(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);

    // Every incoming System Exclusive message; fills the fields from OSC
    // configuration feedback and ignores the rest.
    void handleFeedback(const QByteArray &message) override;
    // Only the six-byte acknowledgement F0 7F 7F 12 code F7.
    void handleAck(const QByteArray &message);

    // Tests shorten the wait for an acknowledgement.
    void setStepTimeout(int ms) { sequence.setStepTimeout(ms); }

    // Device 0 to 3.
    IpAddressEdit *addressEdit(int device) const { return ipEdits.at(size_t(device)); }

    const QList<SetItem> &setItems() const { return sequence.items(); }
    QList<QByteArray> sequenceMessages() const { return sequence.messages(); }
    bool isSending() const { return sequence.isRunning(); }
    bool isFinished() const { return sequence.isFinished(); }
    int currentStep() const { return sequence.currentStep(); }

public slots:
    void onReadClicked();
    void onSetClicked();

private:
    void finishSequence();
    QString buildResultText() const;

    Ui::OscSettingWidget ui;
    QLineEdit *localPortEdit;
    QCheckBox *forwardCheck;
    std::array<IpAddressEdit *, 4> ipEdits;
    std::array<QLineEdit *, 4> portEdits;
    QPushButton *readButton;
    QPushButton *setButton;
    SettingSequence sequence;
};
