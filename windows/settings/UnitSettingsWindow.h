// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

class MessageBoxes;

// A window for one group of the unit's settings. It never talks to the unit
// itself: it asks for each message to be sent, and the window that owns the
// MIDI output hands it every message the unit sends. Its boxes do not block,
// so that the MIDI dispatch goes on while one is open.
class UnitSettingsWindow : public QWidget
{
    Q_OBJECT
public:
    // Every incoming System Exclusive message; each window picks its own.
    virtual void handleFeedback(const QByteArray &message) = 0;

signals:
    void sendSysExRequested(QByteArray data);

protected:
    // boxes null: the desktop's own.
    explicit UnitSettingsWindow(MessageBoxes *boxes, QWidget *parent = nullptr);

    MessageBoxes *boxes() const { return m_boxes; }
    void warn(const QString &text);

private:
    MessageBoxes *m_boxes;
};
