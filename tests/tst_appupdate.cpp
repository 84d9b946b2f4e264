// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's own update against a real HTTPS server on loopback: the check in both
// modes, the installer download with and without a size, its signature, Cancel, failures,
// the build without self-update and the start-up check setting.
#include "shell/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingUrlOpener.h"
#include "support/TestCertificates.h"
#include "support/TestSigningKey.h"
#include "support/TlsTestServer.h"
#include "ui_MainWindow.h"
#include "update/AppUpdateDialog.h"
#include "update/PanelRelease.h"
#include "update/StartupCheckSetting.h"

#include <QtTest>

namespace {

const QString kNewsPath = QString::fromLatin1(kPanelUpdateFilePath);
// The 2.2.0 every test offers, as its signature names it.
const QString kInstallerName = panelInstallerServerName("2.2.0");

// Counts how often a widget was shown, so "never shown" can be told from "shown, then closed".
class ShowCounter : public QObject
{
public:
    explicit ShowCounter(QWidget *widget) { widget->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

QFileDevice::Permissions foreignAccess()
{
    return QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
           | QFileDevice::WriteOther | QFileDevice::ExeOther;
}

} // namespace

class AppUpdateTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void automaticCheckLooksAtMajorAndMinorOnly();
    void manualCheckComparesEveryPieceAndSaysUpToDate();
    void offerWithoutNotesEndsAfterTheHeading();
    void updateFileFailuresAreToldOnlyWhenAsked_data();
    void updateFileFailuresAreToldOnlyWhenAsked();
    void untrustedServerIsRefused_data();
    void untrustedServerIsRefused();
    void downloadsSavesPrivatelyAndStartsTheInstaller_data();
    void downloadsSavesPrivatelyAndStartsTheInstaller();
    void cancelDuringDownloadWritesAndStartsNothing_data();
    void cancelDuringDownloadWritesAndStartsNothing();
    void emptyInstallerIsNotStarted();
    void failedInstallerDownloadIsToldAndCloses_data();
    void failedInstallerDownloadIsToldAndCloses();
    void onlyAnInstallerSignedByTheCompiledInKeyStarts_data();
    void onlyAnInstallerSignedByTheCompiledInKeyStarts();
    void withoutSelfUpdateDownloadOpensTheReleasePage_data();
    void withoutSelfUpdateDownloadOpensTheReleasePage();
    void windowChecksAfterStartAndFromTheHelpMenu();
    void startUpCheckCanBeTurnedOff();

private:
    // Runs a check on a fresh dialog and waits until it is either shown or gone.
    QPointer<AppUpdateDialog> check(AppUpdateDialog::Mode mode, ShowCounter **counter = nullptr);
    QString installerScript() const;
    // Serves an installer for 2.2.0 with its signature (none when signature is null).
    void serveInstaller(const QByteArray &installer, const QByteArray &signature, bool withLength = true);
    QUrl releasePage() const { return QUrl(server->baseUrl() + QString::fromLatin1(kPanelReleasePagePath)); }

