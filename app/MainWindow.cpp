#include "protocol/TrafficLog.h"
#include "app/MainWindow.h"

#include "dialogs/CustomDialog.h"
#include "dialogs/UserManual.h"
#include "midi/MidiConnection.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "panel/GeneratorTransport.h"
#include "panel/PanelContext.h"
#include "panel/SourceRateSelection.h"
#include "panel/TimecodeReadout.h"
#include "protocol/Identification.h"
#include "protocol/MidiTimecodeIn.h"
#include "protocol/NetworkMessages.h"
#include "settings/IpSettingController.h"
#include "settings/NoticeBox.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"
#include "ui/FontSubstitutes.h"
#include "update/AppUpdateDialog.h"
#include "update/FirmwareModel.h"
#include "update/FirmwareUpdateCheck.h"
#include "update/StartupCheckSetting.h"
#include "ui_MainWindow.h"
#include "serial/FirmwareTransfer.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"
#include "serial/UnitUsbNames.h"
#include "serial/Upgrade_message_Dialog.h"
#include "serial/upgrade_Dialog.h"

#include <QDebug>
#include <QIcon>
#include <QMessageBox>
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

    m_midi = new MidiConnection(platform.midi, this);
    midi_out = m_midi->output();
    midi_in = m_midi->input();
    connect(m_midi, &MidiConnection::outputsRebuilt, this, &MainWindow::fillMidiOutMenu);
    connect(m_midi, &MidiConnection::connected, this, &MainWindow::onMidiConnected);
    connect(m_midi, &MidiConnection::connectFailed, this, &MainWindow::onMidiConnectFailed);
    connect(m_midi, &MidiConnection::disconnected, this, [this](const QString &label, MidiConnection::Loss loss) {
        onMidiDisconnected(label, loss == MidiConnection::Loss::ByUser);
    });
    connect(m_midi, &MidiConnection::stateChanged, this, &MainWindow::showMidiState);
    ip_dialog = new ip_Dialog(this);

    // The device menu is filled before the first timer tick.
    rebuildMidiOutMenu();
    rebuildMidiInList();
    showMidiState();

    setWindowIcon(QIcon(QString()));
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
    connect(midi_in, &QMidiIn::midiMessageReceived, this, &MainWindow::onMidiMessageReceived);

    ui->pushButton_7->hide();
    ui->radioButton_5->hide();
    ui->radioButton_6->hide();
    ui->actionOSC_Setting->setVisible(false);
    ui->actionUDP_TCP->setVisible(false);

    // Serial link and the progress window of the automatic upgrade
    serialPort = new SerialPort(ui->comboBox_ComDevices, QString::fromLatin1(UnitUsbNames::kBrandWord),
                                platform.usbDescriptions, platform.serialPorts, this);
    connect(serialPort, &SerialPort::showdata, this, &MainWindow::rec_data);
    connect(serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handleSerialError);
    m_firmwareTransfer = new FirmwareTransfer(serialPort, FirmwareTransfer::Timing(), this);
    // Every erase this window writes is for its automatic upgrade.
    m_firmwareTransfer->setAfterErase(FirmwareTransfer::AfterErase::StartSending);
    connect(m_firmwareTransfer, &FirmwareTransfer::chunkWritten, this, [this](qint64 sent, qint64 size) {
        emit send_possvalue(FirmwareTransfer::mainWindowProgress(sent, size));
    });
    connect(m_firmwareTransfer, &FirmwareTransfer::finished, this, [this] {
        emit done();
        updateDialogShown = false;
    });
    connect(m_firmwareTransfer, &FirmwareTransfer::failed, this, &MainWindow::onUpgradeFailed);

    upgradeMessage = new Upgrade_message_Dialog(this);
    connect(m_firmwareTransfer, &FirmwareTransfer::stateChanged, upgradeMessage,
            &Upgrade_message_Dialog::showTransferState);
    connect(this, &MainWindow::send_brio_version, upgradeMessage, &Upgrade_message_Dialog::rec_brio_version);
    connect(this, &MainWindow::send_possvalue, upgradeMessage, &Upgrade_message_Dialog::rec_possvalue);
    connect(this, &MainWindow::done, upgradeMessage, &Upgrade_message_Dialog::upgrade_done);

    ui->pushButton_6->setCheckable(true);
    ui->pushButton_6->setChecked(false);
    createNetworkSettingsWindows();
    ui->pushButton_8->hide();

    // Online updates, About box and manual
    aboutDialog = new CustomDialog(this);
    firmwareCheck = new FirmwareUpdateCheck(FirmwareUpdateCheck::Place::MainWindow, this, platform.messageBoxes);
    connect(firmwareCheck, &FirmwareUpdateCheck::versionAnnounced, this, &MainWindow::send_brio_version);
    connect(firmwareCheck, &FirmwareUpdateCheck::offerAccepted, this, [this] {
        currentBrio1 = QStringLiteral("xx");
        currentVersion1 = QStringLiteral("xx");
    });
    connect(firmwareCheck, &FirmwareUpdateCheck::updateOffered, this, [this](int modelNumber) {
        if (modelNumber == 3)
            m_firmwareTransfer->setModelFamily(2);
    });
    connect(firmwareCheck, &FirmwareUpdateCheck::imageReady, this, &MainWindow::startFirmwareUpgrade);
    StartupCheckSetting::bind(ui->actionCheck_for_Updates_at_Start);
    if (StartupCheckSetting::enabled())
        QTimer::singleShot(500, this, [this] { startAppUpdateCheck(false); });
}

