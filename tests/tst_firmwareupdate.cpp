// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware update check against a real HTTPS server on loopback: the offer, the
// image handed to the transfer, and every way the server can fail.
#include "shell/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestCertificates.h"
#include "support/TestImages.h"
#include "support/TlsTestServer.h"
#include "serial/FirmwareImageFile.h"
#include "serial/FirmwareTransfer.h"
#include "update/DownloadProgressDialog.h"
#include "update/FirmwareUpdateCheck.h"
#include "update/FirmwareUpdatePrompts.h"

#include <QPushButton>
#include <QtTest>

namespace {

const QString kProFile = QStringLiteral("/download/Product/TQR-30_Pro/Update/TQR-30_Pro_Update.txt");
const QString kProImage = QStringLiteral("/download/Product/TQR-30_Pro/Update/TQR-30Pro_V1.0.3.bin");
const QString kThirtyFile = QStringLiteral("/download/Product/TQR-30/Update/TQR-30_Update.txt");
const QByteArray kProNews = "TQR-30Pro_V1.0.3\r\nUpdate content:\r\n1. Locks 50% faster (%1 kept)\r\n2. Fixes Art-Net\r\n";

// One check with its owner widget, recorded boxes and signal spies.
struct Check
{
    explicit Check(FirmwareUpdatePrompts::Place place)
        : prompts(place, &owner, &boxes)
        , check(*prompts.check())
        , finished(&check, &FirmwareUpdateCheck::checkFinished)
        , images(&check, &FirmwareUpdateCheck::imageReady)
        , accepted(&check, &FirmwareUpdateCheck::offerAccepted)
        , announced(&check, &FirmwareUpdateCheck::versionAnnounced)
    {
    }
    bool run(const QString &model, const QString &version)
    {
        return check.start(model, version) && finished.wait(15000);
    }

    QWidget owner;
    MessageBoxRecorder boxes;
    FirmwareUpdatePrompts prompts;
    FirmwareUpdateCheck &check;
    QSignalSpy finished, images, accepted, announced;
};

} // namespace

class FirmwareUpdateTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void offersNewerFirmwareAndHandsOverTheImage();
    void declinedOfferDownloadsNothing();
    void currentFirmwareIsQuietInTheWindowAndSaidInTheDialog();
    void fileWithoutVersionLineOffersNothing();
    void updateFileFailuresAreOnlyLogged_data();
    void updateFileFailuresAreOnlyLogged();
    void untrustedServerIsRefused_data();
    void untrustedServerIsRefused();
    void imageIsTakenOnlyFromTheServerAndBounded_data();
    void imageIsTakenOnlyFromTheServerAndBounded();
    void offerShowsWhatItIsToldLiterally();
    void imageDownloadShowsProgressAndCancels_data();
    void imageDownloadShowsProgressAndCancels();
    void unknownModelMakesNoRequest();
    void windowChecksOncePerConnection();
    void windowHandsTheImageToTheTransfer_data();
    void windowHandsTheImageToTheTransfer();

private:
    QScopedPointer<TlsTestServer> server;
    TestCertificates certificates;
};

void FirmwareUpdateTest::initTestCase()
{
    QString error;
    QVERIFY2(certificates.generate(&error), qPrintable(error));
    server.reset(new TlsTestServer(certificates.serverCertFile(), certificates.serverKeyFile()));
    QVERIFY(server->start());
    qputenv("QUILL_UPDATE_URL", server->baseUrl().toUtf8());
    qputenv("QUILL_UPDATE_CA_FILE", certificates.caFile().toUtf8());
}

void FirmwareUpdateTest::init()
{
    server.reset(new TlsTestServer(certificates.serverCertFile(), certificates.serverKeyFile()));
    QVERIFY(server->start());
    qputenv("QUILL_UPDATE_URL", server->baseUrl().toUtf8());
}

