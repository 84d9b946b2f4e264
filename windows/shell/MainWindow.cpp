// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/MainWindow.h"

#include "shell/ConnectionReactions.h"
#include "shell/FontSubstitutes.h"
#include "shell/FormParts.h"
#include "shell/HelpMenu.h"
#include "shell/StatusLine.h"
#include "shell/UnitStatus.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "settings/IpSettingController.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/UnitSettingsFileActions.h"
#include "settings/ip_Dialog.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortListModel.h"
#include "ui_MainWindow.h"

#include <QDebug>
#include <QResizeEvent>
#include <QTimer>

// The pictures are compiled into the static library, whose resource
// initialiser the linker would otherwise drop. Q_INIT_RESOURCE must be used
// outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(const Platform &platform_, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , platform(platform_)
{
    initResources();
    installFontSubstitutes();
    ui->setupUi(this);
    ui->comboBox_ComDevices->hide();
    const FormParts form(ui.get());

    UnitSession::Devices devices;
    devices.midi = platform.midi;
    devices.usb = platform.usbDescriptions;
    devices.usbDevices = platform.usbDevices;
    devices.ports = platform.serialPorts;
    m_session = new UnitSession(devices, this);
    ui->comboBox_ComDevices->setModel(m_session->link()->portList());
    m_midi = m_session->midi();
    midi_out = m_midi->output();
    midi_in = m_midi->input();
    m_deviceMenu = new MidiDeviceMenu(form.deviceMenu(), m_midi, platform.messageBoxes, this);
    connect(m_deviceMenu, &MidiDeviceMenu::picked, this, &MainWindow::connectMidiDevice);
    m_settings = std::make_unique<NetworkSettingsWindows>(this, platform.messageBoxes);
    connect(ipDialog(), &ip_Dialog::set_ip, this, &MainWindow::setIP);
    connect(m_settings->ipController(), &IpSettingController::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(udpWindow(), &UdpSetting::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(oscWindow(), &OscSettingWidget::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(offsetWindow(), &TimeOffsetWidget::sendSysExRequested, this, &MainWindow::sendSysEx);
    new UnitSettingsFileActions(m_session, ui->menuOSC, this, platform.messageBoxes);
    m_modelControls = std::make_unique<ModelControls>(form.modelControls(), m_midi);
    connect(m_session, &UnitSession::identified, this,
            [this](const QString &product, bool tqrClass) { m_modelControls->noteProduct(product, tqrClass); });

    // The device menu is filled before the first timer tick.
    rebuildMidiOutMenu();
    rebuildMidiInList();
    m_deviceMenu->showState();

    setWindowTitle(tr("MIDI Machine Control"));

    // MIDI device discovery: port list refresh, unplug watch, menu check mark
    listTimer = new QTimer(this);
    deviceCheckTimer = new QTimer(this);
    connect(listTimer, &QTimer::timeout, this, &MainWindow::update_list);
    connect(deviceCheckTimer, &QTimer::timeout, this, &MainWindow::checkDevices);
    listTimer->start(1000);
    deviceCheckTimer->start(1000);
    menuMarkTimer = new QTimer(this);
    connect(menuMarkTimer, &QTimer::timeout, this, &MainWindow::checkActionState11);
    menuMarkTimer->start(500);

    m_timecode = std::make_unique<TimecodePanel>(form.timecodePanel(), midi_out, this, platform.messageBoxes);
    m_readout = m_timecode->readout();
    m_selection = m_timecode->selection();
    m_transport = m_timecode->transport();
    new TransportKeys(this, form.transportKeys(), m_transport);
    m_readout->setLive(m_midi->isConnected());
    // Delivered through the connection object, not the window: every event
    // posted to the window passes its menu bar's filter, and time code
    // brings 120 of them a second.
    connect(midi_in, &QMidiIn::midiMessageReceived, m_midi,
            [this](const QByteArray &message) { onMidiMessageReceived(message); });
    // Quarter frames are decoded where they arrive; the GUI thread is woken
    // for labels and End, not for each of the 120 pieces a second.
    m_timecode->followInputDecoder(midi_in->quarterFrameDecoder());

    m_session->setFeedback(unitFeedback());

    // Serial link, the firmware check and the automatic upgrade
    m_serial = new UnitSerialSession(m_session, platform, this);
    connect(m_serial->link(), &QSerialPort::errorOccurred, this, &MainWindow::handleSerialError);
    connect(m_serial, &UnitSerialSession::send_brio_version, this, &MainWindow::send_brio_version);
    connect(m_serial, &UnitSerialSession::send_possvalue, this, &MainWindow::send_possvalue);
    connect(m_serial, &UnitSerialSession::done, this, &MainWindow::done);

    ui->pushButton_6->setCheckable(true);
    ui->pushButton_6->setChecked(false);
    ui->pushButton_8->hide();

    // Where the form leaves room below the transport group.
    m_statusLine = new StatusLine(ui->verticalLayout_14, 1, m_session, m_midi, firmwareTransfer(), this);
    m_status = m_statusLine->status();
    new ConnectionReactions({m_session, m_timecode.get(), m_modelControls.get(), m_status, ui->lineEdit}, this);

    // Online updates, About box and manual
    m_help = new HelpMenu(this, ui->actionCheck_for_Updates_at_Start, platform);
}

MainWindow::~MainWindow() = default;

void MainWindow::sendSysEx(const QByteArray &data)
{
    midi_out->sendLongMessage(data);
}

// Message routing

void MainWindow::onMidiMessageReceived(QByteArray message)
{
    m_session->receive(message);
}

UnitSession::Feedback MainWindow::unitFeedback()
{
    UnitSession::Feedback feedback;
    feedback.osc = [this](const QByteArray &m) { oscWindow()->handleFeedback(m); };
    feedback.udp = [this](const QByteArray &m) { udpWindow()->handleFeedback(m); };
    feedback.timecode = [this](const QByteArray &m) { m_timecode->processMidiMessage(m); };
    feedback.oscAck = [this](const QByteArray &m) { oscWindow()->handleAck(m); };
    feedback.offset = [this](const QByteArray &m) { offsetWindow()->handleFeedback(m); };
    feedback.messageSeen = [this] { m_transport->noteMessageSeen(); };
    feedback.ip = [this](const QByteArray &m) { m_settings->ipController()->handleFeedback(m); };
    return feedback;
}

// Time-code panel

FrameRate MainWindow::locateRate() const
{
    return m_timecode->context().locateRate();
}

void MainWindow::displayTimeCode(int hour, int minute, int second, int frame)
{
    m_transport->showFullFrame(FrameArithmetic::Label{hour, minute, second, frame});
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    if (m_timecode)
        m_timecode->applyScale(event->size());
    QMainWindow::resizeEvent(event);
}

void MainWindow::source_recvice(int num)
{
    m_selection->receiveReport(num);
}

void MainWindow::send_fps()
{
    m_selection->sendSource();
}

void MainWindow::checkAndPause()
{
    m_transport->checkAndPause();
}

void MainWindow::updateProgressBar()
{
    m_transport->updateProgressBar();
}

void MainWindow::checpauseTimer()
{
    m_transport->checpauseTimer();
}

void MainWindow::on_pushButton_clicked()
{
    m_transport->play();
}

void MainWindow::on_pushButton_2_clicked()
{
    m_transport->pause();
}

void MainWindow::on_pushButton_3_clicked()
{
    m_transport->stop();
}

void MainWindow::on_pushButton_4_clicked()
{
    m_transport->gotoCapture();
}

void MainWindow::on_pushButton_5_clicked()
{
    m_transport->capture();
}

// The loop state is read from the button's check mark when the run ends.
void MainWindow::on_pushButton_6_clicked() {}

void MainWindow::on_pushButton_8_clicked() {}

void MainWindow::on_horizontalSlider_sliderPressed()
{
    m_transport->sliderPressed();
}

void MainWindow::on_horizontalSlider_sliderReleased()
{
    m_transport->sliderReleased();
}

void MainWindow::on_horizontalSlider_valueChanged(int value)
{
    m_transport->sliderValueChanged(value);
}

// MIDI device discovery and connection ---------------------------------------

QString MainWindow::portBaseName(QString label)
{
    return MidiPortList::portBaseName(label);
}

void MainWindow::update_list()
{
    if (m_midi->refreshLists())
        qDebug() << "MIDI lists updated";
}

void MainWindow::checkDevices()
{
    m_midi->watch();
}

void MainWindow::checkActionState11()
{
    m_deviceMenu->refreshCheckMark();
}

void MainWindow::markDeviceAction(QMenu *menu, QString label, bool checked)
{
    MidiDeviceMenu::markDeviceAction(menu, label, checked);
}

void MainWindow::connectMidiDevice(QString label)
{
    m_transport->cancelPendingPlay();
    m_session->choose(label);
}

// Serial link and firmware upgrade ----------------------------------------------

void MainWindow::rec_data(const QByteArray &data)
{
    // One whole reply; "ERASE END" and acknowledgements belong to the transfer.
    m_session->gatherUnitIdentity(data);
}

void MainWindow::sendNextChunk()
{
    m_serial->transfer()->sendNextChunk();
}

void MainWindow::handleSerialError(QSerialPort::SerialPortError error)
{
    m_session->noteSerialError(error);
}

void MainWindow::on_actionUpgrade_triggered()
{
    m_serial->openUpgradeDialog();
}

// Online updates, About box and manual

void MainWindow::on_actionCheck_for_Update_triggered()
{
    m_help->checkForUpdate(true);
}

void MainWindow::on_actionAbout_triggered()
{
    m_help->showAbout();
}

void MainWindow::on_actionUser_Manual_triggered()
{
    m_help->openManual();
}

// Network settings windows ---------------------------------------------------

void MainWindow::on_pushButton_7_clicked()
{
    m_settings->openIp(supportsIp());
}

void MainWindow::on_actionOSC_Setting_triggered()
{
    m_settings->openOsc(supportsOsc());
}

void MainWindow::on_actionUDP_TCP_triggered()
{
    m_settings->openUdpTcp(supportsOsc());
}

void MainWindow::on_actionOffset_Setting_triggered()
{
    m_settings->openOffset();
}

void MainWindow::setIP()
{
    m_settings->ipController()->set();
}