MainWindow::~MainWindow() = default;

void MainWindow::sendSysEx(const QByteArray &data)
{
    if (!midi_out) {
        qWarning() << "midi_out is null";
        return;
    }
    midi_out->sendLongMessage(data);
}

// Message routing

void MainWindow::onMidiMessageReceived(QByteArray message)
{
    qCDebug(lcMidiTraffic).noquote() << "MIDI in:" << message.toHex(' ').toUpper() << "length" << message.size();

    // 1. Model identification; the reply still goes on to everyone below.
    quint8 deviceClass = 0;
    quint8 model = 0;
    if (Identification::parseFeedbackDeviceType(message, deviceClass, model)) {
        product.clear();
        if (deviceClass == Identification::kTqrDeviceClass) {
            product = Identification::productForModel(deviceClass, model);
            updateOscControlsVisibility();
            applyGeneratorSourceRule(product);
        }
    }

    // 2. OSC window feedback.
    osc_window->handleFeedback(message);
    // 3. UDP/TCP window feedback.
    udp_window->handleFeedback(message);

    // 4. Time code, source and rate reports.
    timecodeIn->processMidiMessage(message);

    // 5. The OSC acknowledgement belongs to the OSC window alone.
    if (NetworkMessages::isAckMessage(message)) {
        osc_window->handleAck(message);
        return;
    }

    // 6. Offset window feedback.
    offset_window->handleFeedback(message);
    // 7. The unit is talking: keep the source locked.
    m_transport->noteMessageSeen();
    // 8. IP feedback.
    ipSettings->handleFeedback(message);
}

// Model identification

bool MainWindow::supportsIp() const
{
    return Identification::supportsIp(midi_out->isOpen(), m_midi->connectedOutputLabel(), product);
}

bool MainWindow::supportsOsc() const
{
    return Identification::supportsOsc(midi_out->isOpen(), m_midi->connectedOutputLabel(), product);
}

void MainWindow::updateOscControlsVisibility()
{
    const bool ip = supportsIp();
    const bool osc = supportsOsc();
    qDebug() << "Model controls: IP" << ip << "OSC" << osc << "output open" << midi_out->isOpen();
    ui->pushButton_7->setVisible(ip);
    ui->radioButton_5->setVisible(ip);
    ui->radioButton_6->setVisible(ip);
    ui->actionOSC_Setting->setVisible(osc);
    ui->actionUDP_TCP->setVisible(osc);
}

