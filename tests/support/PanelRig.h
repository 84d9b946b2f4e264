// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window on the in-memory MIDI system with one unit attached, for tests
// of the panel and its settings windows: the unit records what the panel sends
// (and when), may answer it, and what it "sends" reaches the window through the
// real input port and queued signal.

#include "shell/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/QuarterFrames.h"
#include "support/RecordingUnit.h"
#include "ui_MainWindow.h" // each test that includes this file gets it generated

#include <QCoreApplication>
#include <QtTest>

#include <memory>

namespace PanelTest {

// The MIDI system comes first so that it outlives the unit on it.
struct OwnMidiSystem
{
    InMemoryMidiDriver driver;
};

class PanelRig : public OwnMidiSystem, public RecordingUnit
{
public:
    // Watched: the window shows the desktop's boxes and the recorder closes
    // them. Seam: the window is given the recorder, which shows nothing, so a
    // box that bypasses the seam is left open and holds the test up.
    enum class Boxes { Watched, Seam };

    explicit PanelRig(const QString &unitName = QStringLiteral("TQR-30 Pro"), Boxes shown = Boxes::Watched)
        : RecordingUnit(driver, unitName)
        , boxes(shown == Boxes::Seam ? MessageBoxRecorder::Watch::Off : MessageBoxRecorder::Watch::CloseWithOk)
    {
        Platform platform{&driver};
        if (shown == Boxes::Seam)
            platform.messageBoxes = &boxes;
        window = std::make_unique<MainWindow>(platform);
    }

    Ui::MainWindow *ui() const { return window->form(); }

    // Connects the unit the way its menu entry does and forgets what that sent.
    void connectUnit()
    {
        window->connectMidiDevice(name + QStringLiteral(" [0]"));
        take();
    }

    // The unit sends; returns once the window has handled it.
    void feed(const QByteArray &bytes)
    {
        driver.send(ports.input, bytes);
        driver.flush();
        QCoreApplication::sendPostedEvents();
    }
    void feed(const QList<QByteArray> &messages)
    {
        for (const QByteArray &m : messages)
            driver.send(ports.input, m);
        driver.flush();
        QCoreApplication::sendPostedEvents();
    }

    QString readoutText() const
    {
        return ui()->time_hour->text() + ui()->time_min->text() + ui()->time_sed->text() + ui()->time_fam->text();
    }

    // Before the window, so that it outlives every box the window opens.
    MessageBoxRecorder boxes;
    std::unique_ptr<MainWindow> window;
};

} // namespace PanelTest
