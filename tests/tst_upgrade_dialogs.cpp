#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/Upgrade_message_Dialog.h"
#include "serial/upgrade_Dialog.h"
#include "support/MessageBoxRecorder.h"
#include "support/UpgradeDialogRig.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray makeImage(int size)
{
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char(i * 13);
    return image;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

} // namespace

class UpgradeDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void progressDialogValues();
    void progressDialogDoneBeforeAnyHundred();
    void progressDialogFailure();
    void connectOnAnEmptyList();
    void connectAndDisconnect();
    void unitInNormalModeIsSentAway();
    void sameVersionFileIsNotErased();
    void upgradeOnlyAfterTheEraseForTheFile_data();
    void upgradeOnlyAfterTheEraseForTheFile();
    void manualUpgradeToTheEnd();
    void onlineDownloadStartsByItself();
    void silentUnitIsReported();
    void closingResetsTheForm();
    void rendersBothDialogs();
};

void UpgradeDialogsTest::progressDialogValues()
{
    Upgrade_message_Dialog dialog;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    dialog.show();
    dialog.rec_brio_version("TQR-30 Pro", "TQR-30Pro_V1.0.3");
    QCOMPARE(dialog.form().textBrowser->toPlainText(),
             QString("Product Model:TQR-30 Pro\nVersion:TQR-30Pro_V1.0.3"));
    for (int value : {10, 50, 99}) {
        dialog.rec_possvalue(value);
        QCOMPARE(dialog.form().progressBar->value(), value);
    }
    dialog.rec_possvalue(-5);
    QCOMPARE(dialog.form().progressBar->value(), 0);
    // 100 comes while the last chunks are still to be written: it ends nothing.
    dialog.rec_possvalue(100);
    QCOMPARE(dialog.form().progressBar->value(), 99);
    QTest::qWait(50);
    QVERIFY(boxes.boxes.isEmpty());
    QVERIFY(dialog.isVisible());
    dialog.upgrade_done();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Upgrade"));
    QCOMPARE(boxes.boxes.at(0).text, QString("Upgrade successful, please power on the device again."));
    QCOMPARE(boxes.boxes.at(0).parent.data(), &dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.form().progressBar->value(), 0);
    QVERIFY(dialog.form().textBrowser->toPlainText().isEmpty());
    dialog.upgrade_done(); // a second end shows nothing
    QCOMPARE(boxes.boxes.size(), 1);
}

void UpgradeDialogsTest::progressDialogDoneBeforeAnyHundred()
{
    Upgrade_message_Dialog dialog;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    dialog.show();
    dialog.rec_possvalue(30);
    dialog.upgrade_done();
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
}

void UpgradeDialogsTest::progressDialogFailure()
{
    Upgrade_message_Dialog dialog;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    dialog.show();
    dialog.rec_possvalue(100);
    dialog.upgrade_failed("The device stopped answering during the upgrade.");
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(boxes.boxes.at(0).text.contains("stopped answering"));
    dialog.upgrade_done();
    QTest::qWait(50);
    QCOMPARE(boxes.boxes.size(), 1); // no success after a failure
    QVERIFY(!boxes.seen("Upgrade successful"));
}

void UpgradeDialogsTest::connectOnAnEmptyList()
{
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    upgrade_Dialog dialog(&usb, &ports);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    dialog.prepareAndShow();
    QCOMPARE(dialog.form().comboBox->count(), 0);
    QTest::mouseClick(dialog.form().pushButton, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Brio Tool"));
    QCOMPARE(dialog.form().pushButton->text(), QString("Connect"));
    QVERIFY(dialog.form().comboBox->isEnabled());
    QVERIFY(!dialog.link()->isOpen());
}

void UpgradeDialogsTest::connectAndDisconnect()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    QCOMPARE(rig.dialog.form().pushButton->text(), QString("Disconnect"));
    QVERIFY(!rig.dialog.form().comboBox->isEnabled());
    QVERIFY(rig.dialog.form().pushButton_2->isEnabled());
    QVERIFY(rig.dialog.form().pushButton_2->isHidden());
    QCOMPARE(rig.boot.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.dialog.modelText(), QString("TQR-30"));
    QCOMPARE(rig.dialog.transfer()->modelFamily(), 2);
    QCOMPARE(rig.dialog.form().textBrowser->toPlainText(),
             QString("Product Model:TQR-30\n\nHardware Version:V1.0.3"));

    QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton);
    QVERIFY(!rig.dialog.link()->isOpen());
    QCOMPARE(rig.dialog.form().pushButton->text(), QString("Connect"));
    QVERIFY(rig.dialog.form().comboBox->isEnabled());
    QCOMPARE(rig.boot.countCommand(0x01), 1); // no query on disconnect
}

