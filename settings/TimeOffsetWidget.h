#pragma once

#include "ui_TimeOffsetWidget.h"

#include <QByteArray>
#include <QWidget>

// The unit's time-code offset of -15 to +15 frames: Send writes it, the
// unit's reports show it.
class TimeOffsetWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TimeOffsetWidget(QWidget *parent = nullptr);

    // Every incoming message except the six-byte acknowledgements.
    void handleFeedback(const QByteArray &message);

signals:
    void sendSysExRequested(QByteArray data);

public slots:
    void onSendClicked();

private:
    Ui::TimeOffsetWidget ui;
};
