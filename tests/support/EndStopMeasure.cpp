// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EndStopMeasure.h"

#include "shell/MainWindow.h"
#include "midi/MidiConnection.h"
#include "midi/QMidiOut.h"
#include "panel/GeneratorTransport.h"
#include "panel/TimecodeReadout.h"
#include "protocol/Identification.h"
#include "protocol/MachineControl.h"
#include "support/JackEmulatedUnit.h"
#include "ui_MainWindow.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <cmath>
#include <limits>

// Why a run gave no figure; the benchmark keeps this category on.
Q_LOGGING_CATEGORY(lcEndStop, "quill.measure.endstop")

namespace EndStopMeasure {

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return done();
}

bool connectPanel(MainWindow &window, const JackEmulatedUnit &unit, QString *why)
{
    const QString prefix = unit.portName() + QStringLiteral(" [");
    QAction *entry = nullptr;
    // The unit opens its two ports one after the other; a pick between the
    // two would find no input to pair, so both must be listed first.
    waitUntil([&] {
        entry = nullptr;
        for (QAction *a : window.form()->menuMIDI_Out->actions())
            if (a->text().startsWith(prefix))
                entry = a;
        return entry && !window.midiConnection()->findMatchingInput(entry->text()).isEmpty();
    }, 5000);
    if (!entry || window.midiConnection()->findMatchingInput(entry->text()).isEmpty()) {
        *why = QStringLiteral("the unit's ports did not both appear");
        return false;
    }
    // A JACK cycle that overruns on a loaded machine drops every MIDI event
    // of that cycle, and the whole burst the panel sends on connecting can go
    // that way; the panel asks for the identity once per connection, so the
    // rig asks again on its output.
    const auto identified = [&] { return window.productText() == unit.portName(); };
    entry->trigger();
    for (int again = 0; again < 2 && !waitUntil(identified, 1000); ++again)
        window.midiOut()->sendLongMessage(Identification::identificationRequest());
    if (!waitUntil(identified, 1000)) {
        *why = QStringLiteral("the unit was not identified after three requests (input %1)")
                   .arg(window.midiConnection()->connectedInputLabel());
        return false;
    }
    if (!waitUntil([&] { return window.form()->radioButton_4->isChecked(); }, 3000)) {
        *why = QStringLiteral("the unit did not report its generator as the source");
        return false;
    }
    return true;
}

double framesPastEnd(MainWindow &window, const JackEmulatedUnit &unit, const Case &run)
{
    constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();
    Ui::MainWindow *ui = window.form();
    for (QRadioButton *b : {ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10})
        if (b->text() == run.rateText && !b->isChecked())
            b->click();
    ui->lineEdit->setText(run.start);
    ui->lineEdit_2->setText(run.end);
    ui->pushButton_6->setChecked(false);
    ui->pushButton_3->click(); // back to Start, slider at 0
    double before = 0;
    unit.call([&before](EmulatedUnit &u) { before = u.stopFrame(); });
    waitUntil([] { return false; }, 150); // the unit takes the locates

    const QList<int> end = MachineControl::readTimeField(run.end);
    const QList<int> start = MachineControl::readTimeField(run.start);
    if (end.size() != 4 || start.size() != 4)
        return kNotMeasured;
    const qint64 endFrame = FrameClock::frameNumber({end[0], end[1], end[2], end[3]}, run.rate);
    const qint64 frames = endFrame - FrameClock::frameNumber({start[0], start[1], start[2], start[3]}, run.rate);
    const int runMs = int(frames * 1000 / run.rate.framesPerSecond()) + 3000;

    ui->pushButton->click();
    if (!waitUntil([&] { return !window.transport()->checkTimer()->isActive(); }, runMs)) {
        bool running = false;
        FrameClock::Label at{};
        unit.call([&](EmulatedUnit &u) {
            running = u.isRunning();
            at = u.position();
        });
        qCWarning(lcEndStop,
                  "%s to %s: the panel did not reach End in %d ms; the unit is %s at %02d:%02d:%02d:%02d, "
                  "the readout shows %s",
                  qPrintable(run.start), qPrintable(run.end), runMs, running ? "running" : "stopped", at.hours,
                  at.minutes, at.seconds, at.frames, qPrintable(window.readout()->digits()));
        return kNotMeasured;
    }
    double stopped = before;
    waitUntil([&] {
        unit.call([&stopped](EmulatedUnit &u) { stopped = u.stopFrame(); });
        return stopped != before;
    }, 1000);
    if (stopped == before) {
        qCWarning(lcEndStop, "%s to %s: no Stop reached the unit within a second of End", qPrintable(run.start),
                  qPrintable(run.end));
        return kNotMeasured;
    }
    return stopped - double(endFrame);
}

} // namespace EndStopMeasure
