#pragma once

#include "panel/FrameArithmetic.h"
#include "panel/PanelContext.h"

#include <QObject>

class QTimer;
class TimecodeReadout;

// Drives the unit's generator with Machine Control between the Start and End
// fields, and follows it through the readout: the panel never counts running
// time itself, every position comes from the readout, the fields and the
// slider.
//
// The slider shows the distance from Start in frames (see FrameArithmetic for
// the counting at each rate). Its value decides what Play does: 0 starts fresh
// from Start, anything else resumes. While running, the check timer stops the
// unit when the readout reaches End (or restarts it from Start with loop on)
// and the progress timer moves the slider. The source-lock timer keeps the
// source group locked while the unit's messages keep arriving.
class GeneratorTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFastTickMs = 5;
    static constexpr int kSlowTickMs = 10;
    static constexpr int kSourceLockTickMs = 100;
    static constexpr int kLoopRestartDelayMs = 30;
    static constexpr int kResumeSettleMs = 100;

    // The timers are created with `context.window()` as their parent; the
    // window connects their timeouts to its slots.
    GeneratorTransport(const PanelContext &context, TimecodeReadout *readout, QObject *parent = nullptr);

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
    void checkAndPause();
    void updateProgressBar();
    void checpauseTimer();
    // End may not lie before Start: an earlier End is replaced by Start.
    void checkEnd();

    // Every received message except the OSC acknowledgement keeps the source
    // locked for one more source-lock tick.
    void noteMessageSeen() { m_messageSeen = true; }
    void setButtonFontSize(int pixels) { m_buttonFontSize = pixels; }
    int buttonFontSize() const { return m_buttonFontSize; }

    int framesPerSecond() const { return m_framesPerSecond; }
    long long totalFrames() const { return m_totalFrames; }

private:
    bool dropFrame() const;
    // Sets the frames per second from the rate buttons and the slider range
    // from Start to End.
    void takeRangeFromFields(const FrameArithmetic::Label &start, const FrameArithmetic::Label &end);
    // Frames from Start to the time the readout shows.
    long long readoutPosition() const;
    bool readField(const QString &text, FrameArithmetic::Label &label) const;
    void lockSource(bool locked);
    void setIpButtonLocked(bool locked);

    PanelContext m_context;
    TimecodeReadout *m_readout;
    QTimer *m_checkTimer;
    QTimer *m_progressTimer;
    QTimer *m_sourceLockTimer;
    // 24 matches the rate checked at start; the slider conversions need a
    // value before the first Play or Stop sets it.
    int m_framesPerSecond = 24;
    long long m_totalFrames = 0;
    bool m_messageSeen = true;
    int m_buttonFontSize = 21;
};
