// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class MessageBoxes;
class MidiConnection;
class QLabel;
class QMenu;

// The "MIDI Devices" menu and the device label beside the readout, kept in
// step with the MIDI connection: an entry per output port (or a disabled
// "none"), the check mark on the connected one, and the boxes that tell of a
// failed connect or a disconnect from the menu. Picking an entry is handed
// back through picked(); what a connect means for the rest of the panel is the
// window's business.
class MidiDeviceMenu : public QObject
{
    Q_OBJECT
public:
    struct Widgets
    {
        QMenu *menu;
        QLabel *deviceLabel;
    };

    // All borrowed; the window owns them. boxes may be null for the desktop's own.
    MidiDeviceMenu(const Widgets &widgets, MidiConnection *midi, MessageBoxes *boxes, QObject *parent = nullptr);

    // Makes the entry whose port label is `label` the one checkable entry and
    // gives it `checked`; every other entry is left plain. An empty label
    // leaves none checkable.
    static void markDeviceAction(QMenu *menu, const QString &label, bool checked);
    // The half-second tick: the checkable entry follows whether the output is open.
    void refreshCheckMark();
    // The device label and the connected entry's check mark.
    void showState();

signals:
    void picked(const QString &label);

private:
    void fill();
    void onConnectFailed(const QString &label, bool again);
    void onDisconnectedByUser(const QString &label);

    Widgets m_widgets;
    MidiConnection *m_midi;
    MessageBoxes *m_boxes;
};
