// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/GeneratorTransport.h"

#include "panel/CustomSlider.h"
#include "panel/StyleSheets.h"
#include "panel/TimecodeReadout.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>
#include <QTimer>

#include <iterator>

using FrameArithmetic::Label;

namespace {
int clampToInt(long long value)
{
    return int(qBound<long long>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}

// A field with a blank part reads as -1 there; such a time cannot be located.
bool isComplete(const Label &label)
{
    return label.hours >= 0 && label.minutes >= 0 && label.seconds >= 0 && label.frames >= 0;
}
} // namespace

GeneratorTransport::GeneratorTransport(const PanelContext &context, const Widgets &widgets, TimecodeReadout *readout,
                                       QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_widgets(widgets)
    , m_readout(readout)
    , m_checkTimer(new QTimer(this))
    , m_progressTimer(new QTimer(this))
    , m_sourceLockTimer(new QTimer(this))
    , m_restartPlayTimer(new QTimer(this))
{
    connect(m_checkTimer, &QTimer::timeout, this, &GeneratorTransport::checkAndPause);
    connect(m_progressTimer, &QTimer::timeout, this, &GeneratorTransport::updateProgressBar);
    connect(m_sourceLockTimer, &QTimer::timeout, this, &GeneratorTransport::checpauseTimer);
    m_restartPlayTimer->setSingleShot(true);
    connect(m_restartPlayTimer, &QTimer::timeout, this, [this] { m_context.sendPlay(); });

    m_startText = m_widgets.fields.start->text();
    // Connected first, so that the timers' work below reads the new text.
    connect(m_widgets.fields.start, &QLineEdit::textChanged, this, [this](const QString &text) { m_startText = text; });
    connect(m_widgets.fields.start, &QLineEdit::textChanged, this, &GeneratorTransport::runActiveTimersWork);
    for (QRadioButton *rate : m_context.widgets().rates)
        connect(rate, &QRadioButton::toggled, this, &GeneratorTransport::runActiveTimersWork);
}

FrameRate GeneratorTransport::rate() const
{
    return m_context.checkedRate().value_or(m_rate);
}

bool GeneratorTransport::readField(const QString &text, Label &label) const
{
    const FieldRead *found = nullptr;
    for (const FieldRead &read : m_reads) {
        if (read.used && read.text == text)
            found = &read;
    }
    if (!found) {
        FieldRead &read = m_reads[m_nextRead];
        m_nextRead = (m_nextRead + 1) % int(std::size(m_reads));
        read = FieldRead{text, Label{}, false, true};
        read.ok = FrameArithmetic::labelFromParts(MachineControl::readTimeField(text), read.label);
        found = &read;
    }
    // As the parser does, a text that does not read leaves the label alone.
    if (found->ok)
        label = found->label;
    return found->ok;
}

void GeneratorTransport::takeRangeFromFields(const Label &start, const Label &end)
{
    m_rate = rate();
    m_rangeRate = m_rate;
    m_totalFrames = FrameArithmetic::distance(start, end, m_rate);
    CustomSlider *slider = m_widgets.slider;
    slider->setMaximum(clampToInt(m_totalFrames));
    slider->setMinimum(0);
}

void GeneratorTransport::followRate()
{
    m_rate = rate();
    if (!m_rangeRate || m_rate == *m_rangeRate)
        return;
    Label start;
    Label end;
    if (readField(m_startText, start) && readField(m_widgets.fields.end->text(), end))
        takeRangeFromFields(start, end);
}

long long GeneratorTransport::readoutPosition() const
{
    Label start;
    readField(m_startText, start);
    return FrameArithmetic::distance(start, m_readout->label(), m_rate);
}

long long GeneratorTransport::unitQuarterFrames() const
{
    if (!m_unit.known)
        return 4 * readoutPosition();
    Label start;
    readField(m_startText, start);
    return 4 * FrameArithmetic::distance(start, m_unit.label, m_rate) + m_unit.quarterFrames;
}

long long GeneratorTransport::endQuarterFrames() const
{
    return 4LL * m_widgets.slider->maximum();
}

void GeneratorTransport::takeUnitPosition(const Label &label, int quarterFrames)
{
    followRate();
    m_unit = UnitPosition{label, quarterFrames, true};
    if (m_endCheck.awaitingRestart())
        m_endCheck.notePosition(unitQuarterFrames(), endQuarterFrames());
}

void GeneratorTransport::showOwnTime(const Label &label, TimecodeReadout::FramesSuffix suffix)
{
    m_readout->show(label, suffix);
    m_unit.known = false;
}

void GeneratorTransport::followReadoutWithSlider()
{
    // Moving the slider with the readout also lets both share one repaint of
    // the window.
    if (m_progressTimer->isActive())
        updateProgressBar();
}

void GeneratorTransport::runActiveTimersWork()
{
    followReadoutWithSlider();
    if (m_checkTimer->isActive())
        checkAndPause();
}

void GeneratorTransport::showFullFrame(const Label &label)
{
    m_readout->show(label);
    takeUnitPosition(label, 0);
    followReadoutWithSlider();
}

void GeneratorTransport::showQuarterFrameText(const QString &timecode)
{
    // A label completed from before a loop restart would put the readout
    // back near End while it shows Start.
    if (m_endCheck.awaitingRestart())
        return;
    m_readout->showQuarterFrameText(timecode);
    followReadoutWithSlider();
}

void GeneratorTransport::followQuarterFrame(const Label &label, int quarterFrames)
{
    takeUnitPosition(label, quarterFrames);
    if (m_checkTimer->isActive())
        checkAndPause();
    else if (m_endCheck.watchingStop())
        resendLostStop();
}

void GeneratorTransport::followDirection(int direction)
{
    m_reverse = direction == MidiTimecodeIn::Reverse;
}

void GeneratorTransport::resendLostStop()
{
    if (m_endCheck.stopLost(unitQuarterFrames()))
        m_context.sendStop();
}

void GeneratorTransport::cancelPendingPlay()
{
    m_restartPlayTimer->stop();
}

void GeneratorTransport::unitGone()
{
    cancelPendingPlay();
    m_endCheck.reset();
    m_unit.known = false;
    stopCheckTimer();
    m_progressTimer->stop();
    m_sourceLockTimer->stop();
    m_messageSeen = false;
    lockSource(false);
    m_widgets.ipButton->setEnabled(true);
    setIpButtonLocked(false);
    showIdleButtons();
}

void GeneratorTransport::showIdleButtons()
{
    m_playing = false;
    const PanelContext::Widgets &buttons = m_context.widgets();
    if (!buttons.play->isEnabled())
        return;
    buttons.play->setStyleSheet(QString::fromLatin1(PanelStyle::kPlayNormal));
    buttons.pause->setStyleSheet(QString::fromLatin1(PanelStyle::kPauseNormal));
    buttons.stop->setStyleSheet(QString::fromLatin1(PanelStyle::kStopNormal));
}

bool GeneratorTransport::playPending() const
{
    return m_restartPlayTimer->isActive();
}

void GeneratorTransport::lockSource(bool locked)
{
    PanelContext::applyRadioGroupLook(m_widgets.sourceGroup, !locked);
}

void GeneratorTransport::setIpButtonLocked(bool locked)
{
    const char *sheet = locked ? PanelStyle::kIpButtonLocked : PanelStyle::kIpButtonNormal;
    const QString filled = QString::fromLatin1(sheet).arg(m_buttonFontSize);
    if (m_widgets.ipButton->styleSheet() != filled)
        m_widgets.ipButton->setStyleSheet(filled);
}

void GeneratorTransport::play()
{
    CustomSlider *slider = m_widgets.slider;
    if (!m_context.outputOpen()) {
        m_context.warnNotConnected();
    } else if (slider->value() != 0 && slider->value() < slider->maximum()) {
        // Resume from where Pause or a drag left the unit. The End check is
        // armed before Play goes out: a unit paused just short of End gets
        // there within a few pieces.
        followRate();
        m_endCheck.reset();
        startCheckTimer(kFastTickMs);
        m_progressTimer->start(kSlowTickMs);
        lockSource(true);
        setIpButtonLocked(true);
        slider->setMarker(slider->value(), 1);
        m_context.sendPlay();
    } else {
        // Fresh from Start, also after a run that stopped at End.
        slider->setValue(0);
        slider->setMarker(0, 0);
        m_readout->clear();
        m_unit.known = false;
        Label start;
        if (!readField(m_startText, start) || !isComplete(start)) {
            m_context.warn(QStringLiteral("Invalid Time Format"), QStringLiteral("Start time format is incorrect."));
            return;
        }
        showOwnTime(start);
        Label end;
        if (!readField(m_widgets.fields.end->text(), end) || !isComplete(end)) {
            m_context.warn(QStringLiteral("Invalid Time Format"), QStringLiteral("End time format is incorrect."));
            return;
        }
        // End not after Start: nothing to run.
        m_rate = rate();
        if (FrameArithmetic::distance(start, end, m_rate) <= 0)
            return;
        takeRangeFromFields(start, end);
        m_endCheck.reset();
        if (!m_progressTimer->isActive()) {
            m_progressTimer->start(kFastTickMs);
            lockSource(true);
            m_widgets.ipButton->setEnabled(false);
            setIpButtonLocked(true);
        }
        m_context.sendLocate(start);
        m_context.sendPlay();
        if (!m_checkTimer->isActive())
            startCheckTimer(kSlowTickMs);
    }
    m_context.widgets().play->setStyleSheet(QString::fromLatin1(PanelStyle::kPlayRunning));
    m_playing = true;
    m_context.widgets().pause->setStyleSheet(QString::fromLatin1(PanelStyle::kPauseNormal));
    m_context.widgets().stop->setStyleSheet(QString::fromLatin1(PanelStyle::kStopNormal));
    m_sourceLockTimer->start(kSourceLockTickMs);
}

void GeneratorTransport::pause()
{
    if (m_context.outputOpen()) {
        m_context.widgets().pause->setStyleSheet(QString::fromLatin1(PanelStyle::kPauseActive));
        cancelPendingPlay();
        m_endCheck.stopWatching();
        m_context.sendStop();
        stopCheckTimer();
        m_progressTimer->stop();
        m_widgets.ipButton->setEnabled(true);
        setIpButtonLocked(false);
    }
    m_context.widgets().play->setStyleSheet(QString::fromLatin1(PanelStyle::kPlayNormal));
    m_playing = false;
}

void GeneratorTransport::stop()
{
    if (m_context.outputOpen()) {
        CustomSlider *slider = m_widgets.slider;
        cancelPendingPlay();
        m_endCheck.reset();
        m_context.sendStop();
        slider->setMarker(0, 0);
        showOwnTime(Label{1, 0, 0, 0});

        Label start;
        Label end;
        const bool startRead = readField(m_startText, start);
        if (startRead && readField(m_widgets.fields.end->text(), end))
            takeRangeFromFields(start, end);

        if (startRead)
            m_context.sendLocate(start);
        slider->setValue(0);
        stopCheckTimer();
        m_progressTimer->stop();
        setIpButtonLocked(false);

        if (readField(m_startText, start)) {
            m_context.sendLocate(start);
            showOwnTime(start);
        }
        if (!m_checkTimer->isActive())
            startCheckTimer(kSlowTickMs);
    } else {
        m_context.warnNotConnected();
    }
    m_context.widgets().play->setStyleSheet(QString::fromLatin1(PanelStyle::kPlayNormal));
    m_context.widgets().pause->setStyleSheet(QString::fromLatin1(PanelStyle::kPauseNormal));
    m_context.widgets().stop->setStyleSheet(QString::fromLatin1(PanelStyle::kStopActive));
    m_playing = false;
}

void GeneratorTransport::gotoCapture()
{
    if (!m_context.outputOpen()) {
        m_context.warnNotConnected();
        return;
    }
    Label capture;
    if (!readField(m_widgets.fields.capture->text(), capture) || !isComplete(capture)) {
        m_context.warn(QStringLiteral("Invalid Time Format"), QStringLiteral("The capture time format is incorrect."));
        return;
    }
    followRate();
    Label start;
    readField(m_startText, start);
    CustomSlider *slider = m_widgets.slider;
    slider->setValue(clampToInt(FrameArithmetic::distance(start, capture, m_rate)));
    slider->setMarker(slider->value(), 1);
    m_endCheck.stopWatching();
    m_context.sendLocate(capture);
}

void GeneratorTransport::capture()
{
    m_widgets.fields.capture->setText(m_readout->digits());
}

void GeneratorTransport::sliderPressed()
{
    cancelPendingPlay();
    m_endCheck.reset();
    m_context.sendStop();
    stopCheckTimer();
    m_progressTimer->stop();
    showIdleButtons();
}

void GeneratorTransport::sliderValueChanged(int value)
{
    // Progress updates move the slider too; only the user's moves show a time.
    if (m_progressTimer->isActive() || !m_context.outputOpen())
        return;
    Label start;
    if (!readField(m_startText, start))
        return;
    followRate();
    showOwnTime(FrameArithmetic::labelAtPosition(start, value, m_rate),
                TimecodeReadout::FramesSuffix::None);
}

void GeneratorTransport::sliderReleased()
{
    if (!m_context.outputOpen()) {
        m_context.warnNotConnected();
        return;
    }
    followRate();
    Label start;
    if (readField(m_startText, start))
        m_context.sendLocate(
            FrameArithmetic::labelAtPosition(start, m_widgets.slider->value(), m_rate));
    if (!m_progressTimer->isActive())
        m_progressTimer->start(kFastTickMs);
    if (!m_checkTimer->isActive())
        startCheckTimer(kSlowTickMs);
}

void GeneratorTransport::updateProgressBar()
{
    followRate();
    CustomSlider *slider = m_widgets.slider;
    slider->setValue(clampToInt(qMin<long long>(readoutPosition(), slider->maximum())));
}

void GeneratorTransport::setInputDecoder(MidiTimecodeIn *decoder)
{
    m_inputDecoder = decoder;
}

void GeneratorTransport::startCheckTimer(int intervalMs)
{
    m_endCheck.stopWatching();
    m_checkTimer->start(intervalMs);
    setEndAlarm();
}

void GeneratorTransport::stopCheckTimer()
{
    m_checkTimer->stop();
    if (m_inputDecoder)
        m_inputDecoder->clearPositionAlarm();
}

void GeneratorTransport::setEndAlarm()
{
    if (!m_inputDecoder)
        return;
    Label start;
    if (m_totalFrames <= 0 || !readField(m_startText, start) || !isComplete(start)) {
        m_inputDecoder->clearPositionAlarm();
        return;
    }
    // The End the check compares with: the slider maximum from Start.
    const Label end =
        FrameArithmetic::labelAtPosition(start, m_widgets.slider->maximum(), m_rate);
    m_inputDecoder->setPositionAlarm(end, m_rate);
}

void GeneratorTransport::checkAndPause()
{
    followRate();
    // Start, the range or the rate may have changed since the last tick.
    setEndAlarm();
    if (m_totalFrames <= 0 || m_reverse)
        return;
    CustomSlider *slider = m_widgets.slider;
    Label start;
    const bool startRead = readField(m_startText, start);
    const bool loop = m_widgets.loop->isChecked();
    // Looping needs Start to go back to.
    if (loop && !startRead)
        return;
    const EndCheck::Verdict verdict = m_endCheck.check(unitQuarterFrames(), endQuarterFrames(), m_reverse, loop);
    if (verdict == EndCheck::Verdict::Going)
        return;
    if (verdict == EndCheck::Verdict::Restart) {
        restartLoop(start);
        return;
    }

    m_context.sendStop();
    const bool exact = verdict == EndCheck::Verdict::StopExact;
    slider->setValue(exact ? clampToInt(m_totalFrames) : 0);
    if (exact && startRead) {
        // The unit stands on End; the last label it sent may be the frame before.
        const Label endLabel = FrameArithmetic::labelAtPosition(start, m_totalFrames, m_rate);
        m_readout->show(endLabel);
        m_unit = UnitPosition{endLabel, 0, true};
    }
    stopCheckTimer();
    m_progressTimer->stop();
    lockSource(false);
    m_widgets.ipButton->setEnabled(true);
    setIpButtonLocked(false);
    // The unit stands still on End: Play is no longer lit.
    showIdleButtons();
}

void GeneratorTransport::restartLoop(const Label &start)
{
    CustomSlider *slider = m_widgets.slider;
    m_context.sendStop();
    slider->setValue(0);
    slider->setMarker(0, 0);
    showOwnTime(start);
    m_context.sendLocate(start);
    m_restartPlayTimer->start(kLoopRestartDelayMs);
}

void GeneratorTransport::checpauseTimer()
{
    // Quarter frames decoded on the input's thread are messages seen too.
    const bool quarterFramesSeen = m_inputDecoder && m_inputDecoder->takeQuarterFrameSeen();
    if (m_messageSeen || quarterFramesSeen) {
        m_messageSeen = false;
        lockSource(true);
        m_widgets.ipButton->setEnabled(false);
        setIpButtonLocked(true);
        return;
    }
    lockSource(false);
    m_widgets.ipButton->setEnabled(true);
    setIpButtonLocked(false);
    m_sourceLockTimer->stop();
}

void GeneratorTransport::checkEnd()
{
    QString start = m_widgets.fields.start->text();
    QString end = m_widgets.fields.end->text();
    start.remove(QLatin1Char(' '));
    end.remove(QLatin1Char(' '));
    const QString format = QStringLiteral("HH:mm:ss");
    const QTime startTime = QTime::fromString(start.left(8), format);
    const QTime endTime = QTime::fromString(end.left(8), format);
    if (!startTime.isValid() || !endTime.isValid())
        return;
    const int startFrames = start.right(2).toInt();
    const int endFrames = end.right(2).toInt();
    if (endTime < startTime || (endTime == startTime && endFrames < startFrames))
        m_widgets.fields.end->setText(m_widgets.fields.start->text());
}
