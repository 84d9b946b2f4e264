// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ip_Dialog.h"

#include "protocol/NetworkMessages.h"
#include "protocol/SettingsForms.h"
#include "dialogs/MessageBoxes.h"
#include "settings/SettingsStyles.h"

#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStringList>

ip_Dialog::ip_Dialog(MessageBoxes *boxes, QWidget *parent)
    : QDialog(parent)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
    ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui.widget->setStyleSheet(QLatin1String(SettingsStyles::kIpDialog));

    for (QLineEdit *edit : {ui.lineEdit_IP, ui.lineEdit_Subnet, ui.lineEdit_Gateway}) {
        // A group shorter than three digits keeps the mask's blanks in place, so a blank
        // that takes room would show 192.168.1.50 as "192.168.1  .50". A zero-width one
        // shows the address as it reads; the text and the cursor positions are the mask's.
        edit->setInputMask(QStringLiteral("000.000.000.000;") + QChar(0x200B));
        connect(edit, &QLineEdit::cursorPositionChanged, this, &ip_Dialog::checkCursorAndAdjust);
        connect(edit, &QLineEdit::textChanged, this, &ip_Dialog::onIpTextChanged);
        connect(edit, &QLineEdit::editingFinished, this, &ip_Dialog::validateIPAddress);
    }
    connect(ui.comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index != kModeDhcp && index != kModeManual)
            return;
        for (QLineEdit *edit : {ui.lineEdit_IP, ui.lineEdit_Subnet, ui.lineEdit_Gateway})
            edit->setEnabled(index == kModeManual);
    });
}

ip_Dialog::~ip_Dialog()
{
    // The line edits outlive this destructor by a moment: QWidget's own
    // destructor moves the focus away, and a focus-out would call a slot of
    // this half-destroyed dialog.
    for (QLineEdit *edit : {ui.lineEdit_IP, ui.lineEdit_Subnet, ui.lineEdit_Gateway})
        edit->disconnect(this);
}

bool ip_Dialog::isBlankAddress(const QString &text)
{
    return SettingsForms::isBlankAddress(text);
}

int ip_Dialog::modeIndex() const
{
    return ui.comboBox->currentIndex();
}

void ip_Dialog::setModeIndex(int index)
{
    ui.comboBox->setCurrentIndex(index);
}

QLineEdit *ip_Dialog::field(Field which) const
{
    switch (which) {
    case AddressField: return ui.lineEdit_IP;
    case SubnetField: return ui.lineEdit_Subnet;
    case GatewayField: return ui.lineEdit_Gateway;
    }
    return nullptr;
}

bool ip_Dialog::isOwnField(QObject *object) const
{
    return object == ui.lineEdit_IP || object == ui.lineEdit_Subnet || object == ui.lineEdit_Gateway;
}

void ip_Dialog::on_pushButton_clicked()
{
    readConfirmPending = true;
    emit read_ip();
}

void ip_Dialog::on_pushButton_2_clicked()
{
    emit set_ip();
}

void ip_Dialog::onIpTextChanged(const QString &text)
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit || !isOwnField(edit))
        return;
    if (text.length() == 3 && edit->cursorPosition() == 3)
        focusNextChild();
}

void ip_Dialog::checkCursorAndAdjust()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit || !isOwnField(edit))
        return;
    // Masked positions: group g holds 4g..4g+2, its dot sits at 4g+3.
    const int p = edit->cursorPosition();
    const int g = p / 4;
    const int o = p % 4;
    const QStringList parts = edit->text().split(QLatin1Char('.'));
    const QString group = g < parts.size() ? parts[g] : QString();

    if (g == 3 && o >= group.length()) {
        edit->setCursorPosition(12 + group.length());
        return;
    }
    if (o == 3) {
        edit->setCursorPosition(4 * g);
        return;
    }
    for (int i = o - 1; i >= 0; --i) {
        if (i < group.length() && group.at(i).isDigit()) {
            edit->setCursorPosition(4 * g + i + 1);
            return;
        }
    }
    edit->setCursorPosition(4 * g);
}

void ip_Dialog::warnInvalidAddress(QLineEdit *edit)
{
    warnField(edit, tr("Invalid IP Address"), tr("The IP address is invalid. Please enter a valid IP address."));
}

void ip_Dialog::warnField(QLineEdit *edit, const QString &title, const QString &text)
{
    m_boxes->notify(this, QMessageBox::Warning, title, text);
    edit->setFocus();
}

void ip_Dialog::validateIPAddress()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    validateField(edit);
}

void ip_Dialog::validateField(QLineEdit *edit)
{
    // Closing the dialog or disabling the fields also ends editing; an empty
    // field is simply not sent, so neither is worth a box.
    if (validating || !isVisible() || !edit->isEnabled() || isBlankAddress(edit->text()))
        return;
    const QScopedValueRollback<bool> guard(validating, true);

    if (!NetworkMessages::isValidIpAddress(edit->text())) {
        edit->clear();
        warnInvalidAddress(edit);
    }
}
