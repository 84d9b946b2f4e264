// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's "MIDI Devices" menu as a user sees it.

#include "shell/MainWindow.h"
#include "ui_MainWindow.h" // each test that includes this file gets it generated

#include <QAction>
#include <QMenu>
#include <QStringList>

namespace PanelTest {

inline QStringList menuTexts(const MainWindow &w)
{
    QStringList texts;
    for (QAction *a : w.form()->menuMIDI_Out->actions())
        texts << a->text();
    return texts;
}

// The entry with this text, or null.
inline QAction *menuEntry(const MainWindow &w, const QString &label)
{
    for (QAction *a : w.form()->menuMIDI_Out->actions())
        if (a->text() == label)
            return a;
    return nullptr;
}

inline QStringList checkedEntries(const MainWindow &w)
{
    QStringList texts;
    for (QAction *a : w.form()->menuMIDI_Out->actions())
        if (a->isCheckable() && a->isChecked())
            texts << a->text();
    return texts;
}

} // namespace PanelTest
