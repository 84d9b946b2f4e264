#pragma once

#include "ui_Upgrade_message_Dialog.h"

#include <QDialog>
#include <QTimer>

// The progress window of the main window's automatic upgrade. A value of 100
// or more holds the bar at 99 for the finish delay and then ends with the
// success message, whether or not done() has come meanwhile.
class Upgrade_message_Dialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kFinishDelayMs = 5000;

    explicit Upgrade_message_Dialog(QWidget *parent = nullptr);

    Ui::Upgrade_message_Dialog &form() { return ui; }
    void setFinishDelay(int ms) { m_finishDelayMs = ms; }
    bool isFinishing() const { return m_finishing; }

public slots:
    void rec_brio_version(const QString &Brio, const QString &version);
    void rec_possvalue(int value);
    void upgrade_done();
    // The transfer stopped: no success is shown, the reason is.
    void upgrade_failed(const QString &message);

private slots:
    void finishTo100();

private:
    void endUpgrade();

    Ui::Upgrade_message_Dialog ui;
    QTimer m_finishTimer;
    int m_finishDelayMs = kFinishDelayMs;
    bool m_finishing = false;
    bool m_endPending = false;
};
