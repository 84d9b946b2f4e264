// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/AppUpdateDialog.h"

#include "dialogs/MessageBoxes.h"
#include "dialogs/UrlOpener.h"
#include "update/DownloadLimit.h"
#include "update/InstallerSignature.h"
#include "update/PanelRelease.h"
#include "update/UpdateFile.h"
#include "update/UpdateServer.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>

namespace {

void release(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
}

} // namespace

AppUpdateDialog::AppUpdateDialog(const QString &currentVersion, QWidget *parent, MessageBoxes *boxes_,
                                 UrlOpener *urls_, const SelfUpdatePolicy &policy_)
    : QDialog(parent)
    , boxes(boxes_ ? boxes_ : MessageBoxes::desktop())
    , urls(urls_ ? urls_ : UrlOpener::desktop())
    , policy(policy_)
{
    ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(400, 200);
    ui.progressBar->hide();
    // The release notes in it come from the server.
    ui.labelStatus->setTextFormat(Qt::PlainText);

    currentNumber = currentVersion;
    if (currentNumber.startsWith(QLatin1Char('V')))
        currentNumber.remove(0, 1);

    connect(ui.pushButtonCancel, &QPushButton::clicked, this, &AppUpdateDialog::reject);
    connect(this, &QDialog::finished, this, [this] {
        ended = true;
        deleteLater();
    });
}

AppUpdateDialog::~AppUpdateDialog()
{
    // Stop the transfer without running its handler on a half-destroyed dialog.
    if (QNetworkReply *reply = download.data()) {
        reply->disconnect(this);
        reply->abort();
        release(reply);
    }
}

void AppUpdateDialog::startCheck(Mode mode_)
{
    mode = mode_;
    auto *manager = new QNetworkAccessManager(parentWidget());
    QNetworkReply *reply = UpdateServer::get(manager, QString::fromLatin1(kPanelUpdateFilePath),
                                             DownloadLimit::kUpdateFileBytes);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onUpdateFile(reply); });
}

void AppUpdateDialog::onUpdateFile(QNetworkReply *reply)
{
    release(reply);
    if (DownloadLimit::exceeded(reply)) {
        ui.labelStatus->setText(QStringLiteral("Update file download failed: the file is ")
                                + DownloadLimit::limitText(DownloadLimit::kUpdateFileBytes));
        qWarning().noquote() << "Panel update file dropped:" << ui.labelStatus->text();
        failCheck(ui.labelStatus->text());
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        ui.labelStatus->setText(QStringLiteral("Update file download failed: ") + reply->errorString());
        qWarning().noquote() << "Panel update file download failed:" << reply->errorString();
        failCheck(QStringLiteral("The update server could not be reached:\n%1").arg(reply->errorString()));
        return;
    }

    const UpdateAnnouncement news = readUpdateFile(reply->readAll(), QString::fromLatin1(kPanelVersionPattern));
    if (!news.hasVersion()) {
        ui.labelStatus->setText(QStringLiteral("Update check finished, but no version info found."));
        qWarning() << "Panel update file names no version";
        failCheck(QStringLiteral("Update check finished, but no version info found."));
        return;
    }
    newestNumber = releaseNumberOf(news.newestVersion);

    const bool newer = mode == Mode::Automatic ? isNewerMajorMinor(currentNumber, newestNumber)
                                               : isNewerRelease(currentNumber, newestNumber);
    if (!newer) {
        QDialog::reject();
        if (mode == Mode::Manual)
            boxes->show(parentWidget(), QMessageBox::Information, QStringLiteral("Version Check"),
                        QStringLiteral("Your software is already up to date.\nCurrent version: V%1").arg(currentNumber));
        return;
    }

    setWindowTitle(QStringLiteral("Update Available"));
    ui.labelStatus->setText(QStringLiteral("The current version is: V") + currentNumber
                            + QStringLiteral("\nA new version is available: ") + news.newestVersion
                            + QStringLiteral("\n\nUpdate Content:\n") + notesForDisplay(news.notes));
    ui.pushButtonDownload->setEnabled(true);
    connect(ui.pushButtonDownload, &QPushButton::clicked, this, &AppUpdateDialog::startDownload,
            Qt::UniqueConnection);
    show();
}

