#pragma once

#include "app/Platform.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>

class QMenu;
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

    // MIDI device discovery and connection
    void update_list();
    void checkDevices();
    void checkActionState11();
    void connectMidiDevice(QString label);

public:
    // MIDI device discovery and connection
    QMap<QString, QString> enumerateMidiOutputs();
    QMap<QString, QString> enumerateMidiInputs();
    void rebuildMidiOutMenu();
    void rebuildMidiInList();
    void markDeviceAction(QMenu *menu, QString label, bool checked);
    QString findMatchingMidiIn(QString outLabel);
    static QString portBaseName(QString label);
    QString connectedOutputLabel() const { return midiOutName; }
    QString connectedInputLabel() const { return midiInName; }

    // MIDI Machine Control: each builds, traces and sends one message.
    void sendStop();
    void sendPlay();
    void sendLocate(int hours, int minutes, int seconds, int frames);
    // The rate code of the checked frame-rate button (0 when none is checked).
    quint8 checkedRateCode() const;

private:
    Ui::MainWindow *ui;
    Platform platform;

    // MIDI transport
    QMidiOut *midi_out;
    QMidiIn *midi_in = nullptr;
    QString midiOutName;
    QString midiInName;
    QString product;

    // MIDI device discovery and connection
    QMap<QString, QString> outPorts, inPorts;
    QMap<QString, int> outPortIndex, inPortIndex;
    QStringList outPortLabels, inPortLabels;
    bool updateDialogShown = false;
    QTimer *listTimer = nullptr;
    QTimer *deviceCheckTimer = nullptr;
    QTimer *menuMarkTimer = nullptr;
};