void FirmwareUpdateTest::offersNewerFirmwareAndHandsOverTheImage()
{
    const QByteArray image = makeImage(10000);
    server->serve(kProFile, kProNews);
    server->serve(kProImage, image);

    Check c(FirmwareUpdatePrompts::Place::MainWindow);
    QVERIFY(c.run("TQR-30 Pro", "V1.0.2"));

    QCOMPARE(c.boxes.boxes.size(), 1);
    const MessageBoxRecorder::Box &offer = c.boxes.boxes.first();
    QCOMPARE(offer.title, QString("Update Available"));
    QVERIFY(!offer.hadParent);
    QCOMPARE(offer.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    // Notes arrive in full, line breaks and percent signs untouched.
    QCOMPARE(offer.text, QString("The current version is TQR-30 Pro V1.0.2\n"
                                 "A new version is available: TQR-30 Pro V1.0.3\n\n"
                                 "Update Content:\n"
                                 "1. Locks 50% faster (%1 kept)\r\n2. Fixes Art-Net\r\n"));

    QCOMPARE(c.announced.size(), 1);
    QCOMPARE(c.announced.first().at(1).toString(), QString("TQR-30Pro_V1.0.3"));
    QCOMPARE(c.accepted.size(), 1);
    QCOMPARE(c.images.size(), 1);
    QCOMPARE(c.images.first().first().toByteArray(), image);
    QCOMPARE(server->requests(), QStringList({kProFile, kProImage}));
}

void FirmwareUpdateTest::declinedOfferDownloadsNothing()
{
    server->serve(kProFile, kProNews);
    server->serve(kProImage, makeImage(100));

    Check c(FirmwareUpdatePrompts::Place::UpgradeDialog);
    c.boxes.answerNext(QMessageBox::Cancel);
    QVERIFY(c.run("TQR-30 Pro", "V1.0.2"));
    QCOMPARE(c.boxes.boxes.size(), 1);
    QCOMPARE(c.accepted.size(), 0);
    QCOMPARE(c.images.size(), 0);
    QCOMPARE(server->requests(), QStringList({kProFile}));
}

void FirmwareUpdateTest::currentFirmwareIsQuietInTheWindowAndSaidInTheDialog()
{
    server->serve(kThirtyFile, "TQR-30_V1.2.0\nUpdate content:\nnothing\n");

    Check window(FirmwareUpdatePrompts::Place::MainWindow);
    QVERIFY(window.run("TQR-30", "V1.2"));
    QVERIFY(window.boxes.boxes.isEmpty());
    QCOMPARE(window.announced.size(), 1);

    Check dialog(FirmwareUpdatePrompts::Place::UpgradeDialog);
    QVERIFY(dialog.run("TQR-30", "V1.2"));
    QCOMPARE(dialog.boxes.boxes.size(), 1);
    QCOMPARE(dialog.boxes.boxes.first().title, QString("No Update"));
    QCOMPARE(dialog.boxes.boxes.first().text, QString("No new updates are available."));
    QCOMPARE(dialog.boxes.boxes.first().parent.data(), &dialog.owner);
    QCOMPARE(dialog.images.size(), 0);
}

void FirmwareUpdateTest::fileWithoutVersionLineOffersNothing()
{
    server->serve(kThirtyFile, "\nTQR-30_V9.0.0\nUpdate content:\nhidden\n");
    Check c(FirmwareUpdatePrompts::Place::MainWindow);
    QVERIFY(c.run("TQR-30", "V1.0.0"));
    QVERIFY(c.boxes.boxes.isEmpty());
    QCOMPARE(c.announced.first().at(1).toString(), QString());
    QCOMPARE(server->requests().size(), 1);
}

void FirmwareUpdateTest::updateFileFailuresAreOnlyLogged_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("404") << 404;
    QTest::newRow("connection reset") << 0;
    QTest::newRow("server down") << 1;
    QTest::newRow("larger than 64 KiB") << 2;
    QTest::newRow("moved to another host") << 3;
}

