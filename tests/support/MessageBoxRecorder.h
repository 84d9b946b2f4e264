// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/MessageBoxes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// The one catcher of message boxes in the tests. It sees boxes two ways:
// - put in as the MessageBoxes seam, it records each box instead of showing it
//   and answers at once with the next queued answer (Ok, or the first of the
//   offered buttons, when none is queued); a box that does not block is kept
//   as open until closeOpen();
// - over the desktop's own boxes, a watcher records each real QMessageBox that
//   becomes visible and answers it (its default or first button, or done(Ok));
//   boxes run their own event loop, in which the watcher's timer keeps firing.
// closeOpen() closes what is open either way and tells what it showed.
class MessageBoxRecorder : public QObject, public MessageBoxes
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
        int buttonCount = 0;
        // Of a real box only; what the seam records is never drawn.
        Qt::TextFormat textFormat = Qt::AutoText;
    };

    enum class Watch {
        Off,           // the seam only, and closeOpen()
        PressDefault,  // press the queued answer, else the default button, else the first;
                       // leave buttonless boxes open
        CloseWithOk,   // done(QMessageBox::Ok) on every box
    };

    explicit MessageBoxRecorder(Watch watch = Watch::Off, int pollMs = 10);

    QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) override;
    int exec(QMessageBox &box) override;
    void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) override;

    void answerNext(QMessageBox::StandardButton answer) { answers.append(answer); }
    // Runs while a recorded box "is open", e.g. to check what the user would see behind it.
    std::function<void(const Box &)> onShow;
    // false: the watcher records only, it presses nothing.
    bool answer = true;

    // Closes every open box, real or recorded, and tells what they showed (in no set order).
    QList<Box> closeOpen();
    // For measurements of idle CPU, where the poll itself would dominate.
    void stopWatching() { m_timer.stop(); }

    bool seen(const QString &textPart) const;
    QStringList titles() const;
    void clear() { boxes.clear(); }
    // Back to a fresh recorder: nothing recorded, queued or open.
    void reset();

    QList<Box> boxes;
    QList<QMessageBox::StandardButton> answers;

private:
    static Box describe(const QMessageBox &box);
    QMessageBox::StandardButton nextAnswer(QMessageBox::StandardButtons offered);
    void poll();

    Watch m_watch;
    QTimer m_timer;
    QList<QPointer<QWidget>> m_recorded;
    QList<Box> m_notified;
};
