#include "update/FirmwareUpdateCheck.h"

#include "dialogs/MessageBoxes.h"
#include "serial/FirmwareImageFile.h"
#include "update/DownloadLimit.h"
#include "update/DownloadProgressDialog.h"
#include "update/FirmwareModel.h"
#include "update/UpdateFile.h"
#include "update/UpdateServer.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QWidget>

namespace {

// The reply's manager exists only for this request; both go once the reply is handled.
void release(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
}

} // namespace

FirmwareUpdateCheck::FirmwareUpdateCheck(Place place_, QWidget *owner_, MessageBoxes *boxes_)
    : QObject(owner_)
    , place(place_)
    , owner(owner_)
    , boxes(boxes_ ? boxes_ : MessageBoxes::desktop())
{
}

bool FirmwareUpdateCheck::start(const QString &modelText, const QString &unitVersion)
{
    const FirmwareModel model = firmwareModelFor(modelText);
    if (!model.isKnown()) {
        qDebug().noquote() << "No firmware updates are published for model" << modelText;
        return false;
    }
    auto *manager = new QNetworkAccessManager(owner);
    QNetworkReply *reply = UpdateServer::get(manager, firmwareUpdateFilePath(model), DownloadLimit::kUpdateFileBytes);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, modelText, unitVersion] { onUpdateFile(reply, modelText, unitVersion); });
    return true;
}

void FirmwareUpdateCheck::onUpdateFile(QNetworkReply *reply, const QString &modelText, const QString &unitVersion)
{
    release(reply);
    if (DownloadLimit::exceeded(reply)) {
        qWarning().noquote() << "Firmware update file dropped: it is"
                             << DownloadLimit::limitText(DownloadLimit::kUpdateFileBytes);
        emit checkFinished();
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning().noquote() << "Firmware update file download failed:" << reply->errorString();
        emit checkFinished();
        return;
    }

    const FirmwareModel model = firmwareModelFor(modelText);
    const UpdateAnnouncement news = readUpdateFile(reply->readAll(), model.versionPattern);
    emit versionAnnounced(modelText, news.newestVersion);

    if (!isNewerFirmware(unitVersion, news.newestVersion)) {
        if (place == Place::UpgradeDialog)
            boxes->show(owner, QMessageBox::Information, QStringLiteral("No Update"),
                        QStringLiteral("No new updates are available."));
        emit checkFinished();
        return;
    }

    emit updateOffered(model.number);
    // Concatenated rather than arg()-substituted: the notes come from the server and may
    // hold "%1" themselves. Both versions are named the same way, the model's name and the
    // version, although the file names the newest as "TQR-30Pro_V1.0.3".
    const int numberAt = news.newestVersion.lastIndexOf(QLatin1String("_V"));
    const QString newest = numberAt < 0 ? news.newestVersion : news.newestVersion.mid(numberAt + 1);
    const QString text = QStringLiteral("The current version is ") + model.displayName + QLatin1Char(' ')
                         + unitVersion + QLatin1Char('\n') + QStringLiteral("A new version is available: ")
                         + model.displayName + QLatin1Char(' ') + newest + QStringLiteral("\n\n")
                         + QStringLiteral("Update Content:\n") + notesForDisplay(news.notes);
    const QMessageBox::StandardButton answer =
        boxes->show(nullptr, QMessageBox::Information, QStringLiteral("Update Available"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok) {
        emit checkFinished();
        return;
    }
    emit offerAccepted();
    downloadImage(firmwareImagePath(model, news.newestVersion));
}

void FirmwareUpdateCheck::downloadImage(const QString &path)
{
    auto *manager = new QNetworkAccessManager(owner);
    QNetworkReply *reply = UpdateServer::get(manager, path, FirmwareImageFile::kMaxImageBytes);
    // Still there when the reply finishes: it deletes itself only later.
    QPointer<DownloadProgressDialog> progress =
        new DownloadProgressDialog(reply, QStringLiteral("Downloading the firmware image..."), owner);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, progress] { onImage(reply, progress && progress->wasCanceled()); });
}

void FirmwareUpdateCheck::onImage(QNetworkReply *reply, bool cancelledByUser)
{
    release(reply);
    if (DownloadLimit::exceeded(reply)) {
        boxes->show(owner, QMessageBox::Warning, QStringLiteral("Download Failed"),
                    QStringLiteral("The firmware image on the update server is %1, more than any "
                                   "firmware image can be. The download was stopped.\n\n"
                                   "Nothing was written to the unit.")
                        .arg(DownloadLimit::limitText(FirmwareImageFile::kMaxImageBytes)));
        emit checkFinished();
        return;
    }
    // A transfer timeout ends the reply with the same error code; only Cancel is quiet.
    if (cancelledByUser) {
        qDebug() << "Firmware image download cancelled by the user";
        emit checkFinished();
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning().noquote() << "Firmware image download failed:" << reply->errorString();
        boxes->show(owner, QMessageBox::Warning, QStringLiteral("Download Failed"),
                    QStringLiteral("The firmware image could not be downloaded:\n%1\n\n"
                                   "Nothing was written to the unit.")
                        .arg(reply->errorString()));
        emit checkFinished();
        return;
    }
    const QByteArray image = reply->readAll();
    if (image.isEmpty()) {
        // Erasing the unit without an image to write would leave it without firmware.
        qWarning() << "Firmware image download is empty";
        boxes->show(owner, QMessageBox::Warning, QStringLiteral("Download Failed"),
                    QStringLiteral("The firmware image on the update server is empty.\n\n"
                                   "Nothing was written to the unit."));
        emit checkFinished();
        return;
    }
    qDebug() << "Firmware image downloaded," << image.size() << "bytes";
    emit imageReady(image);
    emit checkFinished();
}
