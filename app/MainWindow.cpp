#include "protocol/TrafficLog.h"
#include "app/MainWindow.h"

#include "dialogs/CustomDialog.h"
#include "dialogs/UserManual.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "panel/GeneratorTransport.h"
#include "panel/PanelContext.h"
#include "panel/SourceRateSelection.h"
#include "panel/TimecodeReadout.h"
#include "protocol/Identification.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"
#include "settings/NetworkMessages.h"
#include "settings/NoticeBox.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"
#include "ui/FontSubstitutes.h"
#include "update/AppUpdateDialog.h"
#include "update/FirmwareModel.h"
#include "update/FirmwareUpdateCheck.h"
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
    , ui(new Ui::MainWindow)
    , platform(platform_)
    , midi_out(new QMidiOut(platform_.midi))
    , timecodeIn(new MidiTimecodeIn)
{
    initResources();
    installFontSubstitutes();
    ui->setupUi(this);
    ui->comboBox_ComDevices->hide();

    midi_in = new QMidiIn(platform.midi, this);
    ip_dialog = new ip_Dialog(this);

    // The device menu is filled before the first timer tick.
    rebuildMidiOutMenu();
    rebuildMidiInList();

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

    // Time-code panel: readout, source and rate groups, generator transport.
    const PanelContext panel(ui, midi_out, this);
    m_readout = new TimecodeReadout(ui->time_hour, ui->time_min, ui->time_sed, ui->time_fam);
    m_selection = new SourceRateSelection(panel, this);
    m_transport = new GeneratorTransport(panel, m_readout, this);
    connect(m_transport->sourceLockTimer(), &QTimer::timeout, this, &MainWindow::checpauseTimer);
    connect(m_transport->checkTimer(), &QTimer::timeout, this, &MainWindow::checkAndPause);
    connect(m_transport->progressTimer(), &QTimer::timeout, this, &MainWindow::updateProgressBar);

    connect(midi_in, &QMidiIn::midiMessageReceived, this, &MainWindow::onMidiMessageReceived);
    connect(timecodeIn, &MidiTimecodeIn::timeCodeParsed, this, &MainWindow::displayTimeCode);
    connect(timecodeIn, &MidiTimecodeIn::sourcecodeReceived, this, &MainWindow::source_recvice);
    connect(timecodeIn, &MidiTimecodeIn::timecodeReceived, this, &MainWindow::onQuarterFrameText);

    m_readout->show(1, 0, 0, 0);
    ui->pushButton_7->hide();
    ui->radioButton_5->hide();
    ui->radioButton_6->hide();
    ui->actionOSC_Setting->setVisible(false);
    ui->actionUDP_TCP->setVisible(false);

    m_selection->connectButtons();
    m_selection->rebuildValidator();
    connect(ui->lineEdit_2, &QLineEdit::editingFinished, m_transport, &GeneratorTransport::checkEnd);
    for (QLineEdit *field : {ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3})
        field->setCursor(Qt::IBeamCursor);

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
    QTimer::singleShot(500, this, [this] { startAppUpdateCheck(false); });
}

MainWindow::~MainWindow()
{
    delete ui;
    delete midi_out;
    delete m_readout;
    delete timecodeIn;
}

void MainWindow::sendSysEx(const QByteArray &data)
{
    if (!midi_out) {
        qWarning() << "midi_out is null";
        return;
    }
    qDebug().noquote() << "Send SysEx:" << data.toHex(' ').toUpper();
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
    if (Identification::isOscAcknowledgement(message)) {
        osc_window->handleAck(message);
        return;
    }

    // 6. Offset window feedback.
    offset_window->handleFeedback(message);
    // 7. The unit is talking: keep the source locked.
    m_transport->noteMessageSeen();
    // 8. IP feedback.
    parseIpFeedback(message);
}

// Model identification

bool MainWindow::supportsIp() const
{
    return Identification::supportsIp(midi_out->isOpen(), midiOutName, product);
}

