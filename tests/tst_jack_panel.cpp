// The time-code panel against a unit played by a peer on a real JACK MIDI
// graph: identification, the generator running from Start, the readout
// following the unit's quarter frames, and Stop at End.

#include "app/MainWindow.h"
#include "midi/QMidiOut.h"
#include "midi/RtMidiDriver.h"
#include "panel/CustomSlider.h"
#include "panel/GeneratorTransport.h"
#include "panel/TimecodeReadout.h"
#include "support/JackUnitPeer.h"
#include "support/MessageBoxWatcher.h"
#include "ui_MainWindow.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QAction *menuEntry(MainWindow &w, const QString &label)
{
    for (QAction *a : w.form()->menuMIDI_Out->actions())
        if (a->text() == label)
            return a;
    return nullptr;
}

} // namespace

class TestJackPanel : public QObject
{
    Q_OBJECT
private slots:
    void generatorRunsToEndAndStops()
    {
        QUILL_REQUIRE_JACK_SERVER();
        RtMidiDriver driver;
        MessageBoxWatcher boxes;
        MainWindow w(Platform{&driver});
        w.show();
        JackUnitPeer unit("TQR-30 Pro");
        QTRY_VERIFY_WITH_TIMEOUT(menuEntry(w, "TQR-30 Pro [0]") != nullptr, 2000);
        Ui::MainWindow *ui = w.form();

        menuEntry(w, "TQR-30 Pro [0]")->trigger();
        QVERIFY(w.midiOut()->isOpen());
        QTRY_COMPARE_WITH_TIMEOUT(w.productText(), QString("TQR-30 Pro"), 2000);
        QVERIFY(ui->actionOSC_Setting->isVisible());
        QVERIFY(ui->radioButton_5->isVisible());

        ui->radioButton_8->click(); // 25 fps
        ui->lineEdit->setText("01 : 00 : 00 : 00");
        ui->lineEdit_2->setText("01 : 00 : 01 : 10");
        ui->pushButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(unit.playing(), 2000);

        // The readout follows the unit's quarter frames.
        QTRY_VERIFY_WITH_TIMEOUT(w.readout()->label().seconds == 0 && w.readout()->label().frames >= 5, 3000);
        QCOMPARE(ui->time_hour->text(), QString("0 1 : "));
        QTRY_VERIFY_WITH_TIMEOUT(ui->horizontalSlider->value() > 0, 2000);

        // At End the panel stops the unit by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!unit.playing(), 5000);
        const QList<QByteArray> log = unit.log();
        QCOMPARE(log.last(), hex("F07F7F0601F7"));
        QVERIFY(log.contains(hex("F07F7F064406012100000000F7")));
        QCOMPARE(ui->horizontalSlider->maximum(), 35);
        const FrameArithmetic::Label end = w.readout()->label();
        QVERIFY2(end.seconds == 1 && end.frames >= 10, qPrintable(w.readout()->digits()));
        QVERIFY(!w.transport()->checkTimer()->isActive());
        QVERIFY(boxes.boxes.isEmpty());
    }
};

QTEST_MAIN(TestJackPanel)
#include "tst_jack_panel.moc"
