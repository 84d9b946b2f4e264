// SPDX-License-Identifier: GPL-3.0-or-later
// The panel against the built-in emulated unit over the in-memory MIDI
// system: connecting and identification, then the generator run to End.

#include "panel/TimecodeReadout.h"
#include "support/BuiltInRig.h"
#include "support/MessageBoxRecorder.h"
#include "ui_MainWindow.h"

#include <QtTest>

using PanelTest::BuiltInRig;

class TestE2eTimecode : public QObject
{
    Q_OBJECT
private slots:
    void connectAndIdentify()
    {
        BuiltInRig rig;
        MainWindow &w = rig.window;
        BuiltInUnit &unit = rig.unit;
        QAction *entry = PanelTest::menuEntry(w, QStringLiteral("TQR-30 Pro (built-in) [0]"));
        QVERIFY(entry);
        entry->trigger();
        QCOMPARE(w.connectedInputLabel(), QStringLiteral("TQR-30 Pro (built-in) [0]"));
        QTRY_COMPARE(w.productText(), QStringLiteral("TQR-30 Pro"));
        QVERIFY(!w.form()->pushButton_7->isHidden());
        QVERIFY(!w.form()->radioButton_5->isHidden());
        QVERIFY(w.form()->radioButton_4->isChecked());
        // The connection's locate to Start reached the unit and came back as a full frame.
        QTRY_COMPARE(w.readout()->digits(), QStringLiteral("01000000"));
        unit.call([](EmulatedUnit &u) { QCOMPARE(u.position(), (FrameClock::Label {1, 0, 0, 0})); });

        // Choosing LTC is reported back; the unit keeps it.
        w.form()->radioButton_3->click();
        QTRY_COMPARE(unit.unit()->source(), 3);
        QVERIFY(w.form()->radioButton_3->isChecked());
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void smallestModelHasNoGenerator()
    {
        BuiltInRig rig(UnitMessages::Model::Tqr10);
        MainWindow &w = rig.window;
        PanelTest::menuEntry(w, QStringLiteral("TQR-10 (built-in) [0]"))->trigger();
        QTRY_COMPARE(w.productText(), QStringLiteral("TQR-10"));
        QVERIFY(w.form()->radioButton_4->isHidden());
        QVERIFY(w.form()->pushButton_7->isHidden());
        // Its own source report checks USB.
        QTRY_VERIFY(w.form()->radioButton->isChecked());
        QVERIFY(rig.unit.serialPortPath().isEmpty());
    }

    void playRunsToEnd()
    {
        BuiltInRig rig;
        MainWindow &w = rig.window;
        BuiltInUnit &unit = rig.unit;
        w.form()->lineEdit->setText(QStringLiteral("01 : 00 : 00 : 00"));
        w.form()->lineEdit_2->setText(QStringLiteral("01 : 00 : 01 : 11"));
        PanelTest::menuEntry(w, QStringLiteral("TQR-30 Pro (built-in) [0]"))->trigger();
        QTRY_COMPARE(w.productText(), QStringLiteral("TQR-30 Pro"));
        w.form()->radioButton_8->click(); // 25 fps: relocates with the new rate
        QTRY_COMPARE(unit.unit()->rate(), FrameRate(FrameRate::Fps25));

        QElapsedTimer clock;
        clock.start();
        w.form()->pushButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(unit.unit()->isRunning(), 2000);
        // 36 frames at 25 fps (each quarter-frame sequence moves two frames,
        // so End is met exactly): the panel stops the unit at End.
        QTRY_VERIFY_WITH_TIMEOUT(!unit.unit()->isRunning(), 5000);
        QVERIFY2(clock.elapsed() >= 1300, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(w.readout()->digits(), QStringLiteral("01000111"));
        QCOMPARE(w.form()->horizontalSlider->value(), w.form()->horizontalSlider->maximum());
        const FrameClock::Label stopped = unit.unit()->position();
        const qint64 overshoot = FrameClock::frameNumber(stopped, FrameRate::Fps25)
            - FrameClock::frameNumber({1, 0, 1, 11}, FrameRate::Fps25);
        QVERIFY2(overshoot >= 0 && overshoot <= 4, qPrintable(QString::number(overshoot)));
        QVERIFY(rig.boxes.boxes.isEmpty());
    }
};

QTEST_MAIN(TestE2eTimecode)
#include "tst_e2e_timecode.moc"