    TestCertificates certificates;
    TestSigningKey releaseKey;
    TestSigningKey otherKey;
    QTemporaryDir configHome;
    SelfUpdatePolicy policy;
    RecordingUrlOpener urls;
    QScopedPointer<TlsTestServer> server;
    QScopedPointer<QTemporaryDir> tmp; // stands in for the shared temporary folder
    QScopedPointer<QWidget> window;
    QScopedPointer<ShowCounter> counter;
    MessageBoxRecorder boxes;
    QString marker;
};

void AppUpdateTest::initTestCase()
{
    QString error;
    QVERIFY2(certificates.generate(&error), qPrintable(error));
    QVERIFY2(releaseKey.generate(&error), qPrintable(error));
    QVERIFY2(otherKey.generate(&error), qPrintable(error));
    qputenv("QUILL_UPDATE_CA_FILE", certificates.caFile().toUtf8());
    // The start-up check setting is written here, never into the real home.
    QVERIFY(configHome.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome.path());
}

void AppUpdateTest::init()
{
    server.reset(new TlsTestServer(certificates.serverCertFile(), certificates.serverKeyFile()));
    QVERIFY(server->start());
    qputenv("QUILL_UPDATE_URL", server->baseUrl().toUtf8());
    tmp.reset(new QTemporaryDir);
    QVERIFY(tmp->isValid());
    marker = tmp->filePath("installer-ran");
    qputenv("TMPDIR", QFile::encodeName(tmp->path() + "/shared"));
    QVERIFY(QDir().mkpath(tmp->path() + "/shared"));
    window.reset(new QWidget);
    boxes.reset();
    urls = RecordingUrlOpener();
    policy = SelfUpdatePolicy{true, releaseKey.publicKeyPem()};
    QVERIFY(policy.enabled());
}

void AppUpdateTest::cleanup()
{
    counter.reset();
    window.reset();
    qunsetenv("TMPDIR");
}

QPointer<AppUpdateDialog> AppUpdateTest::check(AppUpdateDialog::Mode mode, ShowCounter **shown)
{
    QPointer<AppUpdateDialog> dialog = new AppUpdateDialog("V2.1.0", window.data(), &boxes, &urls, policy);
    counter.reset(new ShowCounter(dialog));
    if (shown)
        *shown = counter.data();
    dialog->startCheck(mode);
    if (!QTest::qWaitFor([&] { return dialog.isNull() || dialog->isVisible(); }, 15000))
        qWarning("check did not end");
    return dialog;
}

QString AppUpdateTest::installerScript() const
{
    return QStringLiteral("#!/bin/sh\necho started \"$0\" > '%1'\n").arg(marker);
}

void AppUpdateTest::serveInstaller(const QByteArray &installer, const QByteArray &signature, bool withLength)
{
    server->serve(panelInstallerPath("2.2.0"), TlsTestServer::Response{200, installer, withLength});
    if (!signature.isNull())
        server->serve(panelSignaturePath("2.2.0"), signature);
}

void AppUpdateTest::automaticCheckLooksAtMajorAndMinorOnly()
{
    server->serve(kNewsPath, "Quill_Tool_V2.1.5\nUpdate content:\nsmall fixes\n");
    ShowCounter *shown = nullptr;
    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Automatic, &shown);
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(boxes.boxes.size(), 0);

    server->serve(kNewsPath, "Quill_Tool_V2.2\r\nUpdate content:\r\n1. New readout\r\n2. 50% less CPU\r\n");
    dialog = check(AppUpdateDialog::Mode::Automatic);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Update Available"));
    QCOMPARE(dialog->statusText(), QString("The current version is: V2.1.0\n"
                                           "A new version is available: Quill_Tool_V2.2\n\n"
                                           "Update Content:\n1. New readout\r\n2. 50% less CPU\r\n"));
    QVERIFY(dialog->findChild<QPushButton *>("pushButtonDownload")->isEnabled());
    QVERIFY(dialog->findChild<QProgressBar *>("progressBar")->isHidden());
    QCOMPARE(boxes.boxes.size(), 0);
}

void AppUpdateTest::manualCheckComparesEveryPieceAndSaysUpToDate()
{
    server->serve(kNewsPath, "Quill_Tool_V2.1.5\nUpdate content:\nsmall fixes\n");
    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(dialog->statusText().contains("A new version is available: Quill_Tool_V2.1.5\n"));
    delete dialog;

    server->serve(kNewsPath, "Quill_Tool_V2.1.0\nUpdate content:\nsame\n");
    ShowCounter *shown = nullptr;
    dialog = check(AppUpdateDialog::Mode::Manual, &shown);
    QVERIFY(dialog.isNull());
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().title, QString("Version Check"));
    QCOMPARE(boxes.boxes.first().text, QString("Your software is already up to date.\nCurrent version: V2.1.0"));
    QCOMPARE(boxes.boxes.first().parent.data(), window.data());
}

void AppUpdateTest::offerWithoutNotesEndsAfterTheHeading()
{
    server->serve(kNewsPath, "Quill_Tool_V3.0.0\n");
    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Automatic);
    QVERIFY(dialog);
    QVERIFY(dialog->statusText().endsWith("Quill_Tool_V3.0.0\n\nUpdate Content:\n"));
}