void FirmwareUpdateTest::updateFileFailuresAreOnlyLogged()
{
    QFETCH(int, kind);
    if (kind == 0)
        server->serve(kThirtyFile, TlsTestServer::Response{200, {}, true, TlsTestServer::Response::Kind::Reset});
    if (kind == 1) // the address stays, nothing listens there any more
        server.reset();
    if (kind == 2)
        server->serve(kThirtyFile, "TQR-30_V1.0.3\n" + QByteArray(64 * 1024, 'x'));
    if (kind == 3) // the same server under another name: refused all the same
        server->serve(kThirtyFile, TlsTestServer::redirect(
                                       QUrl(server->baseUrl()).adjusted(QUrl::RemovePath).toString().replace("127.0.0.1", "localhost").toUtf8()
                                       + "/elsewhere.txt"));
    // 404: nothing served, the server answers 404

    for (const auto place : {FirmwareUpdatePrompts::Place::MainWindow, FirmwareUpdatePrompts::Place::UpgradeDialog}) {
        if (kind == 2) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Download of .* stopped"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Firmware update file dropped: it is larger than 64 KiB"));
        } else {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Firmware update file download failed: "));
        }
        Check c(place);
        QVERIFY(c.run("TQR-30", "V1.0.0"));
        QVERIFY(c.boxes.boxes.isEmpty());
        QCOMPARE(c.announced.size(), 0);
    }
    // The network stack itself may repeat a GET on a dropped connection; we never do.
    if (server)
        QVERIFY(server->requests().size() >= 2);
    if (kind == 3)
        QVERIFY(!server->requests().contains("/elsewhere.txt"));
}

void FirmwareUpdateTest::untrustedServerIsRefused_data()
{
    TestCertificates::addRefusedRows();
}

void FirmwareUpdateTest::untrustedServerIsRefused()
{
    QFETCH(TestCertificates::Refused, kind);
    TlsTestServer impostor(certificates.refusedCertFile(kind), certificates.refusedKeyFile(kind));
    QVERIFY(impostor.start());
    impostor.serve(kProFile, kProNews);
    impostor.serve(kProImage, makeImage(100));
    qputenv("QUILL_UPDATE_URL", impostor.baseUrl().toUtf8());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Firmware update file download failed: .*SSL"));
    Check c(FirmwareUpdatePrompts::Place::UpgradeDialog);
    QVERIFY(c.run("TQR-30 Pro", "V1.0.2"));
    QVERIFY(c.boxes.boxes.isEmpty());
    QVERIFY(impostor.requests().isEmpty());
}

// Images are not signed: only a plain, bounded answer of the checked server is one.
void FirmwareUpdateTest::imageIsTakenOnlyFromTheServerAndBounded_data()
{
    QTest::addColumn<QString>("served");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("empty body") << "empty" << "is empty";
    QTest::newRow("404") << "none" << "could not be downloaded";
    QTest::newRow("above 4 MiB") << "huge" << "is larger than 4 MiB";
    QTest::newRow("above 4 MiB, no length") << "huge, no length" << "is larger than 4 MiB";
    QTest::newRow("moved to another host") << "elsewhere" << "could not be downloaded";
    QTest::newRow("moved on the same server") << "moved" << "";
}

