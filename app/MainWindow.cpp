#include "app/MainWindow.h"

#include "dialogs/CustomDialog.h"
#include "dialogs/UserManual.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "ui/FontSubstitutes.h"
#include "update/AppUpdateDialog.h"
#include "update/FirmwareModel.h"
#include "update/FirmwareUpdateCheck.h"
#include "update/SerialIdentity.h"
#include "ui_MainWindow.h"

#include <QDebug>
#include <QIcon>
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
{
    initResources();
    installFontSubstitutes();
    ui->setupUi(this);
    ui->comboBox_ComDevices->hide();

    midi_in = new QMidiIn(platform.midi, this);

    setWindowIcon(QIcon(QString()));
    setWindowTitle(tr("MIDI Machine Control"));

    // Online updates, About box and manual
    aboutDialog = new CustomDialog(this);
    firmwareCheck = new FirmwareUpdateCheck(FirmwareUpdateCheck::Place::MainWindow, this, platform.messageBoxes);
    connect(firmwareCheck, &FirmwareUpdateCheck::versionAnnounced, this, &MainWindow::send_brio_version);
    connect(firmwareCheck, &FirmwareUpdateCheck::offerAccepted, this, [this] {
        currentBrio1 = QStringLiteral("xx");
        currentVersion1 = QStringLiteral("xx");
    });
    QTimer::singleShot(500, this, [this] { startAppUpdateCheck(false); });
}

MainWindow::~MainWindow()
{
    delete ui;
    delete midi_out;
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
    const SerialIdentity id = parseSerialIdentity(chunk);
    if (id.hasModel)
        currentBrio1 = id.model;
    else if (id.hasVersion)
        currentVersion1 = id.version;

    if (updateDialogShown)
        return;
    if (currentBrio1 != QLatin1String("xx") && currentVersion1 != QLatin1String("xx") && id.usable) {
        updateDialogShown = true;
        firmwareCheck->start(currentBrio1, currentVersion1);
    }
}
