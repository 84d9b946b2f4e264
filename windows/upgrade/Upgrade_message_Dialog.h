// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/FirmwareTransfer.h"
#include "ui_Upgrade_message_Dialog.h"

#include <QDialog>

class MessageBoxes;

// The progress window of the main window's automatic upgrade. While the unit
// prepares, comes back in upgrade mode and erases, a busy bar and a line say
// what is happening; then the bar follows the chunks. It ends with the
// success message once, when done() comes after the last acknowledgement, or
// with the failure, never both.
class Upgrade_message_Dialog : public QDialog
{
    Q_OBJECT
public:
    // boxes null: the desktop's own.
    explicit Upgrade_message_Dialog(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);

    Ui::Upgrade_message_Dialog &form() { return ui; }
    // What the stage line says in each state of the transfer; empty: none.
    static QString stageText(FirmwareTransfer::State state);

public slots:
    void rec_brio_version(const QString &Brio, const QString &version);
    void rec_possvalue(int value);
    void upgrade_done();
    // The transfer stopped: no success is shown, the reason is.
    void upgrade_failed(const QString &message);
    // Shows the window for the stages before the first chunk.
    void showTransferState(FirmwareTransfer::State state);

private:
    MessageBoxes *m_boxes;
    void showDeterminate();
    void endUpgrade();

    Ui::Upgrade_message_Dialog ui;
    // Set by the end, success or failure; a new upgrade clears it.
    bool m_ended = false;
};
