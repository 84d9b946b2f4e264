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
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