void UpgradeDialogsTest::unitInNormalModeIsSentAway()
{
    UpgradeDialogRig rig("TQR-30 Pro Larkspur");
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.dialog.prepareAndShow();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Warning"));
    QCOMPARE(boxes.boxes.at(0).text,
             QString("Please refer to the product manual to put the device into upgrade mode."));
    QVERIFY(!rig.dialog.isVisible());
}

void UpgradeDialogsTest::sameVersionFileIsNotErased()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    QTemporaryDir dir;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    const QString same = writeFile(dir, "TQR-30_V1.0.3.bin", makeImage(100));
    rig.dialog.openImageFile(same);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).text, QString("The version number is the same! No upgrade required"));
    QCOMPARE(rig.dialog.form().lineEdit->text(), same);
    QTest::qWait(50);
    QCOMPARE(rig.boot.countCommand(0x02), 0);

    // An empty file is refused before anything is erased.
    rig.dialog.openImageFile(writeFile(dir, "empty.bin", QByteArray()));
    QCOMPARE(boxes.boxes.size(), 2);
    QVERIFY(boxes.boxes.at(1).text.contains("empty"));
    rig.dialog.openImageFile(dir.filePath("missing.bin"));
    QCOMPARE(boxes.boxes.size(), 3);
    QTest::qWait(50);
    QCOMPARE(rig.boot.countCommand(0x02), 0);

    // Any other name, two dots included, erases at once.
    rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.3.bin.bak", makeImage(100)));
    QTRY_COMPARE(rig.boot.countCommand(0x02), 1);
    QCOMPARE(boxes.boxes.size(), 3);
}

// Upgrade is offered only once the unit has erased for the loaded image.
void UpgradeDialogsTest::upgradeOnlyAfterTheEraseForTheFile_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("erase not ended") << "erasing";
    QTest::newRow("same-version file after an erase") << "same";
    QTest::newRow("after a failure") << "failed";
    QTest::newRow("disconnected after the erase") << "disconnected";
}

void UpgradeDialogsTest::upgradeOnlyAfterTheEraseForTheFile()
{
    QFETCH(QString, before);
    UpgradeDialogRig rig;
    rig.connectUnit();
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    QTemporaryDir dir;
    QVERIFY(!rig.dialog.form().pushButton_4->isEnabled());
    if (before == "erasing") {
        rig.boot.answerErase = false;
        rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.4.bin", makeImage(200)));
        QTRY_COMPARE(rig.boot.countCommand(0x02), 1);
        rig.boot.inImage = true; // whatever arrives now would be image bytes
    } else if (before == "same") {
        rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.4.bin", makeImage(200)));
        QTRY_VERIFY(rig.dialog.form().pushButton_4->isEnabled());
        rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.3.bin", makeImage(100)));
        QVERIFY(boxes.seen("The version number is the same!"));
    } else if (before == "disconnected") {
        rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.4.bin", makeImage(200)));
        QTRY_VERIFY(rig.dialog.form().pushButton_4->isEnabled());
        QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton);
        QVERIFY(!rig.dialog.link()->isOpen());
        rig.boot.inImage = false; // the reconnect's queries are commands, not image bytes
        QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton);
        QTRY_COMPARE(rig.boot.countCommand(0x03), 2);
        QTest::qWait(50); // the version reply is taken in
        rig.boot.inImage = true;
    } else {
        rig.boot.stopAckingAfter = 1;
        rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.4.bin", makeImage(500)));
        QTRY_VERIFY(rig.dialog.erased());
        QTest::mouseClick(rig.dialog.form().pushButton_4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(boxes.seen("stopped answering"), 3000);
    }
    const QByteArray arrived = rig.boot.image;
    QVERIFY(!rig.dialog.erased());
    QVERIFY(!rig.dialog.form().pushButton_4->isEnabled());
    // The slot itself refuses too, not only the disabled button.
    QVERIFY(QMetaObject::invokeMethod(&rig.dialog, "on_pushButton_4_clicked"));
    QTest::qWait(100);
    QCOMPARE(rig.boot.image, arrived);
}

