// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameArithmetic.h"
#include "timecode/FrameRate.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MessageBoxes;
class QGroupBox;
class QLineEdit;
class QMidiOut;
class QPushButton;
class QRadioButton;
class QWidget;

// What the time-code panel's parts share: the widgets more than one of them
// drives, the output port, and the window and message boxes through which
// they warn. Borrowed; the window owns all.
class PanelContext
{
public:
    // The three time entries, in form order.
    struct TimeFields
    {
        QLineEdit *start;
        QLineEdit *end;
        QLineEdit *capture;
    };
    struct Widgets
    {
        // The frame-rate buttons in form order: 24, 25, 30 drop, 30, which
        // is the order of FrameRate::all().
        QRadioButton *rates[4];
        QPushButton *play;
        QPushButton *pause;
        QPushButton *stop;
        QPushButton *gotoCapture;
    };

    // boxes: null for the desktop's own.
    PanelContext(const Widgets &widgets, QMidiOut *midiOut, QWidget *window, MessageBoxes *boxes);

    const Widgets &widgets() const { return m_widgets; }
    QWidget *window() const { return m_window; }

    bool outputOpen() const;
    // Sends one message through the output port (nothing without a port) and
    // traces it.
    void send(const QByteArray &message) const;
    // Locate to a label at the rate of the checked frame-rate button. A label
    // with a part outside 0..127 (a blank field) is not sent; returns false then.
    bool sendLocate(const FrameArithmetic::Label &label) const;
    void sendStop() const;
    void sendPlay() const;
    // Called just before each Locate goes out, whichever part sends it and
    // through whichever copy of the context: from then on every position
    // learned before is stale.
    void onLocate(std::function<void()> listener);

    // The rate of the checked frame-rate button; nothing when none is checked.
    std::optional<FrameRate> checkedRate() const;
    // The rate a Locate carries: the checked one, 24 when none is checked.
    FrameRate locateRate() const;

    // "MIDI Device Not Connected".
    void warnNotConnected() const;
    void warn(const QString &title, const QString &text) const;

    // The looks of the transport buttons and of a group of radio buttons; a
    // disabled look also disables the widgets.
    void applyTransportLook(bool enabled) const;
    static void applyRadioGroupLook(QGroupBox *group, bool enabled);

private:
    Widgets m_widgets;
    QMidiOut *m_midiOut;
    QWidget *m_window;
    MessageBoxes *m_boxes;
    // Shared by all copies.
    std::shared_ptr<std::vector<std::function<void()>>> m_locateListeners =
        std::make_shared<std::vector<std::function<void()>>>();
    // The rate is read with every label while time code runs; the button
    // found checked last time is asked first (the buttons are exclusive).
    mutable int m_checkedRate = -1;
};