void AppUpdateTest::updateFileFailuresAreToldOnlyWhenAsked_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("told");
    const QString unreachable = "The update server could not be reached:\n";
    QTest::newRow("404") << "404" << unreachable;
    QTest::newRow("connection reset") << "reset" << unreachable;
    QTest::newRow("no version line") << "noversion" << "Update check finished, but no version info found.";
    QTest::newRow("server down") << "down" << unreachable + "Connection refused";
    const QString tooLarge = "Update file download failed: the file is larger than 64 KiB";
    QTest::newRow("larger than 64 KiB") << "huge" << tooLarge;
    QTest::newRow("larger than 64 KiB, no length") << "huge, no length" << tooLarge;
}

// The check at start stays quiet; the one from the Help menu says why it found nothing.
void AppUpdateTest::updateFileFailuresAreToldOnlyWhenAsked()
{
    QFETCH(QString, failure);
    QFETCH(QString, told);
    if (failure == "reset")
        server->serve(kNewsPath, TlsTestServer::Response{200, {}, true, TlsTestServer::Response::Kind::Reset});
    else if (failure == "noversion")
        server->serve(kNewsPath, "Version: Quill_Tool_V9.0\n");
    else if (failure == "down") // the address stays, nothing listens there any more
        server.reset();
    else if (failure.startsWith("huge"))
        server->serve(kNewsPath, TlsTestServer::Response{200, "Quill_Tool_V9.0.0\n" + QByteArray(64 * 1024, 'x'),
                                                         !failure.endsWith("no length")});

    for (const auto mode : {AppUpdateDialog::Mode::Automatic, AppUpdateDialog::Mode::Manual}) {
        if (failure.startsWith("huge")) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Download of .* stopped"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Panel update file dropped: .*larger than 64 KiB"));
        } else {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(failure == "noversion"
                                                                      ? "^Panel update file names no version"
                                                                      : "^Panel update file download failed: "));
        }
        ShowCounter *shown = nullptr;
        QPointer<AppUpdateDialog> dialog = check(mode, &shown);
        QVERIFY(dialog.isNull());
        QCOMPARE(shown->shows, 0);
        const bool asked = mode == AppUpdateDialog::Mode::Manual;
        QCOMPARE(boxes.boxes.size(), asked ? 1 : 0);
    }
    QCOMPARE(boxes.boxes.first().title, QString("Update Check Failed"));
    QCOMPARE(boxes.boxes.first().icon, QMessageBox::Warning);
    QVERIFY2(boxes.boxes.first().text.startsWith(told), qPrintable(boxes.boxes.first().text));
    QCOMPARE(boxes.boxes.first().parent.data(), window.data());
    if (server)
        QVERIFY(!server->requests().isEmpty());
}

void AppUpdateTest::untrustedServerIsRefused_data()
{
    TestCertificates::addRefusedRows();
}

void AppUpdateTest::untrustedServerIsRefused()
{
    QFETCH(TestCertificates::Refused, kind);
    TlsTestServer impostor(certificates.refusedCertFile(kind), certificates.refusedKeyFile(kind));
    QVERIFY(impostor.start());
    impostor.serve(kNewsPath, "Quill_Tool_V9.0.0\n");
    qputenv("QUILL_UPDATE_URL", impostor.baseUrl().toUtf8());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Panel update file download failed: .*SSL"));
    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog.isNull());
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(boxes.boxes.first().text.contains("SSL"));
    QVERIFY(impostor.requests().isEmpty());
}

void AppUpdateTest::downloadsSavesPrivatelyAndStartsTheInstaller_data()
{
    QTest::addColumn<bool>("withLength");
    QTest::newRow("with total size") << true;
    QTest::newRow("without total size") << false;
}

