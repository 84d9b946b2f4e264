// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panel/PanelContext.h"

#include <QObject>

class GeneratorTransport;
class QPushButton;
class QWidget;

// The generator's keys, as in a DAW: Space plays and pauses wherever the
// focus is in the window, the time fields included, where it types nothing
// (their mask has no use for a blank). Stop, Goto and Capture take Ctrl
// combinations that no line edit claims, so they work while a time is typed.
// Each transport button's tooltip names what it does and its key.
class TransportKeys : public QObject
{
    Q_OBJECT
public:
    static constexpr Qt::Key kPlayPause = Qt::Key_Space;
    static constexpr int kStop = Qt::CTRL | Qt::Key_Period;
    static constexpr int kGoto = Qt::CTRL | Qt::Key_G;
    static constexpr int kCapture = Qt::CTRL | Qt::Key_M;

    struct Widgets
    {
        PanelContext::Widgets transport;
        QPushButton *capture;
        QPushButton *loop;
        PanelContext::TimeFields fields;
    };

    // The shortcuts belong to `window` and act while it is the active window.
    TransportKeys(QWidget *window, const Widgets &widgets, GeneratorTransport *transport);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void playOrPause();

    Widgets m_widgets;
    GeneratorTransport *m_transport;
};
