#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWidget;

// Answers the modal message boxes a test provokes: every few milliseconds
// it records each visible QMessageBox and presses its default (or first)
// button. Boxes with no buttons are recorded and left open.
class BoxCatcher : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString title;
        QString text;
        QPointer<QWidget> parent;
        int buttons = 0;
    };

    explicit BoxCatcher(QObject *parent = nullptr);

    QList<Box> boxes;
    bool answer = true; // false: record only

    bool seen(const QString &textPart) const;
    void clear() { boxes.clear(); }

private:
    void poll();

    QTimer m_timer;
    QList<QPointer<QWidget>> m_recorded;
};