void AppUpdateTest::downloadsSavesPrivatelyAndStartsTheInstaller()
{
    QFETCH(bool, withLength);
    // Padding makes the body big enough for several progress reports.
    const QByteArray installer = installerScript().toUtf8() + "exit 0\n" + QByteArray(400000, '#');
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\nUpdate content:\nx\n");
    serveInstaller(installer, releaseKey.signInstaller(kInstallerName, installer), withLength);

    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Automatic);
    QVERIFY(dialog);
    auto *bar = dialog->findChild<QProgressBar *>("progressBar");
    QList<int> progress;
    connect(bar, &QProgressBar::valueChanged, this, [&](int value) { progress.append(value); });
    bool busy = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] { busy = busy || (bar->isVisible() && bar->maximum() == 0); });
    watch.start(2);
    QSignalSpy started(dialog.data(), &AppUpdateDialog::installerStarted);
    QSignalSpy finished(dialog.data(), &QDialog::finished);

    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QVERIFY(!dialog->findChild<QPushButton *>("pushButtonDownload")->isEnabled());
    QVERIFY(bar->isVisible());
    QCOMPARE(dialog->statusText(), QString("Downloading update, please wait..."));

    QVERIFY(finished.wait(15000));
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(started.size(), 1);
    if (withLength) {
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last(), 100);
    } else {
        // Nothing to measure against until the body is complete: a busy bar, no made-up percent.
        QVERIFY(busy);
        if (!progress.isEmpty() && progress.last() == 100)
            progress.removeLast();
        QVERIFY(std::all_of(progress.begin(), progress.end(), [](int v) { return v == 0; }));
    }

    const QString path = started.first().first().toString();
    const QFileInfo saved(path);
    QCOMPARE(saved.fileName(), installerFileName("2.2.0"));
    QCOMPARE(saved.size(), qint64(installer.size()));
    // In a directory of its own inside the temporary folder, and only the owner may touch either.
    QCOMPARE(saved.dir().absolutePath().section('/', 0, -2), QDir(tmp->path() + "/shared").absolutePath());
    QVERIFY(saved.permissions() & QFileDevice::ExeOwner);
    QCOMPARE(saved.permissions() & foreignAccess(), QFileDevice::Permissions());
    QCOMPARE(QFileInfo(saved.dir().absolutePath()).permissions() & foreignAccess(), QFileDevice::Permissions());

    // Started directly as a program: $0 is the saved file itself, no shell command line around it.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 10000);
    QFile ran(marker);
    QVERIFY(ran.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(ran.readAll()).trimmed(), "started " + path);
}

void AppUpdateTest::cancelDuringDownloadWritesAndStartsNothing_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Cancel button") << true;
    QTest::newRow("window closed") << false;
}

void AppUpdateTest::cancelDuringDownloadWritesAndStartsNothing()
{
    QFETCH(bool, byButton);
    const QByteArray installer = installerScript().toUtf8() + QByteArray(1 << 20, '#');
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\n");
    server->serve(panelInstallerPath("2.2.0"),
                  TlsTestServer::Response{200, installer, true, TlsTestServer::Response::Kind::Stall});

    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog);
    auto *bar = dialog->findChild<QProgressBar *>("progressBar");
    QSignalSpy started(dialog.data(), &AppUpdateDialog::installerStarted);
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 10000);
    QVERIFY(dialog->isDownloading());

    if (byButton)
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonCancel"), Qt::LeftButton);
    else
        dialog->close();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    QTRY_VERIFY(dialog.isNull());
    QTest::qWait(200);
    QCOMPARE(started.size(), 0);
    QVERIFY(QDir(tmp->path() + "/shared").isEmpty());
    QVERIFY(!QFile::exists(marker));
    QVERIFY(boxes.boxes.isEmpty());
}

void AppUpdateTest::emptyInstallerIsNotStarted()
{
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\n");
    server->serve(panelInstallerPath("2.2.0"), QByteArray());

    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog);
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    QTest::ignoreMessage(QtWarningMsg, "Downloaded EXE is empty!");
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QTRY_VERIFY(dialog->statusText().contains("empty"));

    // Left open with the reason, Download offered again, nothing saved or run.
    QVERIFY(dialog->isVisible());
    QCOMPARE(finished.size(), 0);
    QVERIFY(dialog->findChild<QPushButton *>("pushButtonDownload")->isEnabled());
    QVERIFY(QDir(tmp->path() + "/shared").isEmpty());
    QTest::qWait(100);
    QVERIFY(!QFile::exists(marker));
}

void AppUpdateTest::failedInstallerDownloadIsToldAndCloses_data()
{
    QTest::addColumn<bool>("oversized");
    QTest::newRow("404") << false;
    QTest::newRow("announced larger than any installer") << true;
}