void AppUpdateDialog::failCheck(const QString &reason)
{
    QDialog::reject();
    // The check at start stays quiet; one the user asked for says why it found nothing.
    if (mode == Mode::Manual)
        boxes->show(parentWidget(), QMessageBox::Warning, QStringLiteral("Update Check Failed"), reason);
}

void AppUpdateDialog::startDownload()
{
    if (!policy.enabled()) {
        // Updates of this build come from the package manager or by hand.
        qDebug() << "Self-update is off in this build: opening the release page";
        openReleasePage();
        accept();
        return;
    }
    ui.labelStatus->setText(QStringLiteral("Downloading update, please wait..."));
    ui.progressBar->setValue(0);
    ui.progressBar->show();
    ui.pushButtonDownload->setEnabled(false);

    auto *manager = new QNetworkAccessManager(parentWidget());
    QNetworkReply *reply = UpdateServer::get(manager, panelInstallerPath(newestNumber), DownloadLimit::kInstallerBytes);
    download = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, &AppUpdateDialog::onDownloadProgress);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onInstaller(reply); });
}

void AppUpdateDialog::onDownloadProgress(qint64 received, qint64 total)
{
    if (total <= 0) {
        // No size to measure against: a busy bar shows the download is alive.
        ui.progressBar->setRange(0, 0);
        return;
    }
    ui.progressBar->setRange(0, 100);
    const int percent = static_cast<int>(received * 100 / total);
    ui.progressBar->setValue(percent);
    qDebug().noquote() << "Download Progress:" << percent << "%";
}

bool AppUpdateDialog::finishDownload(QNetworkReply *reply)
{
    release(reply);
    download.clear();
    // A download stopped at its size limit ends as cancelled too.
    if (reply->error() != QNetworkReply::OperationCanceledError || DownloadLimit::exceeded(reply))
        return false;
    qDebug() << "Download canceled by user.";
    QDialog::reject();
    return true;
}

void AppUpdateDialog::onInstaller(QNetworkReply *reply)
{
    if (finishDownload(reply))
        return;
    if (DownloadLimit::exceeded(reply)) {
        boxes->show(this, QMessageBox::Warning, QStringLiteral("Download Failed"),
                    QStringLiteral("The update on the server is %1, more than any installer of the panel. "
                                   "The download was stopped and nothing was installed.")
                        .arg(DownloadLimit::limitText(DownloadLimit::kInstallerBytes)));
        QDialog::reject();
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning().noquote() << "EXE download failed:" << reply->errorString();
        boxes->show(this, QMessageBox::Warning, QStringLiteral("Download Failed"),
                    QStringLiteral("The update could not be downloaded:\n%1").arg(reply->errorString()));
        QDialog::reject();
        return;
    }

    const QByteArray body = reply->readAll();
    if (body.isEmpty()) {
        qWarning() << "Downloaded EXE is empty!";
        downloadFailedState(QStringLiteral("The downloaded installer is empty. Nothing was installed.\n"
                                           "Please try again later."));
        return;
    }
    ui.labelStatus->setText(QStringLiteral("Checking the installer's signature..."));
    ui.progressBar->setRange(0, 0);
    auto *manager = new QNetworkAccessManager(parentWidget());
    QNetworkReply *signatureReply = UpdateServer::get(manager, panelSignaturePath(newestNumber), DownloadLimit::kSignatureBytes);
    download = signatureReply;
    connect(signatureReply, &QNetworkReply::finished, this,
            [this, signatureReply, body] { onSignature(signatureReply, body); });
}

