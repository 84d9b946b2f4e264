#pragma once

#include "app/Platform.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>

class QMidiIn;
class QMidiOut;
class QTimer;

namespace Ui {
class MainWindow;
}

// The panel's one window. It owns every other object of the program, runs the
// periodic timers and wires the subsystems together; the work itself lives in
// the classes of the subsystem folders.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // For tests and tools that drive the window.
    Ui::MainWindow *form() const { return ui; }
    QMidiOut *midiOut() const { return midi_out; }
    QMidiIn *midiIn() const { return midi_in; }

public slots:
    void sendSysEx(const QByteArray &data);

private:
    Ui::MainWindow *ui;
    Platform platform;

    // MIDI transport
    QMidiOut *midi_out;
    QMidiIn *midi_in = nullptr;
    QString midiOutName;
    QString midiInName;
    QString product;
};
