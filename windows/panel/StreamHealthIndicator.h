// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/MidiTimecodeIn.h"

#include <QPointer>
#include <QWidget>

class QTimer;

// A small mark in the top right corner of the readout for the time code that
// comes in: a green triangle pointing right while it runs forward, an amber
// one pointing left while it runs in reverse, a grey square once it stopped
// (no quarter frame for MidiTimecodeIn::kStoppedAfterFrames frames), a grey
// ring while none came since connecting. Its tooltip counts the pieces lost,
// labels rejected and jumps confirmed since then.
//
// A child of the readout's last field, placed by hand and not in a layout,
// so that it moves nothing on the form.
class StreamHealthIndicator : public QWidget
{
    Q_OBJECT
public:
    enum class State { None, Forward, Reverse, Stopped };

    static constexpr int kSize = 14;
    static constexpr int kInset = 8;
    // How often the state is read while a stream runs.
    static constexpr int kRefreshMs = 100;

    StreamHealthIndicator(MidiTimecodeIn *decoder, QWidget *corner);

    State state() const { return m_state; }

    // Reads the decoder's state now.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QPointer<MidiTimecodeIn> m_decoder;
    QTimer *m_timer;
    State m_state = State::None;
    MidiTimecodeIn::StreamHealth m_health;
};