void AppUpdateDialog::onSignature(QNetworkReply *reply, const QByteArray &installer)
{
    if (finishDownload(reply))
        return;
    if (DownloadLimit::exceeded(reply)) {
        refuseUnverified(QStringLiteral("The update's signature on the server is %1, so it is no signature.")
                             .arg(DownloadLimit::limitText(DownloadLimit::kSignatureBytes)));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning().noquote() << "Installer signature download failed:" << reply->errorString();
        refuseUnverified(QStringLiteral("The update has no signature, so it cannot be checked."));
        return;
    }
    const InstallerSignature::Verdict verdict =
        InstallerSignature::verify(panelInstallerServerName(newestNumber), installer, reply->readAll(),
                                   policy.signingKeyPem);
    if (verdict != InstallerSignature::Verdict::Good) {
        qWarning() << "Installer signature does not verify";
        refuseUnverified(QStringLiteral("The update's signature does not match: the file is damaged "
                                        "or does not come from the Quill Tool developers."));
        return;
    }
    if (saveAndStart(installer))
        accept();
}

void AppUpdateDialog::refuseUnverified(const QString &reason)
{
    // Nothing unverified was written: the installer only ever lived in memory.
    const QMessageBox::StandardButton answer =
        boxes->show(this, QMessageBox::Warning, QStringLiteral("Update Not Installed"),
                    reason + QStringLiteral("\nThe download was discarded and nothing was installed.\n\n"
                                            "Open the release page to get the update there?"),
                    QMessageBox::Open | QMessageBox::Close, QMessageBox::Open);
    if (answer == QMessageBox::Open)
        openReleasePage();
    QDialog::reject();
}

void AppUpdateDialog::openReleasePage()
{
    const QUrl page = UpdateServer::urlFor(QString::fromLatin1(kPanelReleasePagePath));
    if (!urls->open(page))
        boxes->show(this, QMessageBox::Warning, QStringLiteral("Update Available"),
                    QStringLiteral("No web browser could be started. The new release is at:\n") + page.toString());
}

bool AppUpdateDialog::saveAndStart(const QByteArray &body)
{
    // A directory of our own (mode 0700, unpredictable name): nobody else can plant a
    // file or a link where the installer is about to be written and run.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quill-tool-update-XXXXXX"));
    if (!dir.isValid()) {
        qWarning().noquote() << "Failed to open file for writing." << dir.errorString();
        downloadFailedState(QStringLiteral("The installer could not be saved:\n") + dir.errorString());
        return false;
    }

    const QString path = dir.filePath(installerFileName(newestNumber));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qWarning().noquote() << "Failed to open file for writing." << file.errorString();
        downloadFailedState(QStringLiteral("The installer could not be saved:\n") + file.errorString());
        return false;
    }
    const bool written = file.write(body) == body.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        qWarning().noquote() << "Failed to write the installer:" << file.errorString();
        downloadFailedState(QStringLiteral("The installer could not be saved:\n") + file.errorString());
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Started as a program of its own, without a shell, and detached: the installer may
    // want the panel to quit, and must not die with it.
    qint64 pid = 0;
    if (!QProcess::startDetached(path, {}, dir.path(), &pid)) {
        qWarning() << "Failed to start EXE file!";
        downloadFailedState(QStringLiteral("The installer could not be started."));
        return false;
    }
    dir.setAutoRemove(false);
    qDebug().noquote() << "Started downloaded EXE." << path << "pid" << pid;
    emit installerStarted(path);
    return true;
}

void AppUpdateDialog::downloadFailedState(const QString &status)
{
    ui.labelStatus->setText(status);
    ui.progressBar->setRange(0, 100);
    ui.progressBar->hide();
    ui.pushButtonDownload->setEnabled(true);
}

void AppUpdateDialog::reject()
{
    if (download) {
        qDebug() << "User requested cancel: aborting download.";
        // Ends the download as cancelled, whose handler closes the dialog.
        download->abort();
    }
    if (!ended)
        QDialog::reject();
}