void UpgradeDialogsTest::manualUpgradeToTheEnd()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    QTemporaryDir dir;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    const QByteArray image = makeImage(1000);
    rig.dialog.openImageFile(writeFile(dir, "TQR-30_V1.0.4.bin", image));
    QTRY_VERIFY(rig.dialog.erased());
    QVERIFY(rig.boot.image.isEmpty()); // waits for the user
    int barAtTheEnd = -1;
    bool upgradeEnabledAtTheEnd = true;
    int acksAtTheEnd = -1;
    connect(rig.dialog.transfer(), &FirmwareTransfer::finished, this, [&] {
        barAtTheEnd = rig.dialog.form().progressBar->value();
        upgradeEnabledAtTheEnd = rig.dialog.form().pushButton_4->isEnabled();
        acksAtTheEnd = rig.boot.acksSent;
    });
    QTest::mouseClick(rig.dialog.form().pushButton_4, Qt::LeftButton);
    QTRY_COMPARE(rig.boot.image, image);
    QCOMPARE(rig.boot.chunksAheadOfAck, 0);
    QTRY_COMPARE(barAtTheEnd, 99);
    QVERIFY(!upgradeEnabledAtTheEnd);
    QCOMPARE(acksAtTheEnd, 16); // the end waits for the last chunk's acknowledgement

    QTRY_COMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).text, QString("Upgrade successful, please power on the device again."));
    QCOMPARE(boxes.boxes.at(0).parent.data(), &rig.dialog);
    QTRY_VERIFY(!rig.dialog.isVisible());
    QVERIFY(!rig.dialog.link()->isOpen());
    QCOMPARE(rig.dialog.form().progressBar->value(), 0);
    QCOMPARE(rig.dialog.form().comboBox->count(), 0);
    // Done with this image: Upgrade waits for the next erase.
    QVERIFY(!rig.dialog.form().pushButton_4->isEnabled());
    QCOMPARE(rig.dialog.form().pushButton->text(), QString("Connect"));
}

void UpgradeDialogsTest::onlineDownloadStartsByItself()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.dialog.upgradeFromDownload(QByteArray());
    QCOMPARE(boxes.boxes.size(), 1);
    QTest::qWait(50);
    QCOMPARE(rig.boot.countCommand(0x02), 0);

    const QByteArray image = makeImage(300);
    rig.dialog.upgradeFromDownload(image);
    QTRY_COMPARE(rig.boot.image, image);
    QTRY_COMPARE(boxes.boxes.size(), 2);
    QVERIFY(boxes.boxes.at(1).text.startsWith("Upgrade successful"));
}

void UpgradeDialogsTest::silentUnitIsReported()
{
    UpgradeDialogRig rig;
    rig.boot.stopAckingAfter = 1;
    rig.connectUnit();
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.dialog.upgradeFromDownload(makeImage(500));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, 3000);
    QVERIFY(boxes.boxes.at(0).text.contains("stopped answering"));
    QCOMPARE(boxes.boxes.at(0).parent.data(), &rig.dialog);
    QVERIFY(rig.dialog.link()->isOpen());
    QCOMPARE(rig.boot.chunkSizes.size(), 2);
}

void UpgradeDialogsTest::closingResetsTheForm()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    rig.dialog.form().lineEdit->setText("/tmp/x.bin");
    rig.dialog.close();
    QCOMPARE(rig.dialog.form().pushButton->text(), QString("Connect"));
    QVERIFY(rig.dialog.form().textBrowser->toPlainText().isEmpty());
    QVERIFY(rig.dialog.form().lineEdit->text().isEmpty());
    QVERIFY(rig.dialog.form().comboBox->isEnabled());
    QCOMPARE(rig.dialog.form().comboBox->count(), 0);
    QVERIFY(rig.dialog.link()->isOpen()); // the port stays as it was
    rig.dialog.refreshPortList();
    QCOMPARE(rig.dialog.form().comboBox->count(), 1);
}

void UpgradeDialogsTest::rendersBothDialogs()
{
    UpgradeDialogRig rig;
    rig.connectUnit();
    rig.dialog.form().lineEdit->setText("/home/user/TQR-30_V1.0.4.bin");
    rig.dialog.form().progressBar->setValue(42);
    QCOMPARE(rig.dialog.size(), QSize(827, 229));
    QCOMPARE(rig.dialog.windowTitle(), QString("Upgrade"));
    const QString out = qEnvironmentVariable("QUILL_TEST_OUTPUT", ".");
    QVERIFY(rig.dialog.grab().save(out + "/upgrade_dialog.png"));

    Upgrade_message_Dialog progress;
    progress.rec_brio_version("TQR-30 Pro", "TQR-30Pro_V1.0.3");
    progress.rec_possvalue(63);
    progress.show();
    QCOMPARE(progress.size(), QSize(458, 228));
    QVERIFY(progress.grab().save(out + "/upgrade_message_dialog.png"));
    progress.showTransferState(FirmwareTransfer::State::FindingUpgradePort);
    QCOMPARE(progress.form().progressBar->maximum(), 0);
    QVERIFY(progress.form().stageLabel->isVisible());
    QVERIFY(progress.grab().save(out + "/upgrade_message_dialog_busy.png"));
    progress.resize(860, 650);
    QVERIFY(progress.grab().save(out + "/upgrade_message_dialog_busy_large.png"));
}

QTEST_MAIN(UpgradeDialogsTest)
#include "tst_upgrade_dialogs.moc"
