// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's automatic firmware upgrade against the built-in emulated unit
// over real pseudo-terminals: the unit re-enumerates in upgrade mode, the
// panel finds it, erases and writes; the image must arrive byte for byte.

#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "upgrade/upgrade_Dialog.h"
#include "support/BuiltInRig.h"
#include "unit/UnitSession.h"
#include "ui_MainWindow.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestE2eUpgrade : public QObject
{
    Q_OBJECT
private slots:
    // The unit's faults are those of real USB serial adapters and of a new
    // port that another program probes for a moment.
    void automaticUpgradeWritesTheImage_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("coalesce");
        QTest::addColumn<int>("busyMs");
        // Through the whole window chunks go out some 10 ms apart even at a
        // 2 ms pacing: only acknowledgements later than that catch a sender
        // that does not wait. The 64 KiB images keep a shorter delay to stay quick.
        QTest::addColumn<int>("ackDelayMs");
        QTest::addColumn<bool>("chatter");
        QTest::newRow("plain") << 3000 << false << false << 0 << 25 << false;
        QTest::newRow("64 KiB, replies split") << 65536 << true << false << 0 << 6 << false;
        QTest::newRow("64 KiB, acknowledgements coalesced") << 65536 << false << true << 0 << 6 << false;
        QTest::newRow("upgrade port busy at first") << 3000 << false << false << 1200 << 25 << false;
        QTest::newRow("unit names itself in the image") << 3000 << false << false << 0 << 25 << true;
    }

    void automaticUpgradeWritesTheImage()
    {
        QFETCH(int, size);
        QFETCH(bool, split);
        QFETCH(bool, coalesce);
        QFETCH(int, busyMs);
        QFETCH(int, ackDelayMs);
        QFETCH(bool, chatter);
        BuiltInUnit::Options options;
        options.timing.reenumerateMs = 300;
        options.timing.eraseMs = 50;
        options.timing.rebootMs = 60000;
        // Acknowledged later than the pacing interval, as over USB: a sender
        // that did not wait would be caught by chunksAheadOfAck().
        options.faults.ackDelayMs = ackDelayMs;
        options.faults.splitReplies = split;
        options.faults.coalesceAcks = coalesce;
        options.faults.busyUpgradePortMs = busyMs;
        options.faults.chatter = chatter;
        PanelTest::BuiltInRig rig(options, PanelTest::BuiltInRig::Serial::On);
        MainWindow &w = rig.window;
        BuiltInUnit &unit = rig.unit;
        FirmwareTransfer::Timing timing = w.firmwareTransfer()->timing();
        timing.prepareWaitMs = 200;
        timing.fastPacingMs = 2;
        w.firmwareTransfer()->setTiming(timing);

        QVERIFY(rig.connectUnit());
        // Pairing opened the unit's serial port by its description.
        QTRY_VERIFY(w.serialLink()->isOpen());
        QVERIFY(unit.serialPortPath().endsWith(w.serialLink()->portName()));
        // The status line names the unit and the firmware it reported.
        QTRY_VERIFY(w.statusLine()->text().startsWith(QStringLiteral("TQR-30 Pro  \u00B7  firmware V1.")));

        QByteArray image;
        for (int i = 0; i < size - 14; ++i)
            image.append(char((i * 31 + 7) & 0xFF));
        image.append("QUILLFW V1.0.3");
        QSignalSpy written(unit.unit(), &EmulatedUnit::firmwareReceived);
        w.startFirmwareUpgrade(image);
        QTRY_VERIFY_WITH_TIMEOUT(written.size() == 1, 40000);
        QByteArray received;
        QString version;
        unit.call([&](EmulatedUnit &u) {
            received = u.receivedImage();
            version = u.firmwareVersion();
        });
        QCOMPARE(received.size(), image.size());
        QCOMPARE(received, image);
        QCOMPARE(version, QStringLiteral("V1.0.3"));
        int ahead = -1;
        unit.call([&](EmulatedUnit &u) { ahead = u.chunksAheadOfAck(); });
        QCOMPARE(ahead, 0);
        const auto successes = [&rig] {
            int n = 0;
            for (const auto &box : rig.boxes.boxes)
                n += box.text.startsWith(QLatin1String("Upgrade successful"));
            return n;
        };
        QTRY_COMPARE_WITH_TIMEOUT(successes(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w.firmwareTransfer()->state() == FirmwareTransfer::State::Idle, 5000);
        QVERIFY(w.statusLine()->text().endsWith(QStringLiteral("New firmware written")));
        for (const auto &box : rig.boxes.boxes)
            QVERIFY2(box.icon != QMessageBox::Warning && box.icon != QMessageBox::Critical, qPrintable(box.text));
    }

    // The unit restarts after its image, and is unplugged and plugged in
    // again later: each time its normal-mode port comes back under a new
    // name, and the panel opens it and asks for model and version again.
    void unitBackAfterTheUpgradeAndAReplug()
    {
        BuiltInUnit::Options options;
        options.timing.reenumerateMs = 300;
        options.timing.eraseMs = 50;
        options.timing.rebootMs = 300;
        options.timing.imageEndIdleMs = 100;
        PanelTest::BuiltInRig rig(options, PanelTest::BuiltInRig::Serial::On);
        MainWindow &w = rig.window;
        UnitSession *session = w.unitSession();
        FirmwareTransfer::Timing timing = w.firmwareTransfer()->timing();
        timing.prepareWaitMs = 200;
        timing.fastPacingMs = 2;
        w.firmwareTransfer()->setTiming(timing);
        QSignalSpy identified(session, &UnitSession::unitIdentified);
        QVERIFY(rig.connectUnit());
        QTRY_COMPARE(identified.size(), 1);

        w.startFirmwareUpgrade(QByteArray(500, '\x33'));
        QTRY_COMPARE_WITH_TIMEOUT(session->state(), UnitSession::State::Reenumerating, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(session->state(), UnitSession::State::Connected, 10000);
        QTRY_COMPARE(identified.size(), 2);
        QVERIFY(rig.unit.serialPortPath().endsWith(w.serialLink()->portName()));

        rig.unit.call([](EmulatedUnit &u) { u.replug(1500); });
        QTRY_COMPARE_WITH_TIMEOUT(session->state(), UnitSession::State::Lost, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(session->state(), UnitSession::State::Connected, 6000);
        QTRY_COMPARE(identified.size(), 3);
        QVERIFY(rig.unit.serialPortPath().endsWith(w.serialLink()->portName()));
        QCOMPARE(w.form()->name_label->text(), "Device: " + rig.entryText() + " (reconnected)");
    }

    // Help > Upgrade with the unit in normal mode offers to put it into
    // upgrade mode; accepted, the dialog connects to the unit when it comes
    // back and writes a file picked by hand.
    void upgradeDialogPutsTheUnitIntoUpgradeMode()
    {
        BuiltInUnit::Options options;
        options.timing.reenumerateMs = 300;
        options.timing.eraseMs = 50;
        options.timing.rebootMs = 60000;
        PanelTest::BuiltInRig rig(options, PanelTest::BuiltInRig::Serial::On);
        MainWindow &w = rig.window;
        FirmwareTransfer::Timing timing = w.firmwareTransfer()->timing();
        timing.prepareWaitMs = 200;
        w.firmwareTransfer()->setTiming(timing);
        QVERIFY(rig.connectUnit());
        QTRY_VERIFY(w.serialLink()->isOpen());

        w.on_actionUpgrade_triggered(); // the offer is answered with OK
        upgrade_Dialog *dialog = w.upgradeDialog();
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes.first().text.startsWith(
            "Please refer to the product manual to put the device into upgrade mode."));
        QVERIFY(dialog->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->link()->isOpen(), 10000);
        QVERIFY(dialog->form().comboBox->currentText().contains("TQR-30B"));
        QTRY_VERIFY(!dialog->versionText().isEmpty());
        QVERIFY(!dialog->waitingForUpgradeMode());
        QCOMPARE(dialog->form().pushButton->text(), QString("Disconnect"));

        QTemporaryDir dir;
        QByteArray image(3000, '\x5A');
        image.append("QUILLFW V1.0.7");
        QFile file(dir.filePath("hand-picked.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        file.close();
        // The file names no model: the box asks first, and OK erases.
        dialog->openImageFile(file.fileName());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->erased(), 5000);
        QSignalSpy written(rig.unit.unit(), &EmulatedUnit::firmwareReceived);
        dialog->form().pushButton_4->click();
        QTRY_VERIFY_WITH_TIMEOUT(written.size() == 1, 20000);
        QString version;
        rig.unit.call([&](EmulatedUnit &u) { version = u.firmwareVersion(); });
        QCOMPARE(version, QStringLiteral("V1.0.7"));
        for (const auto &box : rig.boxes.boxes)
            QVERIFY2(box.icon != QMessageBox::Critical, qPrintable(box.text));
        // The window's own link let the upgrade-mode port go to the dialog.
        QVERIFY(!rig.boxes.titles().contains("Serial Port Error"));
    }
};

QTEST_MAIN(TestE2eUpgrade)
#include "tst_e2e_upgrade.moc"
