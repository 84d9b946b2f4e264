// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/EndCheck.h"
#include "timecode/FrameArithmetic.h"
#include "panel/PanelContext.h"
#include "panel/TimecodeReadout.h"

#include <QObject>
#include <QPointer>

#include <optional>

class CustomSlider;
class MidiTimecodeIn;
class QGroupBox;
class QPushButton;
class QTimer;

// Drives the unit's generator with Machine Control between the Start and End
// fields, and follows it through what it reports: the panel never counts
// running time itself, every position comes from the unit's time code, the
// fields and the slider.
//
// The slider shows the distance from Start in frames (see FrameArithmetic for
// the counting at each rate). Its value decides what Play does: 0, or the
// maximum that a run stopped at End leaves, starts fresh from Start; anything
// else resumes. While running, the End check stops the unit (or restarts it
// from Start with loop on) as soon as the unit's position reaches End: to a
// quarter frame and at once while quarter frames arrive (see MidiTimecodeIn),
// otherwise from the readout. It acts only while the unit runs forward, and
// never on a position learned before the panel's own last Locate: the unit's
// answer to that may be lost, and what came before it is where the unit was.
// The progress timer moves the slider with the readout. The source-lock timer
// keeps the source group locked while the unit's messages keep arriving.
//
// While the check and progress timers are active their work runs at once on
// what it reads: the slider follows every label and full frame, the End check
// every label and End piece, and both every change of Start or the rate from
// the panel. So the timers tick every tenth and fifth of a second rather than
// every few milliseconds, which would wake the GUI thread some 300 times a
// second while the generator runs. Their ticks catch what comes without a
// signal: the window writing the readout, a rate the unit reports, and a full
// frame on or past End. A full frame is left to the tick because the unit
// answers each Locate with one: those for the Locates sent before Play arrive
// after it, still showing the old place, and the next one shows Start.
//
// A range of 0 frames or fewer (End not after Start) is nothing to run.
// Conversions take the rate from the checked rate button each time (with
// none checked the last rate stays), and the range follows a rate change.
class GeneratorTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFastTickMs = 100;
    static constexpr int kSlowTickMs = 200;
    static constexpr int kSourceLockTickMs = 100;
    static constexpr int kLoopRestartDelayMs = 30;
    // A Stop at End that was lost is sent again (see EndCheck).
    static constexpr int kStopLostAfterQuarterFrames = EndCheck::kStopLostAfterQuarterFrames;
    static constexpr int kStopResends = EndCheck::kStopResends;

    // What the transport drives besides the context's widgets.
    struct Widgets
    {
        PanelContext::TimeFields fields;
        CustomSlider *slider;
        QPushButton *loop;
        // Locked while the generator runs or the unit's messages keep arriving.
        QPushButton *ipButton;
        QGroupBox *sourceGroup;
    };

    // Creates the timers and connects them to the End check, the progress
    // update and the source lock.
    GeneratorTransport(const PanelContext &context, const Widgets &widgets, TimecodeReadout *readout,
                       QObject *parent = nullptr);

    // The decoder of the MIDI input's thread (see QMidiIn), which tells of the
    // unit's position only with labels unless told where End is: while the
    // check timer runs it is given End, so that the piece that reaches it
    // still reaches the End check at once. Its quarter frames keep the source
    // locked like any message.
    void setInputDecoder(MidiTimecodeIn *decoder);

    QTimer *checkTimer() const { return m_checkTimer; }
    QTimer *progressTimer() const { return m_progressTimer; }
    QTimer *sourceLockTimer() const { return m_sourceLockTimer; }

    void play();
    void pause();
    void stop();
    void gotoCapture();
    void capture();
    void sliderPressed();
    void sliderValueChanged(int value);
    void sliderReleased();
    // The End check: every check-timer tick, and every label and End piece
    // while the check timer runs.
    void checkAndPause();
    void updateProgressBar();
    void checpauseTimer();
    // End may not lie before Start: an earlier End is replaced by Start.
    void checkEnd();

    // The unit's reports. A full frame is shown as it is; a quarter-frame text
    // is shown as the decoder gives it; a quarter-frame position is where the
    // unit stands, `quarterFrames` quarter frames past the start of `label`.
    void showFullFrame(const FrameArithmetic::Label &label);
    void showQuarterFrameText(const QString &timecode);
    void followQuarterFrame(const FrameArithmetic::Label &label, int quarterFrames);
    // Which way the unit's time code runs (a MidiTimecodeIn::Direction).
    void followDirection(int direction);
    // The panel is sending the unit elsewhere: where it was is stale.
    void forgetUnitPosition() { m_unit.known = false; }
    // The output port is closing or changing: the loop restart's Play must
    // not reach whatever is connected next.
    void cancelPendingPlay();
    // The unit is gone: nothing runs any more, and the buttons say so.
    void unitGone();
    bool playPending() const;

    // Every received message except the OSC acknowledgement keeps the source
    // locked for one more source-lock tick.
    void noteMessageSeen() { m_messageSeen = true; }
    void setButtonFontSize(int pixels) { m_buttonFontSize = pixels; }
    int buttonFontSize() const { return m_buttonFontSize; }

    // Play is lit: played, and not paused, stopped, dragged or at End since.
    bool isPlaying() const { return m_playing; }

    // The rate of the checked button, or the last one while none is checked.
    FrameRate rate() const;
    long long totalFrames() const { return m_totalFrames; }