void FirmwareUpdateTest::imageIsTakenOnlyFromTheServerAndBounded()
{
    QFETCH(QString, served);
    QFETCH(QString, refusal);
    const QByteArray image = makeImage(1000);
    const QByteArray otherHost =
        QUrl(server->baseUrl()).adjusted(QUrl::RemovePath).toString().replace("127.0.0.1", "localhost").toUtf8();
    server->serve(kProFile, kProNews);
    server->serve("/moved.bin", image);
    if (served == "empty")
        server->serve(kProImage, QByteArray());
    else if (served.startsWith("huge"))
        server->serve(kProImage, TlsTestServer::Response{200, makeImage(int(FirmwareImageFile::kMaxImageBytes) + 1),
                                                         !served.endsWith("no length")});
    else if (served == "elsewhere")
        server->serve(kProImage, TlsTestServer::redirect(otherHost + "/moved.bin"));
    else if (served == "moved")
        server->serve(kProImage, TlsTestServer::redirect("/moved.bin"));
    if (served.startsWith("huge"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Download of .* stopped"));
    else if (!refusal.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Firmware image download"));

    Check c(FirmwareUpdatePrompts::Place::MainWindow);
    QVERIFY(c.run("TQR-30 Pro", "V1.0.2"));
    if (refusal.isEmpty()) {
        QCOMPARE(c.boxes.boxes.size(), 1);
        QCOMPARE(c.images.size(), 1);
        QCOMPARE(c.images.first().first().toByteArray(), image);
        return;
    }
    QCOMPARE(c.boxes.boxes.size(), 2);
    const MessageBoxRecorder::Box &box = c.boxes.boxes.at(1);
    QCOMPARE(box.title, QString("Download Failed"));
    QCOMPARE(box.parent.data(), &c.owner);
    QVERIFY2(box.text.contains(refusal), qPrintable(box.text));
    QVERIFY(box.text.contains("Nothing was written to the unit."));
    QCOMPARE(c.images.size(), 0);
    QCOMPARE(server->requests().contains("/moved.bin"), false);
}

// The desktop's own box, as the user sees it: markup from the unit and the
// server is text, and long notes are cut before they push the buttons away.
void FirmwareUpdateTest::offerShowsWhatItIsToldLiterally()
{
    QByteArray notes = "<b>bold</b> <a href=\"file:///etc/passwd\">link</a> <img src=\"/etc/hostname\">\n";
    for (int i = 0; i < 100; ++i)
        notes += "line " + QByteArray::number(i) + "\n";
    server->serve(kProFile, "TQR-30Pro_V1.0.3\nUpdate content:\n" + notes);
    QWidget owner;
    FirmwareUpdatePrompts prompts(FirmwareUpdatePrompts::Place::UpgradeDialog, &owner);
    FirmwareUpdateCheck &check = *prompts.check();
    QSignalSpy finished(&check, &FirmwareUpdateCheck::checkFinished);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    boxes.answerNext(QMessageBox::Cancel);
    QVERIFY(check.start("TQR-30 Pro", "V1.0<i>.2</i>"));
    QVERIFY(finished.wait(15000));
    QCOMPARE(boxes.boxes.size(), 1);
    const MessageBoxRecorder::Box &offer = boxes.boxes.first();
    QCOMPARE(offer.textFormat, Qt::PlainText);
    QVERIFY(offer.text.startsWith("The current version is TQR-30 Pro V1.0<i>.2</i>\n"));
    QVERIFY(offer.text.contains("Update Content:\n<b>bold</b> <a href=\"file:///etc/passwd\">link</a>"));
    QVERIFY(offer.text.contains("line 28\n"));
    QVERIFY(!offer.text.contains("line 29"));
    QVERIFY(offer.text.endsWith("\n[...]"));
}

void FirmwareUpdateTest::imageDownloadShowsProgressAndCancels_data()
{
    QTest::addColumn<bool>("withLength");
    QTest::newRow("size known: percent") << true;
    QTest::newRow("no size: busy bar") << false;
}

void FirmwareUpdateTest::imageDownloadShowsProgressAndCancels()
{
    QFETCH(bool, withLength);
    server->serve(kProFile, kProNews);
    server->serve(kProImage, TlsTestServer::Response{200, makeImage(1 << 20), withLength,
                                                     TlsTestServer::Response::Kind::Stall});
    Check c(FirmwareUpdatePrompts::Place::UpgradeDialog);
    QVERIFY(c.check.start("TQR-30 Pro", "V1.0.2"));
    QTRY_VERIFY_WITH_TIMEOUT(c.owner.findChild<DownloadProgressDialog *>(), 10000);
    QPointer<DownloadProgressDialog> progress = c.owner.findChild<DownloadProgressDialog *>();
    QVERIFY(progress->isVisible());
    if (withLength) {
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0 && progress->value() < 100, 10000);
        progress->grab().save(qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath())
                              + "/firmware_download_progress.png");
    } else
        QTRY_VERIFY_WITH_TIMEOUT(progress->maximum() == 0 && server->requests().contains(kProImage), 10000);

    auto *cancel = progress->findChild<QPushButton *>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QString("Cancel"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(c.finished.size(), 1, 10000);
    QTRY_VERIFY(progress.isNull());
    // Cancelled by the user: no image for the unit and no failure box.
    QCOMPARE(c.images.size(), 0);
    QCOMPARE(c.boxes.boxes.size(), 1); // the offer only
}

void FirmwareUpdateTest::unknownModelMakesNoRequest()
{
    Check c(FirmwareUpdatePrompts::Place::UpgradeDialog);
    QVERIFY(!c.check.start("tqr-30", "V1.0.0"));
    QVERIFY(!c.check.start("xx", "V1.0.0"));
    QTest::qWait(50);
    QVERIFY(server->requests().isEmpty());
    QVERIFY(c.boxes.boxes.isEmpty());
}

void FirmwareUpdateTest::windowChecksOncePerConnection()
{
    server->serve(kThirtyFile, "TQR-30_V1.0.3\nUpdate content:\nx\n");
    InMemoryMidiDriver midi;
    MessageBoxRecorder boxes;
    boxes.answerNext(QMessageBox::Cancel);
    Platform platform;
    platform.midi = &midi;
    platform.messageBoxes = &boxes;
    MainWindow window(platform);
    QSignalSpy versions(&window, &MainWindow::send_brio_version);
    QSignalSpy finished(window.firmwareUpdateCheck(), &FirmwareUpdateCheck::checkFinished);

    const auto fileRequests = [&] { return server->requests().count(kThirtyFile); };
    window.gatherUnitIdentity("\xAA\xCC\x06V1.0.2\r\n"); // version first: no model yet
    window.gatherUnitIdentity("\xAA\xCC\x01TQR-30\r\n");  // model now known, version too
    QVERIFY(finished.wait(15000));
    QCOMPARE(fileRequests(), 1);
    QCOMPARE(versions.size(), 1);
    QCOMPARE(versions.first().at(0).toString(), QString("TQR-30"));
    QCOMPARE(versions.first().at(1).toString(), QString("TQR-30_V1.0.3"));
    QCOMPARE(boxes.boxes.size(), 1);

    // Declined, the same connection does not ask again.
    window.gatherUnitIdentity("\xAA\xCC\x06V1.0.2\r\n");
    window.gatherUnitIdentity("\xAA\xCC\x01TQR-30\r\n");
    QTest::qWait(200);
    QCOMPARE(fileRequests(), 1);
    QCOMPARE(boxes.boxes.size(), 1);
}

void FirmwareUpdateTest::windowHandsTheImageToTheTransfer_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::newRow("image") << makeImage(1000);
    QTest::newRow("empty image") << QByteArray();
}

void FirmwareUpdateTest::windowHandsTheImageToTheTransfer()
{
    QFETCH(QByteArray, image);
    server->serve(kProFile, kProNews);
    server->serve(kProImage, image);
    InMemoryMidiDriver midi;
    MessageBoxRecorder boxes; // answers the offer with Ok
    Platform platform;
    platform.midi = &midi;
    platform.messageBoxes = &boxes;
    MainWindow window(platform);
    QSignalSpy finished(window.firmwareUpdateCheck(), &FirmwareUpdateCheck::checkFinished);
    if (image.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, "Firmware image download is empty");

    window.gatherUnitIdentity("\xAA\xCC\x01TQR-30 Pro\r\n");
    window.gatherUnitIdentity("\xAA\xCC\x06V1.0.2\r\n");
    QVERIFY(finished.wait(15000));
    QCOMPARE(server->requests().count(kProImage), 1);

    FirmwareTransfer *transfer = window.firmwareTransfer();
    if (image.isEmpty()) {
        // Refused before anything reaches the unit: no prepare, no erase.
        QCOMPARE(transfer->state(), FirmwareTransfer::State::Idle);
        QCOMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes.at(1).title, QString("Download Failed"));
    } else {
        QCOMPARE(transfer->state(), FirmwareTransfer::State::Preparing);
        QCOMPARE(boxes.boxes.size(), 1);
        transfer->abort();
    }
}

QTEST_MAIN(FirmwareUpdateTest)
#include "tst_firmwareupdate.moc"
