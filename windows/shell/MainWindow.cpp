// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/MainWindow.h"

#include "shell/ModelControls.h"
#include "shell/UnitStatus.h"
#include "dialogs/CustomDialog.h"
#include "dialogs/MessageBoxes.h"
#include "dialogs/UrlOpener.h"
#include "dialogs/UserManual.h"
#include "midi/MidiConnection.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "panel/GeneratorTransport.h"
#include "panel/SourceRateSelection.h"
#include "panel/TimecodePanel.h"
#include "panel/TimecodeReadout.h"
#include "panel/TransportKeys.h"
#include "settings/IpSettingController.h"
#include "settings/NetworkSettingsWindows.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/UnitSettingsFileActions.h"
#include "settings/ip_Dialog.h"
#include "shell/FontSubstitutes.h"
#include "midi/MidiDeviceMenu.h"
#include "update/AppUpdateDialog.h"
#include "update/PanelRelease.h"
#include "update/StartupCheckSetting.h"
#include "ui_MainWindow.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortListModel.h"
#include "upgrade/UnitSerialSession.h"
#include "unit/UnitSession.h"

#include <QDebug>
#include <QLabel>
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
    // The window's own reactions come first: the menu's boxes open a nested
    // event loop, and by then the panel must have let go of the old unit.
    connect(m_session, &UnitSession::connected, this, &MainWindow::onMidiConnected);
    connect(m_session, &UnitSession::disconnected, this, &MainWindow::onMidiDisconnected);
    m_deviceMenu = new MidiDeviceMenu({ui->menuMIDI_Out, ui->name_label}, m_midi, platform.messageBoxes, this);
    connect(m_deviceMenu, &MidiDeviceMenu::picked, this, &MainWindow::connectMidiDevice);
    m_settings = std::make_unique<NetworkSettingsWindows>(this, platform.messageBoxes);
    connect(ipDialog(), &ip_Dialog::set_ip, this, &MainWindow::setIP);
    connect(m_settings->ipController(), &IpSettingController::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(udpWindow(), &UdpSetting::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(oscWindow(), &OscSettingWidget::sendSysExRequested, this, &MainWindow::sendSysEx);
    connect(offsetWindow(), &TimeOffsetWidget::sendSysExRequested, this, &MainWindow::sendSysEx);
    new UnitSettingsFileActions(m_session, ui->menuOSC, this, platform.messageBoxes);
    m_modelControls = std::make_unique<ModelControls>(
        ModelControls::Widgets{ui->pushButton_7, ui->radioButton_5, ui->radioButton_6, ui->radioButton_4,
                               ui->actionOSC_Setting, ui->actionUDP_TCP},
        m_midi);
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

    createTimecodePanel();
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

    createStatusLine();

    // Online updates, About box and manual
    aboutDialog = new CustomDialog(this);
    StartupCheckSetting::bind(ui->actionCheck_for_Updates_at_Start);
    if (StartupCheckSetting::enabled())
        QTimer::singleShot(500, this, [this] { startAppUpdateCheck(false); });
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

// Model identification

bool MainWindow::supportsIp() const
{
    return m_modelControls->supportsIp();
}

bool MainWindow::supportsOsc() const
{
    return m_modelControls->supportsOsc();
}

void MainWindow::updateOscControlsVisibility()
{
    m_modelControls->updateOscControlsVisibility();
}

void MainWindow::showOscUnavailable()
{
    m_settings->showOscUnavailable();
}

// Time-code panel

void MainWindow::createTimecodePanel()
{
    const PanelContext::TimeFields fields{ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3};
    const TimecodePanel::Widgets widgets{
        {{ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10},
         ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4},
        {ui->time_hour, ui->time_min, ui->time_sed, ui->time_fam},
        {{ui->radioButton, ui->radioButton_2, ui->radioButton_3, ui->radioButton_4, ui->radioButton_5,
          ui->radioButton_6},
         ui->groupBox, ui->groupBox_2, fields, ui->horizontalSlider},
        {fields, ui->horizontalSlider, ui->pushButton_6, ui->pushButton_7, ui->groupBox},
        ui->centralwidget};
    m_timecode = std::make_unique<TimecodePanel>(widgets, midi_out, this, platform.messageBoxes);
    m_readout = m_timecode->readout();
    m_selection = m_timecode->selection();
    m_transport = m_timecode->transport();
    new TransportKeys(this, {widgets.shared, ui->pushButton_5, ui->pushButton_6, fields}, m_transport);
}

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

QMap<QString, QString> MainWindow::enumerateMidiOutputs()
{
    return m_midi->listOutputs();
}

QMap<QString, QString> MainWindow::enumerateMidiInputs()
{
    return m_midi->listInputs();
}

QString MainWindow::portBaseName(QString label)
{
    return MidiPortList::portBaseName(label);
}

QString MainWindow::findMatchingMidiIn(QString outLabel)
{
    return m_midi->findMatchingInput(outLabel);
}

QString MainWindow::connectedOutputLabel() const
{
    return m_midi->connectedOutputLabel();
}

QString MainWindow::connectedInputLabel() const
{
    return m_midi->connectedInputLabel();
}

void MainWindow::rebuildMidiOutMenu()
{
    m_midi->rebuildOutputs();
}

void MainWindow::rebuildMidiInList()
{
    m_midi->rebuildInputs();
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

void MainWindow::onMidiConnected(const QString &label)
{
    m_transport->cancelPendingPlay();
    m_modelControls->forgetProduct();
    m_readout->show(1, 0, 0, 0);
    m_readout->setLive(true);
    m_status->connected(label);
    m_session->sendConnectSequence(ui->lineEdit->text(), locateRate());
    updateOscControlsVisibility();
    m_modelControls->applyGeneratorSourceRule(label);
}

void MainWindow::onMidiDisconnected(const QString &label, MidiConnection::Loss loss)
{
    m_transport->unitGone();
    m_readout->setLive(false);
    m_status->disconnected(loss == MidiConnection::Loss::Unplugged ? label + QStringLiteral(" was unplugged")
                                                                    : QStringLiteral("Disconnected from ") + label);
    m_modelControls->forgetProduct();
    if (loss == MidiConnection::Loss::ByUser)
        updateOscControlsVisibility();
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

AppUpdateDialog *MainWindow::startAppUpdateCheck(bool manual)
{
    auto *dialog = new AppUpdateDialog(currentPanelVersion(), this, platform.messageBoxes, platform.urlOpener);
    dialog->startCheck(manual ? AppUpdateDialog::Mode::Manual : AppUpdateDialog::Mode::Automatic);
    return dialog;
}

void MainWindow::on_actionCheck_for_Update_triggered()
{
    startAppUpdateCheck(true);
}

void MainWindow::on_actionAbout_triggered()
{
    aboutDialog->exec();
}

void MainWindow::on_actionUser_Manual_triggered()
{
    const QString problem = UserManual::exportAndOpen(platform.urlOpener ? platform.urlOpener : UrlOpener::desktop());
    if (!problem.isEmpty())
        MessageBoxes::orDesktop(platform.messageBoxes)
            ->show(this, QMessageBox::Warning, QStringLiteral("User Manual"), problem);
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

// Status line ------------------------------------------------------------------

void MainWindow::createStatusLine()
{
    m_status = new UnitStatus(this);
    m_statusLine = new QLabel(ui->widget);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setTextFormat(Qt::PlainText);
    m_statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Where the form leaves room below the transport group.
    ui->verticalLayout_14->insertWidget(1, m_statusLine);
    const auto show = [this] {
        m_statusLine->setText(m_status->text());
        m_statusLine->setStyleSheet(QStringLiteral("QLabel { color: %1; font-family: Arial; font-size: 15px; padding: 4px 10px;"
                                                   " qproperty-alignment: 'AlignLeft | AlignVCenter'; }")
                                        .arg(m_status->lastIsProblem() ? QStringLiteral("#B03030")
                                                                       : QStringLiteral("#606060")));
    };
    connect(m_status, &UnitStatus::changed, this, show);

    // Without a MIDI system nothing can be connected; the window says why.
    const auto midiSystem = [this] { m_status->setMidiUnavailable(m_midi->unavailableText()); };
    connect(m_midi, &MidiConnection::stateChanged, this, midiSystem);
    connect(m_midi, &MidiConnection::connectFailed, this, [this](const QString &label, bool again) {
        if (!again)
            m_status->noteProblem(QStringLiteral("Could not connect to ") + label);
    });
    connect(m_session, &UnitSession::identified, this,
            [this](const QString &product, bool tqrClass) { m_status->setModel(tqrClass ? product : QString()); });
    connect(m_session, &UnitSession::unitIdentified, this,
            [this](const QString &, const QString &version) { m_status->setFirmware(version); });
    connect(firmwareTransfer(), &FirmwareTransfer::finished, this,
            [this] { m_status->noteDone(QStringLiteral("New firmware written")); });
    connect(firmwareTransfer(), &FirmwareTransfer::failed, this, [this](const QString &message) {
        m_status->noteProblem(QStringLiteral("Upgrade failed: ") + message);
    });
    midiSystem();
    show();
}
