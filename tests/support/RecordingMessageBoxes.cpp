#include "support/RecordingMessageBoxes.h"

QMessageBox::StandardButton RecordingMessageBoxes::show(QWidget *parent, QMessageBox::Icon icon,
                                                        const QString &title, const QString &text,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::StandardButton)
{
    Box box{parent, parent != nullptr, icon, title, text, buttons};
    boxes.append(box);
    if (onShow)
        onShow(box);
    if (!answers.isEmpty())
        return answers.takeFirst();
    for (int bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
        if (buttons & bit)
            return static_cast<QMessageBox::StandardButton>(bit);
    }
    return QMessageBox::NoButton;
}
