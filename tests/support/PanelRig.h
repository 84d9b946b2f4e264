#pragma once

// A main window on the in-memory MIDI system with one unit attached, for tests
// of the panel and its settings windows: the unit records what the panel sends
// (and when), may answer it, and what it "sends" reaches the window through the
// real input port and queued signal.

#include "app/MainWindow.h"
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
    explicit PanelRig(const QString &unitName = QStringLiteral("TQR-30 Pro"))
        : RecordingUnit(driver, unitName)
    {
        window = std::make_unique<MainWindow>(Platform{&driver});
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
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    std::unique_ptr<MainWindow> window;
};

} // namespace PanelTest
