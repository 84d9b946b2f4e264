// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/UnitSettingsWindow.h"
#include "ui_TimeOffsetWidget.h"

#include <QByteArray>

class MessageBoxes;

// The unit's time-code offset of -15 to +15 frames: Send writes it, the
// unit's reports show it.
class TimeOffsetWidget : public UnitSettingsWindow
{
    Q_OBJECT
public:
    // boxes null: the desktop's own.
    explicit TimeOffsetWidget(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);

    // Every incoming message except the six-byte acknowledgements.
    void handleFeedback(const QByteArray &message) override;

public slots:
    void onSendClicked();

private:
    Ui::TimeOffsetWidget ui;
};