bool MainWindow::supportsOsc() const
{
    return Identification::supportsOsc(midi_out->isOpen(), midiOutName, product);
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

void MainWindow::displayTimeCode(int hour, int minute, int second, int frame)
{
    m_readout->show(hour, minute, second, frame);
    followReadoutWithSlider();
}

void MainWindow::onQuarterFrameText(const QString &timecode)
{
    m_readout->showQuarterFrameText(timecode);
    followReadoutWithSlider();
}

void MainWindow::followReadoutWithSlider()
{
    // The progress timer would move the slider within 5 ms anyway; moving it
    // now lets readout and slider share one repaint of the window.
    if (m_transport->progressTimer()->isActive())
        m_transport->updateProgressBar();
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
    return MidiPortList::enumerateOutputs(*platform.midi);
}

QMap<QString, QString> MainWindow::enumerateMidiInputs()
{
    return MidiPortList::enumerateInputs(*platform.midi);
}

QString MainWindow::portBaseName(QString label)
{
    return MidiPortList::portBaseName(label);
}

QString MainWindow::findMatchingMidiIn(QString outLabel)
{
    return MidiPortList::findMatchingMidiIn(outLabel, inPortIndex);
}

void MainWindow::rebuildMidiOutMenu()
{
    const MidiPortList::Table table = MidiPortList::build(enumerateMidiOutputs(), true);
    outPorts = table.ports;
    outPortIndex = table.index;
    outPortLabels = table.labels;

    // The old entries go later: a rebuild can run inside the nested event loop
    // of a message box opened from one of them.
    const QList<QAction *> old = ui->menuMIDI_Out->actions();
    ui->menuMIDI_Out->clear();
    for (QAction *action : old)
        action->deleteLater();

    for (const QString &label : table.menuLabels) {
        // A port name may hold '&', which a menu would take as a mnemonic.
        QAction *action = new QAction(QString(label).replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        action->setData(label);
        connect(action, &QAction::triggered, this, [this, label] { connectMidiDevice(label); });
        ui->menuMIDI_Out->addAction(action);
    }
    if (table.menuLabels.isEmpty()) {
        QAction *none = new QAction(QStringLiteral("none"), this);
        none->setEnabled(false);
        ui->menuMIDI_Out->addAction(none);
    }
}

void MainWindow::rebuildMidiInList()
{
    const MidiPortList::Table table = MidiPortList::build(enumerateMidiInputs(), false);
    inPorts = table.ports;
    inPortIndex = table.index;
    inPortLabels = table.labels;
}

void MainWindow::update_list()
{
    const bool outputsChanged = MidiPortList::changed(enumerateMidiOutputs(), outPorts);
    const bool inputsChanged = MidiPortList::changed(enumerateMidiInputs(), inPorts);
    if (outputsChanged)
        rebuildMidiOutMenu();
    if (inputsChanged)
        rebuildMidiInList();
    if (outputsChanged || inputsChanged)
        qDebug() << "MIDI lists updated";
}

void MainWindow::checkDevices()
{
    if (!midi_out->isOpen())
        midi_in->closeDevice();

    const QMap<QString, QString> outputs = enumerateMidiOutputs();
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it) {
        if (MidiPortList::label(it.value(), it.key().toInt()) == midiOutName)
            return;
    }
    if (!midi_out->isOpen())
        return;

    // Unplugged: no box, the menu mark follows within half a second.
    qDebug() << "MIDI Out device disappeared:" << midiOutName;
    midi_out->closeDevice();
    midi_in->closeDevice();
    midiOutName.clear();
    midiInName.clear();
    product.clear();
    updateDialogShown = false;
    ui->name_label->setText(QStringLiteral("Device:"));
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
        const bool mine = action->data().toString() == label;
        action->setCheckable(mine);
        action->setChecked(mine && checked);
    }
}

