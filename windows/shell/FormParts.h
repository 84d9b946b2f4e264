// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/ModelControls.h"
#include "midi/MidiDeviceMenu.h"
#include "panel/TimecodePanel.h"
#include "panel/TransportKeys.h"

namespace Ui {
class MainWindow;
}

// The form's object names are the designer's (pushButton_7, radioButton_9);
// the window's parts take their widgets by role. This is the one table that
// says which widget of the form plays which role, so that a change to the
// form touches one file and the window's constructor stays wiring.
class FormParts
{
public:
    // Borrowed; the window owns the form.
    explicit FormParts(Ui::MainWindow *form);

    MidiDeviceMenu::Widgets deviceMenu() const;
    ModelControls::Widgets modelControls() const;
    TimecodePanel::Widgets timecodePanel() const;
    TransportKeys::Widgets transportKeys() const;

private:
    PanelContext::TimeFields timeFields() const;

    Ui::MainWindow *m_form;
};
