// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QString>

// Every message box of the program goes through this seam, so that tests can
// record and answer boxes without a nested event loop. The real implementation
// runs a QMessageBox; tests put in one that records and answers.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // Shows a modal box and returns the button that closed it. The text is
    // shown as plain text, whatever it holds (as in notify()).
    virtual QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                             const QString &text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;
    // Runs a box the caller has dressed itself (button texts, window icon) and
    // returns what QMessageBox::exec() returns.
    virtual int exec(QMessageBox &box) = 0;
    // Opens an application-modal box with one Ok button and returns at once;
    // the box deletes itself when closed. For boxes that must not hold up the
    // MIDI dispatch or a timer that keeps running while they are open.
    virtual void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) = 0;

    // The boxes of the running desktop. Objects keep a MessageBoxes* they were given;
    // callers that have none pass this.
    static MessageBoxes *desktop();
    // boxes, or the desktop's own when it is null.
    static MessageBoxes *orDesktop(MessageBoxes *boxes) { return boxes ? boxes : desktop(); }
};

class DesktopMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override;
    int exec(QMessageBox &box) override;
    void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) override;
};
