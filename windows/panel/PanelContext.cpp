// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/PanelContext.h"

#include "dialogs/MessageBoxes.h"
#include "midi/QMidiOut.h"
#include "panel/StyleSheets.h"
#include "protocol/MachineControl.h"

#include <QDebug>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

PanelContext::PanelContext(const Widgets &widgets, QMidiOut *midiOut, QWidget *window, MessageBoxes *boxes)
    : m_widgets(widgets)
    , m_midiOut(midiOut)
    , m_window(window)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
}

bool PanelContext::outputOpen() const
{
    return m_midiOut && m_midiOut->isOpen();
}

void PanelContext::send(const QByteArray &message) const
{
    if (m_midiOut)
        m_midiOut->sendLongMessage(message);
}

bool PanelContext::sendLocate(const FrameArithmetic::Label &label) const
{
    const auto message = MachineControl::locate(label.hours, label.minutes, label.seconds, label.frames,
                                                locateRate());
    if (!message) {
        qWarning() << "Locate not sent, a time part is out of range:" << label.hours << label.minutes
                   << label.seconds << label.frames;
        return false;
    }
    if (outputOpen()) {
        for (const auto &listener : *m_locateListeners)
            listener();
    }
    send(*message);
    return true;
}

void PanelContext::onLocate(std::function<void()> listener)
{
    m_locateListeners->push_back(std::move(listener));
}

void PanelContext::sendStop() const
{
    send(MachineControl::stop());
}

void PanelContext::sendPlay() const
{
    send(MachineControl::play());
}

std::optional<FrameRate> PanelContext::checkedRate() const
{
    constexpr auto rates = FrameRate::all();
    if (m_checkedRate >= 0 && m_widgets.rates[m_checkedRate]->isChecked())
        return FrameRate(rates[m_checkedRate]);
    for (int i = 0; i < int(rates.size()); ++i) {
        if (m_widgets.rates[i]->isChecked()) {
            m_checkedRate = i;
            return FrameRate(rates[i]);
        }
    }
    m_checkedRate = -1;
    return std::nullopt;
}

FrameRate PanelContext::locateRate() const
{
    return checkedRate().value_or(FrameRate::Fps24);
}

void PanelContext::warnNotConnected() const
{
    warn(QStringLiteral("MIDI Device Not Connected"), QStringLiteral("No MIDI device detected. Please check the connection."));
}

void PanelContext::warn(const QString &title, const QString &text) const
{
    m_boxes->show(m_window, QMessageBox::Warning, title, text);
}

void PanelContext::applyTransportLook(bool enabled) const
{
    const struct
    {
        QPushButton *button;
        const char *sheet;
        const char *disabledSheet;
    } buttons[] = {
        {m_widgets.play, PanelStyle::kPlayNormal, PanelStyle::kPlayDisabled},
        {m_widgets.pause, PanelStyle::kPauseNormal, PanelStyle::kPauseDisabled},
        {m_widgets.stop, PanelStyle::kStopNormal, PanelStyle::kStopDisabled},
        {m_widgets.gotoCapture, PanelStyle::kGotoNormal, PanelStyle::kGotoDisabled},
    };
    for (const auto &entry : buttons) {
        entry.button->setStyleSheet(QString::fromLatin1(enabled ? entry.sheet : entry.disabledSheet));
        entry.button->setEnabled(enabled);
    }
}

void PanelContext::applyRadioGroupLook(QGroupBox *group, bool enabled)
{
    const QString sheet = QString::fromLatin1(enabled ? PanelStyle::kRadioGroupEnabled : PanelStyle::kRadioGroupDisabled);
    // The source lock re-applies its look every 100 ms while time code
    // arrives; setting an unchanged sheet would re-polish every button.
    for (QRadioButton *button : group->findChildren<QRadioButton *>()) {
        if (button->styleSheet() != sheet)
            button->setStyleSheet(sheet);
        button->setEnabled(enabled);
    }
}
