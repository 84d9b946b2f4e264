// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/UnitSettings.h"
#include "protocol/UnitSettingsFile.h"
#include "unit/UnitSettingsClient.h"

#include <QObject>
#include <QString>

#include <functional>

class MessageBoxes;
class QAction;
class QMenu;
class QWidget;
class UnitSession;

// "Save Unit Settings…" and "Load Unit Settings…" of the Setting menu: the
// connected unit's settings to a file and back, through the session's
// settings client. Load shows what would change and asks before it writes;
// afterwards it reads the unit again and says whether it now matches the
// file. Groups the connected model does not have are left out, and said so.
// Every failure is a box in plain text; nothing is written from a file that
// does not read cleanly.
class UnitSettingsFileActions : public QObject
{
    Q_OBJECT
public:
    // The two entries go at the end of menu; window parents the dialogs and
    // boxes (null boxes: the desktop's own).
    UnitSettingsFileActions(UnitSession *session, QMenu *menu, QWidget *window, MessageBoxes *boxes);

    QAction *saveAction() const { return m_save; }
    QAction *loadAction() const { return m_load; }

    // Asks for a file name: the save dialog (save true) or the open dialog,
    // starting at suggested; empty when the user cancels. Tests put their own in.
    std::function<QString(bool save, const QString &suggested)> chooseFile;

    void save();
    void load();
    void saveTo(const QString &path);
    void loadFrom(const QString &path);

private:
    enum class Step { Idle, Saving, ReadingBeforeLoad, Writing, ReadingBack };

    QString askForFile(bool save, const QString &suggested) const;
    bool unitReady(const QString &title);
    void onRead(const UnitSettings &settings);
    void onWritten();
    void onFailed(UnitSettingsClient::Failure failure, const QString &message);
    void confirmAndWrite(const UnitSettings &current);
    void finish();
    void tell(bool problem, const QString &title, const QString &text);
    UnitSettingsClient::Groups groupsOf(const UnitSettings &settings) const;

    UnitSession *m_session;
    UnitSettingsClient *m_client;
    QWidget *m_window;
    MessageBoxes *m_boxes;
    QAction *m_save;
    QAction *m_load;
    Step m_step = Step::Idle;
    QString m_path;
    UnitSettingsFile m_file;
    QStringList m_leftOut;
};
