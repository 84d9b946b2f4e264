// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class FirmwareUpdateCheck;
class MessageBoxes;
class QWidget;

// The window's side of a firmware update check: it asks whether to take a newer image,
// shows the download's progress with Cancel, and says when the download failed or, where
// the user asked for the check, that nothing is new. The check itself is its child.
class FirmwareUpdatePrompts : public QObject
{
    Q_OBJECT
public:
    // The main window stays quiet when nothing is new; the upgrade dialog, which the user
    // opened for this purpose, says so.
    enum class Place { MainWindow, UpgradeDialog };

    // owner parents the prompts, the boxes and the progress; boxes null: the desktop's own.
    FirmwareUpdatePrompts(Place place, QWidget *owner, MessageBoxes *boxes = nullptr);

    FirmwareUpdateCheck *check() const { return m_check; }

private:
    Place m_place;
    QWidget *m_owner;
    MessageBoxes *m_boxes;
    FirmwareUpdateCheck *m_check;
};