void MainWindow::showOscUnavailable()
{
    QMessageBox::information(this, QStringLiteral("OSC Unavailable"), QStringLiteral("Only TQR-30 Pro supports OSC."),
                             QMessageBox::Ok);
}

void MainWindow::applyGeneratorSourceRule(const QString &labelOrProduct)
{
    ui->radioButton_4->setVisible(!Identification::hidesGeneratorSource(labelOrProduct));
}

// Time-code panel

void MainWindow::createTimecodePanel()
{
    const PanelContext::Widgets shared{{ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10},
                                       ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4};
    m_panel = std::make_unique<PanelContext>(shared, midi_out, this);
    const PanelContext::TimeFields fields{ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3};
    m_readout = std::make_unique<TimecodeReadout>(ui->time_hour, ui->time_min, ui->time_sed, ui->time_fam);

    const SourceRateSelection::Widgets selection{{ui->radioButton, ui->radioButton_2, ui->radioButton_3,
                                                  ui->radioButton_4, ui->radioButton_5, ui->radioButton_6},
                                                 ui->groupBox, ui->groupBox_2, fields, ui->horizontalSlider};
    m_selection = new SourceRateSelection(*m_panel, selection, this);
    const GeneratorTransport::Widgets transport{fields, ui->horizontalSlider, ui->pushButton_6, ui->pushButton_7,
                                                ui->groupBox};
    m_transport = new GeneratorTransport(*m_panel, transport, m_readout.get(), this);

    timecodeIn = new MidiTimecodeIn(this);
    connect(timecodeIn, &MidiTimecodeIn::timeCodeParsed, this, &MainWindow::displayTimeCode);
    connect(timecodeIn, &MidiTimecodeIn::sourcecodeReceived, this, &MainWindow::source_recvice);
    connect(timecodeIn, &MidiTimecodeIn::timecodeReceived, this, &MainWindow::onQuarterFrameText);
    connect(timecodeIn, &MidiTimecodeIn::quarterFramePosition, m_transport, &GeneratorTransport::followQuarterFrame);

    m_readout->show(1, 0, 0, 0);
    m_selection->connectButtons();
    m_selection->rebuildValidator();
    connect(ui->lineEdit_2, &QLineEdit::editingFinished, m_transport, &GeneratorTransport::checkEnd);
    for (QLineEdit *field : {ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3})
        field->setCursor(Qt::IBeamCursor);
}

quint8 MainWindow::checkedRateCode() const
{
    return m_panel->rateCode();
}

void MainWindow::displayTimeCode(int hour, int minute, int second, int frame)
{
    m_transport->showFullFrame(FrameArithmetic::Label{hour, minute, second, frame});
}