void AppUpdateTest::failedInstallerDownloadIsToldAndCloses()
{
    QFETCH(bool, oversized);
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\n");
    if (oversized) {
        TlsTestServer::Response huge{200, installerScript().toUtf8()};
        huge.announcedLength = 300LL * 1024 * 1024;
        server->serve(panelInstallerPath("2.2.0"), huge);
    }
    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog);
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(oversized ? "^Download of .* stopped" : "^EXE download failed: "));
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QVERIFY(finished.wait(15000));
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().title, QString("Download Failed"));
    if (oversized)
        QVERIFY(boxes.boxes.first().text.contains("larger than 256 MiB"));
    QVERIFY(QDir(tmp->path() + "/shared").isEmpty());
    QVERIFY(!server->requests().contains(panelSignaturePath("2.2.0")));
}

void AppUpdateTest::onlyAnInstallerSignedByTheCompiledInKeyStarts_data()
{
    QTest::addColumn<QString>("signing");
    QTest::addColumn<QString>("refusal");
    const QString mismatch = "signature does not match";
    QTest::newRow("signed") << "release key" << "";
    QTest::newRow("unsigned") << "none" << "no signature";
    QTest::newRow("bad signature") << "bad" << mismatch;
    QTest::newRow("signed by another key") << "other key" << mismatch;
    // An older release, signed in its day, offered as the new one.
    QTest::newRow("signed for another version") << "older name" << mismatch;
    QTest::newRow("bytes signed without the name") << "bytes only" << mismatch;
    QTest::newRow("signature above 1 KiB") << "oversized" << "larger than 1 KiB";
}

void AppUpdateTest::onlyAnInstallerSignedByTheCompiledInKeyStarts()
{
    QFETCH(QString, signing);
    QFETCH(QString, refusal);
    const QByteArray installer = installerScript().toUtf8() + "exit 0\n";
    QByteArray signature;
    if (signing == "release key")
        signature = releaseKey.signInstaller(kInstallerName, installer);
    else if (signing == "other key")
        signature = otherKey.signInstaller(kInstallerName, installer);
    else if (signing == "bad") // the release key's signature of a different file
        signature = releaseKey.signInstaller(kInstallerName, installer + "tampered");
    else if (signing == "older name")
        signature = releaseKey.signInstaller(panelInstallerServerName("2.0.0"), installer);
    else if (signing == "bytes only")
        signature = releaseKey.sign(installer);
    if (signing != "none" && signing != "oversized")
        QCOMPARE(signature.size(), 64);
    if (signing == "oversized")
        signature = releaseKey.signInstaller(kInstallerName, installer).repeated(17);
    serveInstaller(installer, signature);
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\n");

    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog);
    QSignalSpy started(dialog.data(), &AppUpdateDialog::installerStarted);
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    boxes.answerNext(QMessageBox::Open);
    if (signing == "oversized")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Download of .* stopped"));
    else if (signing != "release key")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Installer signature "));
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QVERIFY(finished.wait(15000));
    QVERIFY(server->requests().contains(panelSignaturePath("2.2.0")));

    if (signing == "release key") {
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
        QCOMPARE(started.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 10000);
        QVERIFY(boxes.boxes.isEmpty());
        return;
    }
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    QCOMPARE(started.size(), 0);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().title, QString("Update Not Installed"));
    QVERIFY2(boxes.boxes.first().text.contains(refusal), qPrintable(boxes.boxes.first().text));
    QVERIFY(boxes.boxes.first().buttons & QMessageBox::Open);
    QCOMPARE(urls.opened, QList<QUrl>{releasePage()});
    QVERIFY(QDir(tmp->path() + "/shared").isEmpty());
    QTest::qWait(100);
    QVERIFY(!QFile::exists(marker));
}

void AppUpdateTest::withoutSelfUpdateDownloadOpensTheReleasePage_data()
{
    QTest::addColumn<bool>("optionOn");
    QTest::addColumn<QString>("key");
    QTest::newRow("option off") << false << "release";
    QTest::newRow("no signing key") << true << "none";
    QTest::newRow("not an Ed25519 public key") << true << "certificate";
}

