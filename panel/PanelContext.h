#pragma once

#include "panel/FrameArithmetic.h"

#include <QByteArray>
#include <QString>

class QGroupBox;
class QMidiOut;
class QWidget;
namespace Ui {
class MainWindow;
}

// What the time-code panel's parts share: the main form, the output port and
// the window that parents their message boxes. Borrowed; the window owns all.
class PanelContext
{
public:
    PanelContext(Ui::MainWindow *ui, QMidiOut *midiOut, QWidget *window);

    Ui::MainWindow *ui() const { return m_ui; }
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

    // Text of the checked frame-rate button, "None" when none is checked.
    QString rateText() const;

    // "MIDI Device Not Connected".
    void warnNotConnected() const;
    void warn(const QString &title, const QString &text) const;

    // The looks of the transport buttons and of a group of radio buttons; a
    // disabled look also disables the widgets.
    void applyTransportLook(bool enabled) const;
    static void applyRadioGroupLook(QGroupBox *group, bool enabled);

private:
    Ui::MainWindow *m_ui;
    QMidiOut *m_midiOut;
    QWidget *m_window;
};