void MainWindow::onQuarterFrameText(const QString &timecode)
{
    m_transport->showQuarterFrameText(timecode);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    if (!m_readout) {
        QMainWindow::resizeEvent(event);
        return;
    }
    const TimecodeReadout::Scale scale =
        m_readout->applyScale(event->size().width(), {ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3}, ui->centralwidget);
    m_transport->setButtonFontSize(scale.buttonFont);
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

void MainWindow::fillMidiOutMenu()
{
    // The old entries go later: a rebuild can run inside the nested event loop
    // of a message box opened from one of them.
    const QList<QAction *> old = ui->menuMIDI_Out->actions();
    ui->menuMIDI_Out->clear();
    for (QAction *action : old)
        action->deleteLater();

    const QStringList labels = m_midi->outputs().menuLabels;
    for (const QString &label : labels) {
        // A port name may hold '&', which a menu would take as a mnemonic.
        QAction *action = new QAction(QString(label).replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        action->setData(label);
        connect(action, &QAction::triggered, this, [this, label] { connectMidiDevice(label); });
        ui->menuMIDI_Out->addAction(action);
    }
    if (labels.isEmpty()) {
        QAction *none = new QAction(QStringLiteral("none"), this);
        none->setEnabled(false);
        ui->menuMIDI_Out->addAction(none);
    }
    showMidiState();
}

void MainWindow::showMidiState()
{
    ui->name_label->setText(m_midi->deviceText());
    ui->name_label->setToolTip(m_midi->unavailableText());
    markDeviceAction(ui->menuMIDI_Out, m_midi->connectedOutputLabel(), m_midi->isConnected());
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
    const bool open = midi_out->isOpen();
    for (QAction *action : ui->menuMIDI_Out->actions()) {
        if (action->isCheckable())
            action->setChecked(open);
    }
}

void MainWindow::markDeviceAction(QMenu *menu, QString label, bool checked)
{
    for (QAction *action : menu->actions()) {
        const bool mine = !label.isEmpty() && action->data().toString() == label;
        action->setCheckable(mine);
        action->setChecked(mine && checked);
    }
}

void MainWindow::connectMidiDevice(QString label)
{
    m_transport->cancelPendingPlay();
    m_midi->choose(label);
}

void MainWindow::onMidiConnected(const QString &label)
{
    m_transport->cancelPendingPlay();
    product.clear();
    updateDialogShown = false;
    pairSerialLink(label);
    m_readout->show(1, 0, 0, 0);
    m_midi->sendConnectSequence(ui->lineEdit->text(), checkedRateCode());
    updateOscControlsVisibility();
    applyGeneratorSourceRule(label);
}

void MainWindow::onMidiConnectFailed(const QString &label, bool again)
{
    // A unit that is coming back gets another try on the next tick, without a box.
    if (again)
        return;
    QMessageBox::critical(nullptr, QStringLiteral("MIDI Connection Error"),
                          QStringLiteral("Failed to connect MIDI Out device: %1").arg(label), QMessageBox::Ok);
}

void MainWindow::onMidiDisconnected(const QString &label, bool byUser)
{
    m_transport->cancelPendingPlay();
    product.clear();
    updateDialogShown = false;
    if (!byUser)
        return;
    updateOscControlsVisibility();
    markDeviceAction(ui->menuMIDI_Out, label, false);
    QMessageBox::information(nullptr, QStringLiteral("MIDI Disconnected"),
                             QStringLiteral("The MIDI connection has been disconnected."), QMessageBox::Ok);
}

// Serial link and firmware upgrade ----------------------------------------------

void MainWindow::pairSerialLink(const QString &label)
{
    if (label.contains(QLatin1String("TQR"))) {
        if (serialPort->isOpen()) {
            qWarning() << serialPort->portName() << "is connecting";
        } else {
            const QString portName = PortList::findPortContaining(
                ui->comboBox_ComDevices, QString::fromLatin1(SerialProtocol::kSeriesTag));
            if (portName.isEmpty()) {
                qWarning() << "No serial port of a TQR-30 unit is listed for" << label;
            } else if (serialPort->openPort(portName, SerialProtocol::kBaudRate)) {
                qDebug() << "Serial link open on" << portName;
            } else {
                qWarning() << "Serial link did not open on" << portName;
            }
        }
    } else {
        serialPort->close();
    }
    if (serialPort->isOpen())
        serialPort->writeCommand(SerialProtocol::QueryModel);
}

void MainWindow::rec_data(const QByteArray &data)
{
    // One whole reply; "ERASE END" and acknowledgements belong to the transfer.
    gatherUnitIdentity(data);
}

void MainWindow::sendNextChunk()
{
    m_firmwareTransfer->sendNextChunk();
}

void MainWindow::startFirmwareUpgrade(const QByteArray &image)
{
    if (image.isEmpty()) {
        qWarning() << "Downloaded firmware image is empty";
        QMessageBox::warning(this, QStringLiteral("Upgrade"),
                             tr("The downloaded firmware image is empty. Nothing was written to the device."),
                             QMessageBox::Ok);
        return;
    }
    m_firmwareTransfer->startAutomaticUpgrade(image);
}

void MainWindow::onUpgradeFailed(const QString &message)
{
    if (upgradeMessage->isVisible())
        upgradeMessage->upgrade_failed(message);
    else
        QMessageBox::warning(this, QStringLiteral("Upgrade"), message, QMessageBox::Ok);
}

void MainWindow::handleSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError && serialPort->isOpen()) {
        qWarning() << "Serial port lost:" << serialPort->errorString();
        serialPort->close();
        updateDialogShown = false;
    }
}