private:
    // Sets the slider range from Start to End at the checked rate.
    void takeRangeFromFields(const FrameArithmetic::Label &start, const FrameArithmetic::Label &end);
    // Takes the range again when the rate changed since it was taken.
    void followRate();
    // Quarter frames from Start to where the unit stands: its last reported
    // position, or the readout when the panel has written the readout since.
    long long unitQuarterFrames() const;
    // Quarter frames from Start to End: the slider maximum.
    long long endQuarterFrames() const;
    // Frames from Start to the time the readout shows.
    long long readoutPosition() const;
    void takeUnitPosition(const FrameArithmetic::Label &label, int quarterFrames);
    void showOwnTime(const FrameArithmetic::Label &label,
                     TimecodeReadout::FramesSuffix suffix = TimecodeReadout::FramesSuffix::Blank);
    void followReadoutWithSlider();
    // What the timers read changed: their work runs now, not at their next tick.
    void runActiveTimersWork();
    void restartLoop(const FrameArithmetic::Label &start);
    bool readField(const QString &text, FrameArithmetic::Label &label) const;
    void startCheckTimer(int intervalMs);
    void stopCheckTimer();
    // Tells the input's decoder where End is, or that there is none.
    void setEndAlarm();
    void lockSource(bool locked);
    void setIpButtonLocked(bool locked);
    void resendLostStop();
    // Play, Pause and Stop unlit, the unit no longer running; a transport the
    // source has disabled keeps its look.
    void showIdleButtons();

    // The timers read the Start and End fields every few milliseconds; the
    // last texts read and what they read as are kept.
    struct FieldRead
    {
        QString text;
        FrameArithmetic::Label label;
        bool ok = false;
        bool used = false;
    };

    struct UnitPosition
    {
        FrameArithmetic::Label label;
        int quarterFrames = 0;
        bool known = false;
    };

    PanelContext m_context;
    Widgets m_widgets;
    TimecodeReadout *m_readout;
    QPointer<MidiTimecodeIn> m_inputDecoder;
    QTimer *m_checkTimer;
    QTimer *m_progressTimer;
    QTimer *m_sourceLockTimer;
    // The loop restart's Play, cancelled by Pause, Stop, a slider press and a
    // change of output port.
    QTimer *m_restartPlayTimer;
    // 24 matches the rate checked at start; the slider conversions need a
    // value before a rate button is read.
    FrameRate m_rate = FrameRate::Fps24;
    long long m_totalFrames = 0;
    // The rate the range was taken at; nothing before the first range.
    std::optional<FrameRate> m_rangeRate;
    UnitPosition m_unit;
    mutable FieldRead m_reads[3];
    // QLineEdit::text() strips the input mask's blanks on every call, and
    // Start is read with every label while time code runs: its text is kept
    // as it changes.
    QString m_startText;
    mutable int m_nextRead = 0;
    // The loop restart awaited and the Stop at End watched.
    EndCheck m_endCheck;
    bool m_reverse = false;
    bool m_messageSeen = true;
    bool m_playing = false;
    int m_buttonFontSize = 21;
};
