#include "app/MainWindow.h"

#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "ui/FontSubstitutes.h"
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