void MainWindow::connectMidiDevice(QString label)
{
    if (midi_out->isOpen() && label == midiOutName) {
        midi_out->closeDevice();
        ui->name_label->setText(QStringLiteral("Device:"));
        midi_in->closeDevice();
        midiOutName.clear();
        midiInName.clear();
        product.clear();
        updateDialogShown = false;
        updateOscControlsVisibility();
        qDebug() << "Disconnected MIDI Out device:" << label;
        markDeviceAction(ui->menuMIDI_Out, label, false);
        QMessageBox::information(nullptr, QStringLiteral("MIDI Disconnected"),
                                 QStringLiteral("The MIDI connection has been disconnected."), QMessageBox::Ok);
        return;
    }

    if (!outPortIndex.contains(label)) {
        qDebug() << "MIDI Out device not found:" << label;
        return;
    }
    const int index = outPortIndex.value(label);
    if (midi_out->isOpen()) {
        midi_out->closeDevice();
        ui->name_label->setText(QStringLiteral("Device:"));
    }
    if (!midi_out->openDevice(index)) {
        // No port is open now, so nothing may still claim one.
        midiOutName.clear();
        midiInName.clear();
        QMessageBox::critical(nullptr, QStringLiteral("MIDI Connection Error"),
                              QStringLiteral("Failed to connect MIDI Out device: %1").arg(label), QMessageBox::Ok);
        return;
    }
    product.clear();

    // The input is paired before anything is sent: a unit answers the locate
    // and the identification request within milliseconds, and a reply that
    // arrives before its input port is open is lost.
    pairMidiInput(label);

    pairSerialLink(label);

    m_readout->show(1, 0, 0, 0);

    const QList<int> start = MachineControl::readTimeField(ui->lineEdit->text());
    sendStop();
    if (start.size() == 4) {
        sendLocate(start[0], start[1], start[2], start[3]);
        sendLocate(start[0], start[1], start[2], start[3]);
    } else {
        qDebug() << "Start time not located, the field holds" << start.size() << "parts:" << ui->lineEdit->text();
    }

    qDebug() << "Successfully connected MIDI Out device:" << label;
    midiOutName = label;
    ui->name_label->setText(QStringLiteral("Device: ") + label);

    updateOscControlsVisibility();
    applyGeneratorSourceRule(label);

    sendSysEx(Identification::identificationRequest());

    markDeviceAction(ui->menuMIDI_Out, midiOutName, true);

}

void MainWindow::pairMidiInput(const QString &outLabel)
{
    const QString inLabel = findMatchingMidiIn(outLabel);
    if (!inLabel.isEmpty() && inPortIndex.contains(inLabel)) {
        if (midi_in->isOpen())
            midi_in->closeDevice();
        if (midi_in->openDevice(inPortIndex.value(inLabel))) {
            midiInName = inLabel;
            qDebug() << "Automatically connected corresponding MIDI In device:" << inLabel;
        } else {
            qDebug() << "Failed to automatically connect corresponding MIDI In device:" << inLabel;
        }
    } else {
        qDebug() << "Corresponding MIDI In device not found for:" << outLabel;
    }
}

// MIDI Machine Control ---------------------------------------------------------

quint8 MainWindow::checkedRateCode() const
{
    for (const QRadioButton *button : {ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10}) {
        if (button->isChecked())
            return MachineControl::rateCodeForText(button->text());
    }
    return MachineControl::rateCodeForText(QStringLiteral("None"));
}

void MainWindow::sendStop()
{
    const QByteArray message = MachineControl::stop();
    qDebug().noquote() << "MMC Stop:" << message.toHex(' ').toUpper();
    midi_out->sendLongMessage(message);
}

void MainWindow::sendPlay()
{
    const QByteArray message = MachineControl::play();
    qDebug().noquote() << "MMC Play:" << message.toHex(' ').toUpper();
    midi_out->sendLongMessage(message);
}

