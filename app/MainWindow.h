#pragma once

#include "app/Platform.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>

class AppUpdateDialog;
class CustomDialog;
class FirmwareUpdateCheck;
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

    // Online updates, About box and manual
    CustomDialog *aboutBox() const { return aboutDialog; }
    FirmwareUpdateCheck *firmwareUpdateCheck() const { return firmwareCheck; }
    // Builds a check dialog and asks the server; the dialog deletes itself when done.
    AppUpdateDialog *startAppUpdateCheck(bool manual);
    // Model and version replies from the serial link; starts the firmware check once
    // per connection when both are known.
    void gatherUnitIdentity(const QByteArray &chunk);

signals:
    void send_brio_version(QString Brio, QString version);

public slots:
    void sendSysEx(const QByteArray &data);

    void on_actionCheck_for_Update_triggered();
    void on_actionAbout_triggered();
    void on_actionUser_Manual_triggered();

private:
    Ui::MainWindow *ui;
    Platform platform;

    // MIDI transport
    QMidiOut *midi_out;
    QMidiIn *midi_in = nullptr;
    QString midiOutName;
    QString midiInName;
    QString product;

    // Online updates, About box and manual
    CustomDialog *aboutDialog = nullptr;
    FirmwareUpdateCheck *firmwareCheck = nullptr;
    bool updateDialogShown = false;
    QString currentBrio1 = QStringLiteral("xx");
    QString currentVersion1 = QStringLiteral("xx");
};
