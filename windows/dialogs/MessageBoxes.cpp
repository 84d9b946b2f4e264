// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MessageBoxes.h"

MessageBoxes *MessageBoxes::desktop()
{
    static DesktopMessageBoxes boxes;
    return &boxes;
}

QMessageBox::StandardButton DesktopMessageBoxes::show(QWidget *parent, QMessageBox::Icon icon,
                                                      const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    // Box texts carry what a unit, a file or the update server said: data, never markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(exec(box));
}

int DesktopMessageBoxes::exec(QMessageBox &box)
{
    return box.exec();
}

void DesktopMessageBoxes::notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
