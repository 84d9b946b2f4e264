// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_ip_Dialog.h"

#include <QDialog>
#include <QString>

class MessageBoxes;
class QLineEdit;

// Holds the unit's addressing mode and, for manual addressing, its IP
// address, subnet mask and gateway. IpSettingController builds and sends the
// messages on read_ip() and set_ip(), and writes the unit's feedback back in.
class ip_Dialog : public QDialog
{
    Q_OBJECT
public:
    enum Field { AddressField, SubnetField, GatewayField };
    static constexpr int kModeDhcp = 0;
    static constexpr int kModeManual = 1;

    // boxes null: the desktop's own.
    explicit ip_Dialog(MessageBoxes *boxes = nullptr, QWidget *parent = nullptr);
    ~ip_Dialog() override;

    // An address field whose mask holds no digit reads back as its three dots.
    static bool isBlankAddress(const QString &text);

    int modeIndex() const;
    void setModeIndex(int index);
    QLineEdit *field(Field which) const;

    // Raised by Read so that the next mode feedback is confirmed once.
    bool isReadConfirmPending() const { return readConfirmPending; }
    void setReadConfirmPending(bool pending) { readConfirmPending = pending; }

    // Shows the warning for an address that cannot be sent and puts the
    // cursor into its field.
    void warnInvalidAddress(QLineEdit *edit);
    void warnField(QLineEdit *edit, const QString &title, const QString &text);

signals:
    void read_ip();
    void set_ip();

public slots:
    void checkCursorAndAdjust();
    // Run when a field's editing finishes: an address that is not four octets
    // of 0 to 255 is refused and cleared. How the three fields fit together
    // is checked on Set only, so that moving the unit to another subnet can
    // change them one after the other.
    void validateIPAddress();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();

private:
    MessageBoxes *m_boxes;
    void onIpTextChanged(const QString &text);
    void validateField(QLineEdit *edit);
    bool isOwnField(QObject *object) const;

    Ui::ip_Dialog ui;
    bool readConfirmPending = false;
    // A box opening takes the focus and ends the field's editing again.
    bool validating = false;
};