void MainWindow::sendLocate(int hours, int minutes, int seconds, int frames)
{
    const std::optional<QByteArray> message = MachineControl::locate(hours, minutes, seconds, frames, checkedRateCode());
    if (!message) {
        // A blank or out-of-range part would put a status byte inside the SysEx.
        qDebug() << "Locate not sent, a time part is outside 0..127:" << hours << minutes << seconds << frames;
        return;
    }
    qDebug().noquote() << "MMC Locate:" << message->toHex(' ').toUpper();
    midi_out->sendLongMessage(*message);
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
    auto *dialog = new AppUpdateDialog(aboutDialog->version, this, platform.messageBoxes);
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
    connect(ip_dialog, &ip_Dialog::read_ip, this, &MainWindow::requestIpConfig);
    connect(ip_dialog, &ip_Dialog::set_ip, this, &MainWindow::setIP);
    ipGapTimer = new QTimer(this);
    ipGapTimer->setSingleShot(true);
    connect(ipGapTimer, &QTimer::timeout, this, &MainWindow::sendNextIpMessage);

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

void MainWindow::requestIpConfig()
{
    sendIpConfig(QString(), QStringLiteral("READIP"));
}

void MainWindow::setIP()
{
    if (ip_dialog->modeIndex() == ip_Dialog::kModeDhcp) {
        sendIpConfig(QString(), QStringLiteral("DHCP"));
        return;
    }
    const QList<QPair<ip_Dialog::Field, QString>> fields = {
        {ip_Dialog::AddressField, QStringLiteral("IP")},
        {ip_Dialog::SubnetField, QStringLiteral("Subnet")},
        {ip_Dialog::GatewayField, QStringLiteral("Network")},
    };
    // Digits such as 999 fit the field's mask but no unit can take them; the
    // whole Set waits until they are mended, so the unit never gets half of it.
    for (const auto &f : fields) {
        QLineEdit *edit = ip_dialog->field(f.first);
        const QList<int> octets = splitIpOctets(edit->text());
        if (octets.size() == 4 && !NetworkMessages::octetsInRange(octets)) {
            ip_dialog->warnInvalidAddress(edit);
            return;
        }
    }
    for (const auto &f : fields)
        sendIpConfig(ip_dialog->field(f.first)->text(), f.second);
}

void MainWindow::sendIpConfig(const QString &value, const QString &kind)
{
    const std::optional<QByteArray> message = NetworkMessages::buildIpConfigMessage(value, kind);
    if (!message) {
        qDebug() << "Invalid IP address!";
        return;
    }
    ipSendQueue.append(*message);
    if (!ipGapTimer->isActive())
        sendNextIpMessage();
}

void MainWindow::sendNextIpMessage()
{
    if (ipSendQueue.isEmpty())
        return;
    const QByteArray message = ipSendQueue.takeFirst();
    qDebug().noquote() << "Send IP config:" << message.toHex(' ').toUpper();
    midi_out->sendLongMessage(message);
    ipGapTimer->start(kIpMessageGapMs);
}

QList<int> MainWindow::splitIpOctets(const QString &text) const
{
    return NetworkMessages::splitIpOctets(text);
}

void MainWindow::parseIpFeedback(const QByteArray &message)
{
    const bool networkFamily = message.startsWith(QByteArray::fromHex("F07F7F5E"));
    if (message.size() < NetworkMessages::kIpMessageSize) {
        // Every message passes here; only this family's short ones are news.
        if (networkFamily && message.size() > 4 && quint8(message[4]) == NetworkMessages::kIpCommand)
            qDebug() << "Error: Invalid message length!";
        return;
    }
    if (!networkFamily) {
        qDebug() << "Error: Invalid message prefix!";
        return;
    }
    const std::optional<NetworkMessages::IpFeedback> feedback = NetworkMessages::parseIpFeedback(message);
    if (!feedback) {
        qDebug().noquote() << "Error: Invalid IP digits:" << message.toHex(' ').toUpper();
        return;
    }
    switch (feedback->kind) {
    case NetworkMessages::IpAddress:
        ip_dialog->field(ip_Dialog::AddressField)->setText(feedback->address);
        return;
    case NetworkMessages::IpSubnet:
        ip_dialog->field(ip_Dialog::SubnetField)->setText(feedback->address);
        return;
    case NetworkMessages::IpGateway:
        ip_dialog->field(ip_Dialog::GatewayField)->setText(feedback->address);
        return;
    case NetworkMessages::IpMode:
        if (feedback->mode != NetworkMessages::kIpModeDhcp && feedback->mode != NetworkMessages::kIpModeManual)
            return;
        ip_dialog->setModeIndex(feedback->mode == NetworkMessages::kIpModeDhcp ? ip_Dialog::kModeDhcp
                                                                              : ip_Dialog::kModeManual);
        if (ip_dialog->isReadConfirmPending()) {
            ip_dialog->setReadConfirmPending(false);
            showNoticeBox(this, QMessageBox::Information, tr("Success"), tr("IP address read successfully!"));
        }
        return;
    default:
        return;
    }
}
