// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Platform.h"

#include <QObject>

class CustomDialog;
class QAction;
class QWidget;

// What the Help menu opens: the About box, the panel's own update check (by
// hand, or once shortly after start unless the user turned that off) and the
// user manual. These share the window as parent and the platform's boxes and
// browser, and nothing else of the window.
class HelpMenu : public QObject
{
    Q_OBJECT
public:
    // `checkAtStart` becomes the checkable "Check for Updates at Start" entry.
    HelpMenu(QWidget *window, QAction *checkAtStart, const Platform &platform);

    CustomDialog *aboutBox() const { return m_about; }
    void showAbout();
    // Builds a check dialog and asks the server; the dialog deletes itself when done.
    void checkForUpdate(bool manual);
    // Problems exporting or opening the manual are shown in a box.
    void openManual();

private:
    QWidget *m_window;
    Platform m_platform;
    CustomDialog *m_about;
};
