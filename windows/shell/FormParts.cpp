// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/FormParts.h"

#include "ui_MainWindow.h"

FormParts::FormParts(Ui::MainWindow *form)
    : m_form(form)
{
}

MidiDeviceMenu::Widgets FormParts::deviceMenu() const
{
    return {m_form->menuMIDI_Out, m_form->name_label};
}

ModelControls::Widgets FormParts::modelControls() const
{
    return {m_form->pushButton_7,  m_form->radioButton_5,     m_form->radioButton_6,
            m_form->radioButton_4, m_form->actionOSC_Setting, m_form->actionUDP_TCP};
}

PanelContext::TimeFields FormParts::timeFields() const
{
    return {m_form->lineEdit, m_form->lineEdit_2, m_form->lineEdit_3};
}

TimecodePanel::Widgets FormParts::timecodePanel() const
{
    Ui::MainWindow *ui = m_form;
    return {{{ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10},
             ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4},
            {ui->time_hour, ui->time_min, ui->time_sed, ui->time_fam},
            {{ui->radioButton, ui->radioButton_2, ui->radioButton_3, ui->radioButton_4, ui->radioButton_5,
              ui->radioButton_6},
             ui->groupBox, ui->groupBox_2, timeFields(), ui->horizontalSlider},
            {timeFields(), ui->horizontalSlider, ui->pushButton_6, ui->pushButton_7, ui->groupBox},
            ui->centralwidget};
}

TransportKeys::Widgets FormParts::transportKeys() const
{
    return {timecodePanel().shared, m_form->pushButton_5, m_form->pushButton_6, timeFields()};
}
