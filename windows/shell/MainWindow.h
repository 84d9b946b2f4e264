// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/HelpMenu.h"
#include "shell/ModelControls.h"
#include "shell/Platform.h"
#include "shell/StatusLine.h"
#include "midi/MidiConnection.h"
#include "upgrade/UnitSerialSession.h"
#include "unit/UnitSession.h"
#include "settings/NetworkSettingsWindows.h"
#include "timecode/FrameRate.h"

#include <QByteArray>
#include <QMainWindow>
#include <QSerialPort>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class FirmwareTransfer;
class GeneratorTransport;
class OscSettingWidget;
class TimeOffsetWidget;
class UdpSetting;
class ip_Dialog;
class QMenu;
class CustomDialog;
class FirmwareUpdateCheck;
class MidiDeviceMenu;
class QMidiIn;
class QMidiOut;
class SerialPort;
class QTimer;
class SourceRateSelection;
class TimecodePanel;
class TimecodeReadout;
class UnitStatus;
class QLabel;
class Upgrade_message_Dialog;
class upgrade_Dialog;

namespace Ui {
class MainWindow;
}

// The panel's one window. It owns every other object of the program, runs the
// periodic timers and wires the subsystems together; the work itself lives in
// the classes of the subsystem folders. Each subsystem's members stand
// together below, under one heading.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // For tests and tools that drive the window.
    Ui::MainWindow *form() const { return ui.get(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::unique_ptr<Ui::MainWindow> ui;
    Platform platform;

    // ---- MIDI device discovery and connection
public:
    QMidiOut *midiOut() const { return midi_out; }
    QMidiIn *midiIn() const { return midi_in; }
    MidiConnection *midiConnection() const { return m_midi; }
    UnitSession *unitSession() const { return m_session; }

    // The connection keeps the port lists and the pairing; see MidiConnection.
    QMap<QString, QString> enumerateMidiOutputs() { return m_midi->listOutputs(); }
    QMap<QString, QString> enumerateMidiInputs() { return m_midi->listInputs(); }
    void rebuildMidiOutMenu() { m_midi->rebuildOutputs(); }
    void rebuildMidiInList() { m_midi->rebuildInputs(); }
    void markDeviceAction(QMenu *menu, QString label, bool checked);
    QString findMatchingMidiIn(QString outLabel) { return m_midi->findMatchingInput(outLabel); }
    static QString portBaseName(QString label);
    QString connectedOutputLabel() const { return m_midi->connectedOutputLabel(); }
    QString connectedInputLabel() const { return m_midi->connectedInputLabel(); }

public slots:
    void sendSysEx(const QByteArray &data);
    void update_list();
    void checkDevices();
    void checkActionState11();
    void connectMidiDevice(QString label);
    // Every message the unit sends; see the function for the order of the consumers.
    void onMidiMessageReceived(QByteArray message);

private:
    // Where the unit's messages go, in the order the session offers them.
    UnitSession::Feedback unitFeedback();

    // The unit's session owns the connection, which owns both ports.
    UnitSession *m_session = nullptr;
    MidiConnection *m_midi = nullptr;
    MidiDeviceMenu *m_deviceMenu = nullptr;
    QMidiOut *midi_out = nullptr;
    QMidiIn *midi_in = nullptr;
    // Port list refresh, unplug watch, menu check mark.
    QTimer *listTimer = nullptr;
    QTimer *deviceCheckTimer = nullptr;
    QTimer *menuMarkTimer = nullptr;

    // ---- Model identification
public:
    // ModelControls decides these.
    QString productText() const { return m_modelControls->product(); }
    bool supportsIp() const { return m_modelControls->supportsIp(); }
    bool supportsOsc() const { return m_modelControls->supportsOsc(); }
    void updateOscControlsVisibility() { m_modelControls->updateOscControlsVisibility(); }
    // Shown by the OSC and UDP/TCP menu entries when the unit cannot do OSC.
    void showOscUnavailable() { m_settings->showOscUnavailable(); }

private:
    std::unique_ptr<ModelControls> m_modelControls;

    // ---- Time-code panel
public:
    TimecodeReadout *readout() const { return m_readout; }
    GeneratorTransport *transport() const { return m_transport; }
    SourceRateSelection *sourceRateSelection() const { return m_selection; }
    // The rate a Locate carries: the checked frame-rate button's, 24 when none
    // is checked.
    FrameRate locateRate() const;

public slots:
    void displayTimeCode(int hour, int minute, int second, int frame);
    void source_recvice(int num);
    void send_fps();
    void checkAndPause();
    void updateProgressBar();
    void checpauseTimer();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_8_clicked();
    void on_horizontalSlider_sliderPressed();
    void on_horizontalSlider_sliderReleased();
    void on_horizontalSlider_valueChanged(int value);

private:
    std::unique_ptr<TimecodePanel> m_timecode;
    // Its parts, for the forwarding slots.
    TimecodeReadout *m_readout = nullptr;
    SourceRateSelection *m_selection = nullptr;
    GeneratorTransport *m_transport = nullptr;

    // ---- Serial link and firmware upgrade
public:
    SerialPort *serialLink() const { return m_serial->link(); }
    FirmwareTransfer *firmwareTransfer() const { return m_serial->transfer(); }
    Upgrade_message_Dialog *upgradeMessageDialog() const { return m_serial->progressDialog(); }
    upgrade_Dialog *upgradeDialog() const { return m_serial->upgradeDialog(); }
    // See UnitSerialSession.
    void startFirmwareUpgrade(const QByteArray &image) { m_serial->startFirmwareUpgrade(image); }

public slots:
    void rec_data(const QByteArray &data);
    void sendNextChunk();
    void handleSerialError(QSerialPort::SerialPortError error);
    void on_actionUpgrade_triggered();

signals:
    void send_brio_version(const QString &Brio, const QString &version);
    void send_possvalue(int value);
    void done();

private:
    UnitSerialSession *m_serial = nullptr;

    // ---- Online updates, About box and manual
public:
    CustomDialog *aboutBox() const { return m_help->aboutBox(); }
    FirmwareUpdateCheck *firmwareUpdateCheck() const { return m_serial->updateCheck(); }
    // See UnitSession.
    void gatherUnitIdentity(const QByteArray &chunk) { m_session->gatherUnitIdentity(chunk); }

public slots:
    void on_actionCheck_for_Update_triggered();
    void on_actionAbout_triggered();
    void on_actionUser_Manual_triggered();

private:
    HelpMenu *m_help = nullptr;

    // ---- Network settings windows
public:
    ip_Dialog *ipDialog() const { return m_settings->ipDialog(); }
    OscSettingWidget *oscWindow() const { return m_settings->oscWindow(); }
    UdpSetting *udpWindow() const { return m_settings->udpWindow(); }
    TimeOffsetWidget *offsetWindow() const { return m_settings->offsetWindow(); }

public slots:
    void setIP();
    void on_pushButton_7_clicked();
    void on_actionOSC_Setting_triggered();
    void on_actionUDP_TCP_triggered();
    void on_actionOffset_Setting_triggered();

private:
    // Owns the IP dialog's controller and the three settings windows, which have no parent.
    std::unique_ptr<NetworkSettingsWindows> m_settings;

    // ---- Status line: the unit, its firmware and the last thing that happened
public:
    UnitStatus *unitStatus() const { return m_status; }
    QLabel *statusLine() const { return m_statusLine->label(); }

private:
    StatusLine *m_statusLine = nullptr;
    UnitStatus *m_status = nullptr;
};
