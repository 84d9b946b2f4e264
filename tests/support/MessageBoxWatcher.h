#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Closes every message box that appears while it lives and remembers its title
// and text, so code that opens modal boxes can run in a test without a user.
// Boxes run their own event loop, in which this watcher's timer keeps firing.
class MessageBoxWatcher : public QObject
{
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    explicit MessageBoxWatcher(int pollMs = 10)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { closeVisibleBoxes(); });
        m_timer.start(pollMs);
    }

    QList<Box> boxes;

    // For measurements of idle CPU, where the poll itself would dominate.
    void stopWatching() { m_timer.stop(); }

    QStringList titles() const
    {
        QStringList t;
        for (const Box &b : boxes)
            t << b.title;
        return t;
    }

private:
    void closeVisibleBoxes()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || box->property("watcherSeen").toBool())
                continue;
            box->setProperty("watcherSeen", true);
            boxes.append({box->windowTitle(), box->text(), box->icon()});
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};
