// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/FirmwareImageFile.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "upgrade/Upgrade_message_Dialog.h"
#include "upgrade/upgrade_Dialog.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestImages.h"
#include "support/UpgradeDialogRig.h"
#include "update/FirmwareUpdateCheck.h"

#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <sys/stat.h>

namespace {

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
    void pickedFileIsCheckedBeforeAnyErase_data();
    void pickedFileIsCheckedBeforeAnyErase();
    void unitTextShowsLiterally_data();
    void unitTextShowsLiterally();
    void repeatedVersionReplyChecksOnce();
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

// The unit reports a TQR-30 on V1.0.3. Nothing reaches the unit before the
// file has passed every check; a file that names no model needs a yes.
void UpgradeDialogsTest::pickedFileIsCheckedBeforeAnyErase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size"); // -1: a FIFO, -2: a directory
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("erased");
    const int none = QMessageBox::NoButton;
    const int big = int(FirmwareImageFile::kMaxImageBytes) + 1;
    QTest::newRow("FIFO") << "TQR-30_V1.0.4.bin" << -1 << none << "is not a regular file" << false;
    QTest::newRow("directory") << "TQR-30_V1.0.4.bin" << -2 << none << "is not a regular file" << false;
    QTest::newRow("oversized") << "TQR-30_V1.0.4.bin" << big << none << "larger than any firmware image (at most 4 MiB)"
                               << false;
    QTest::newRow("1 byte of another model")
        << "TQR-10_V1.0.4.bin" << 1 << none << "is firmware for the TQR-10, but the connected device is a TQR-30"
        << false;
    QTest::newRow("the Pro's image") << "TQR-30Pro_V1.0.4.bin" << 200 << none << "is firmware for the TQR-30 Pro"
                                     << false;
    QTest::newRow("no model named, declined")
        << "fw.bin" << 200 << int(QMessageBox::Cancel)
        << "This erases the firmware of the connected TQR-30 (V1.0.3) and writes fw.bin to it." << false;
    QTest::newRow("no model named, confirmed")
        << "fw.bin" << 200 << int(QMessageBox::Ok) << "This erases the firmware of the connected TQR-30" << true;
    QTest::newRow("named for the unit") << "TQR-30_V1.0.4.bin" << 200 << none << "" << true;
}

void UpgradeDialogsTest::pickedFileIsCheckedBeforeAnyErase()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, answer);
    QFETCH(QString, box);
    QFETCH(bool, erased);
    UpgradeDialogRig rig;
    rig.connectUnit();
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (size == -1)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (size == -2)
        QVERIFY(QDir(dir.path()).mkdir(name));
    else
        writeFile(dir, name, makeImage(size));
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    if (answer != QMessageBox::NoButton)
        boxes.answerNext(QMessageBox::StandardButton(answer));

    rig.dialog.openImageFile(path);
    if (box.isEmpty()) {
        QCOMPARE(boxes.boxes.size(), 0);
    } else {
        QCOMPARE(boxes.boxes.size(), 1); // asked once
        QVERIFY2(boxes.boxes.at(0).text.contains(box), qPrintable(boxes.boxes.at(0).text));
    }
    if (erased) {
        QTRY_COMPARE(rig.boot.countCommand(0x02), 1);
    } else {
        QTest::qWait(50);
        QCOMPARE(rig.boot.countCommand(0x02), 0);
    }
}

// What the unit calls itself is data: tags in it are shown, never followed,
// and a path in an image tag is never opened.
void UpgradeDialogsTest::unitTextShowsLiterally_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("version");
    QTemporaryDir dir;
    QTest::newRow("bold model") << QByteArray("TQR-30 <b>Pro</b>") << QByteArray("V1.0.3");
    QTest::newRow("link in the version") << QByteArray("TQR-30") << QByteArray("V1<a href=\"file:///etc/passwd\">x</a>");
    QTest::newRow("image in the version") << QByteArray("TQR-30") << QByteArray("V1<img src=\"/etc/hostname\">");
}

void UpgradeDialogsTest::unitTextShowsLiterally()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, version);
    UpgradeDialogRig rig;
    rig.boot.modelReply = model + "\r\n";
    rig.boot.versionReply = QByteArray("\xAA\xCC\x06", 3) + version + "\r\n";
    rig.dialog.prepareAndShow();
    QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton);
    QTRY_COMPARE(rig.dialog.versionText(), QString::fromUtf8(version));
    QTextBrowser *browser = rig.dialog.form().textBrowser;
    QCOMPARE(browser->toPlainText(),
             QString("Product Model:%1\n\nHardware Version:%2").arg(QString::fromUtf8(model), QString::fromUtf8(version)));
    QVERIFY(!browser->openLinks());

    Upgrade_message_Dialog progress;
    progress.rec_brio_version(QString::fromUtf8(model), QString::fromUtf8(version));
    QCOMPARE(progress.form().textBrowser->toPlainText(),
             QString("Product Model:%1\nVersion:%2").arg(QString::fromUtf8(model), QString::fromUtf8(version)));
    QVERIFY(!progress.form().textBrowser->openLinks());
}

// A unit that sends its version again asks the server nothing more until the
// next Connect.
void UpgradeDialogsTest::repeatedVersionReplyChecksOnce()
{
    UpgradeDialogRig rig;
    // The server of the tests refuses at once: every check ends quickly.
    QSignalSpy checks(rig.dialog.findChild<FirmwareUpdateCheck *>(), &FirmwareUpdateCheck::checkFinished);
    rig.connectUnit();
    QTRY_COMPARE(checks.size(), 1);
    for (int i = 0; i < 3; ++i)
        rig.dialog.rec_version("V1.0.3");
    QTest::qWait(200);
    QCOMPARE(checks.size(), 1);
    QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton); // disconnect
    QTest::mouseClick(rig.dialog.form().pushButton, Qt::LeftButton); // and again
    QTRY_COMPARE(checks.size(), 2);
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
    // The port is let go, and the dialog offers to connect again.
    QVERIFY(!rig.dialog.link()->isOpen());
    QCOMPARE(rig.dialog.form().pushButton->text(), QString("Connect"));
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
