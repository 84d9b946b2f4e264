#include "app/MainWindow.h"

#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "panel/GeneratorTransport.h"
#include "panel/PanelContext.h"
#include "panel/SourceRateSelection.h"
#include "panel/TimecodeReadout.h"
#include "protocol/Identification.h"
#include "protocol/MidiTimecodeIn.h"
#include "ui/FontSubstitutes.h"
#include "ui_MainWindow.h"

#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTimer>

MainWindow::MainWindow(const Platform &platform_, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , platform(platform_)
    , midi_out(new QMidiOut(platform_.midi))
    , timecodeIn(new MidiTimecodeIn)
{
    installFontSubstitutes();
    ui->setupUi(this);
    ui->comboBox_ComDevices->hide();

    midi_in = new QMidiIn(platform.midi, this);

    setWindowIcon(QIcon(QString()));
    setWindowTitle(tr("MIDI Machine Control"));

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

    ui->pushButton_6->setCheckable(true);
    ui->pushButton_6->setChecked(false);
    ui->pushButton_8->hide();
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
    qDebug().noquote() << "MIDI in:" << message.toHex(' ').toUpper() << "length" << message.size();

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
    // 3. UDP/TCP window feedback.

    // 4. Time code, source and rate reports.
    timecodeIn->processMidiMessage(message);

    // 5. The OSC acknowledgement belongs to the OSC window alone.
    if (Identification::isOscAcknowledgement(message)) {
        return;
    }

    // 6. Offset window feedback.
    // 7. The unit is talking: keep the source locked.
    m_transport->noteMessageSeen();
    // 8. IP feedback.
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
}

void MainWindow::onQuarterFrameText(const QString &timecode)
{
    m_readout->showQuarterFrameText(timecode);
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