void MainWindow::on_actionUpgrade_triggered()
{
    if (m_firmwareTransfer->isBusy()) {
        QMessageBox::information(this, QStringLiteral("Upgrade"),
                                 tr("An upgrade is already running. Wait until it has finished."),
                                 QMessageBox::Ok);
        return;
    }
    if (!m_upgradeDialog)
        m_upgradeDialog = new upgrade_Dialog(platform.usbDescriptions, platform.serialPorts, this);
    m_upgradeDialog->prepareAndShow();
}

// Online updates, About box and manual

AppUpdateDialog *MainWindow::startAppUpdateCheck(bool manual)
{
    auto *dialog = new AppUpdateDialog(aboutDialog->version, this, platform.messageBoxes, platform.urlOpener);
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
    UserManual::exportAndOpen();
}

void MainWindow::gatherUnitIdentity(const QByteArray &chunk)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(chunk);
    if (reply.eraseEnd || reply.acknowledgement || reply.resetNotice)
        return;
    if (reply.hasModel)
        currentBrio1 = reply.model;
    else if (reply.hasVersion)
        currentVersion1 = reply.version;

    if (updateDialogShown)
        return;
    if (currentBrio1 != QLatin1String("xx") && currentVersion1 != QLatin1String("xx") && reply.identifies) {
        updateDialogShown = true;
        firmwareCheck->start(currentBrio1, currentVersion1);
    }
}
// Network settings windows ---------------------------------------------------

void MainWindow::createNetworkSettingsWindows()
{
    ipSettings = new IpSettingController(ip_dialog, this, this);
    connect(ip_dialog, &ip_Dialog::read_ip, ipSettings, &IpSettingController::requestConfig);
    connect(ip_dialog, &ip_Dialog::set_ip, this, &MainWindow::setIP);
    connect(ipSettings, &IpSettingController::sendSysExRequested, this,
            [this](const QByteArray &message) { midi_out->sendLongMessage(message); });

    udp_window = std::make_unique<UdpSetting>();
    udp_window->setWindowTitle(tr("UDP/TCP Setting"));
    connect(udp_window.get(), &UdpSetting::sendSysExRequested, this, &MainWindow::sendSysEx);

    osc_window = std::make_unique<OscSettingWidget>();
    osc_window->setWindowTitle(tr("OSC Setting"));
    connect(osc_window.get(), &OscSettingWidget::sendSysExRequested, this, &MainWindow::sendSysEx);

    offset_window = std::make_unique<TimeOffsetWidget>();
    offset_window->setWindowTitle(tr("Quill time offset"));
    offset_window->resize(330, 120);
    offset_window->setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint);
    connect(offset_window.get(), &TimeOffsetWidget::sendSysExRequested, this, &MainWindow::sendSysEx);
}

namespace {
void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

void MainWindow::on_pushButton_7_clicked()
{
    if (!supportsIp()) {
        showNoticeBox(this, QMessageBox::Information, tr("IP Unavailable"),
                      tr("Only TQR-30 series supports IP setting."));
        return;
    }
    bringUp(ip_dialog);
}

void MainWindow::on_actionOSC_Setting_triggered()
{
    if (!supportsOsc()) {
        showOscUnavailable();
        return;
    }
    bringUp(osc_window.get());
}

void MainWindow::on_actionUDP_TCP_triggered()
{
    if (!supportsOsc()) {
        showOscUnavailable();
        return;
    }
    bringUp(udp_window.get());
}

void MainWindow::on_actionOffset_Setting_triggered()
{
    bringUp(offset_window.get());
}

void MainWindow::setIP()
{
    ipSettings->set();
}
