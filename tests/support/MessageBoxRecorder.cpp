// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MessageBoxRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

MessageBoxRecorder::MessageBoxRecorder(Watch watch, int pollMs)
    : m_watch(watch)
{
    if (watch == Watch::Off)
        return;
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxRecorder::poll);
    m_timer.start(pollMs);
}

QMessageBox::StandardButton MessageBoxRecorder::nextAnswer(QMessageBox::StandardButtons offered)
{
    if (!answers.isEmpty())
        return answers.takeFirst();
    for (int bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
        if (offered & bit)
            return static_cast<QMessageBox::StandardButton>(bit);
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButton MessageBoxRecorder::show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                     const QString &text, QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton)
{
    Box box{parent, parent != nullptr, icon, title, text, buttons, 0};
    for (int bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
        box.buttonCount += (buttons & bit) ? 1 : 0;
    boxes.append(box);
    if (onShow)
        onShow(box);
    return nextAnswer(buttons);
}

int MessageBoxRecorder::exec(QMessageBox &messageBox)
{
    const Box box = describe(messageBox);
    boxes.append(box);
    if (onShow)
        onShow(box);
    return nextAnswer(box.buttons);
}

void MessageBoxRecorder::notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    const Box box{parent, parent != nullptr, icon, title, text, QMessageBox::Ok, 1};
    boxes.append(box);
    m_notified.append(box);
    if (onShow)
        onShow(box);
}

MessageBoxRecorder::Box MessageBoxRecorder::describe(const QMessageBox &box)
{
    return Box{box.parentWidget(), box.parentWidget() != nullptr, box.icon(), box.windowTitle(), box.text(),
               box.standardButtons(), int(box.buttons().size()), box.textFormat()};
}

QList<MessageBoxRecorder::Box> MessageBoxRecorder::closeOpen()
{
    QList<Box> shown = m_notified;
    m_notified.clear();
    QList<QMessageBox *> open;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible())
            open.append(box);
    }
    for (QMessageBox *box : open) {
        shown.append(describe(*box));
        box->close();
    }
    return shown;
}

void MessageBoxRecorder::reset()
{
    boxes.clear();
    answers.clear();
    onShow = nullptr;
    answer = true;
    m_notified.clear();
}

bool MessageBoxRecorder::seen(const QString &textPart) const
{
    for (const Box &box : boxes) {
        if (box.text.contains(textPart) || box.title.contains(textPart))
            return true;
    }
    return false;
}

QStringList MessageBoxRecorder::titles() const
{
    QStringList result;
    for (const Box &box : boxes)
        result << box.title;
    return result;
}

void MessageBoxRecorder::poll()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box || !box->isVisible())
            continue;
        if (!m_recorded.contains(box)) {
            boxes.append(describe(*box));
            m_recorded.append(box);
        } else if (m_watch == Watch::CloseWithOk) {
            continue;
        }
        if (!answer)
            continue;
        if (m_watch == Watch::CloseWithOk) {
            box->done(QMessageBox::Ok);
            continue;
        }
        if (box->buttons().isEmpty())
            continue;
        QAbstractButton *button = answers.isEmpty() ? box->defaultButton() : box->button(answers.takeFirst());
        if (!button)
            button = box->buttons().constFirst();
        button->click();
    }
}
