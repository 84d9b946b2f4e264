#pragma once

#include "dialogs/MessageBoxes.h"

#include <QList>
#include <QPointer>

#include <functional>

// Records every box instead of showing it and answers at once with the next queued
// answer (Ok, or the first of the offered buttons, when none is queued).
class RecordingMessageBoxes : public MessageBoxes
{
public:
    struct Box
    {
        QPointer<QWidget> parent;
        bool hadParent = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override;

    void answerNext(QMessageBox::StandardButton answer) { answers.append(answer); }
    // Runs while the box "is open", e.g. to check what the user would see behind it.
    std::function<void(const Box &)> onShow;

    QList<Box> boxes;
    QList<QMessageBox::StandardButton> answers;
};