void AppUpdateTest::withoutSelfUpdateDownloadOpensTheReleasePage()
{
    QFETCH(bool, optionOn);
    QFETCH(QString, key);
    QByteArray pem;
    if (key == "release") {
        pem = releaseKey.publicKeyPem();
    } else if (key == "certificate") {
        QFile ca(certificates.caFile());
        QVERIFY(ca.open(QIODevice::ReadOnly));
        pem = ca.readAll();
    }
    policy = SelfUpdatePolicy{optionOn, pem};
    QVERIFY(!policy.enabled());
    const QByteArray installer = installerScript().toUtf8();
    serveInstaller(installer, releaseKey.signInstaller(kInstallerName, installer));
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\n");

    QPointer<AppUpdateDialog> dialog = check(AppUpdateDialog::Mode::Manual);
    QVERIFY(dialog && dialog->isVisible());
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonDownload"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(urls.opened, QList<QUrl>{releasePage()});
    QTest::qWait(200);
    QCOMPARE(server->requests(), QStringList{kNewsPath});
    QVERIFY(QDir(tmp->path() + "/shared").isEmpty());
    QVERIFY(!QFile::exists(marker));
}

void AppUpdateTest::windowChecksAfterStartAndFromTheHelpMenu()
{
    StartupCheckSetting::setEnabled(true);
    server->serve(kNewsPath, "Quill_Tool_V2.2.0\nUpdate content:\nx\n");
    InMemoryMidiDriver midi;
    Platform platform;
    platform.midi = &midi;
    platform.messageBoxes = &boxes;
    MainWindow main(platform);

    // Nobody asks; about half a second after start the offer is there.
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(main.findChild<AppUpdateDialog *>() && main.findChild<AppUpdateDialog *>()->isVisible(),
                             10000);
    QVERIFY(clock.elapsed() >= 450);
    delete main.findChild<AppUpdateDialog *>();

    server->serve(kNewsPath, "Quill_Tool_V2.1.0\n");
    QVERIFY(main.form()->menuHelp->actions().contains(main.form()->actionCheck_for_Update));
    main.form()->actionCheck_for_Update->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, 10000);
    QCOMPARE(boxes.boxes.first().title, QString("Version Check"));
    QCOMPARE(boxes.boxes.first().parent.data(), &main);
    QVERIFY(boxes.boxes.first().text.endsWith("V2.1.0"));
}

void AppUpdateTest::startUpCheckCanBeTurnedOff()
{
    StartupCheckSetting::setEnabled(true);
    server->serve(kNewsPath, "Quill_Tool_V2.1.0\n");
    InMemoryMidiDriver midi;
    Platform platform;
    platform.midi = &midi;
    platform.messageBoxes = &boxes;
    {
        MainWindow main(platform);
        QAction *atStart = main.form()->actionCheck_for_Updates_at_Start;
        QVERIFY(main.form()->menuHelp->actions().contains(atStart));
        QCOMPARE(atStart->text(), QString("Check for Updates at &Start"));
        QVERIFY(atStart->isCheckable());
        QVERIFY(atStart->isChecked());
        atStart->trigger();
        QVERIFY(!atStart->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(server->requests().size(), 1, 10000); // this window's own start-up check
    }
    // Kept where the desktop's settings live, under the panel's own folder.
    const QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "quill-tool", "quill-tool");
    QCOMPARE(stored.fileName(), configHome.filePath("quill-tool/quill-tool.conf"));
    QVERIFY(QFile::exists(stored.fileName()));
    QCOMPARE(stored.value("updates/checkAtStart").toBool(), false);

    MainWindow main(platform);
    QVERIFY(!main.form()->actionCheck_for_Updates_at_Start->isChecked());
    QTest::qWait(1500);
    QCOMPARE(server->requests().size(), 1);
    main.form()->actionCheck_for_Update->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, 10000);
    QCOMPARE(boxes.boxes.first().title, QString("Version Check"));
    QCOMPARE(server->requests().size(), 2);

    main.form()->actionCheck_for_Updates_at_Start->trigger();
    QVERIFY(StartupCheckSetting::enabled());
}

QTEST_MAIN(AppUpdateTest)
#include "tst_appupdate.moc"
