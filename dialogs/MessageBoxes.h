#pragma once

#include <QMessageBox>
#include <QString>

// Everything that shows a modal message box goes through this seam so that tests can
// answer boxes without running a nested event loop. The real implementation runs a
// QMessageBox; tests put in one that records and answers.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // Shows a modal box and returns the button that closed it.
    virtual QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                             const QString &text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;

    // The boxes of the running desktop. Objects keep a MessageBoxes* they were given;
    // callers that have none pass this.
    static MessageBoxes *desktop();
};

class DesktopMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override;
};
