// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/FirmwareUpdateCheck.h"

#include "serial/FirmwareImageFile.h"
#include "update/DownloadLimit.h"
#include "update/FirmwareModel.h"
#include "update/UpdateFile.h"
#include "update/UpdateServer.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

// The reply's manager exists only for this request; both go once the reply is handled.
void release(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
}

} // namespace

FirmwareUpdateCheck::FirmwareUpdateCheck(QObject *parent)
    : QObject(parent)
{
}

bool FirmwareUpdateCheck::start(const QString &modelText, const QString &unitVersion)
{
    const FirmwareModel model = firmwareModelFor(modelText);
    if (!model.isKnown()) {
        qDebug().noquote() << "No firmware updates are published for model" << modelText;
        return false;
    }
    auto *manager = new QNetworkAccessManager(this);
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
        emit noUpdate();
        emit checkFinished();
        return;
    }

    emit updateOffered(model.number);
    // Concatenated rather than arg()-substituted: the notes come from the server and may
    // hold "%1" themselves. Both versions are named the same way, the model's name and the
    // version, although the file names the newest as "TQR-30Pro_V1.0.3".
    const int numberAt = news.newestVersion.lastIndexOf(QLatin1String("_V"));
    const QString newest = numberAt < 0 ? news.newestVersion : news.newestVersion.mid(numberAt + 1);
    Offer offer;
    offer.text = QStringLiteral("The current version is ") + model.displayName + QLatin1Char(' ') + unitVersion
                 + QLatin1Char('\n') + QStringLiteral("A new version is available: ") + model.displayName
                 + QLatin1Char(' ') + newest + QStringLiteral("\n\n") + QStringLiteral("Update Content:\n")
                 + notesForDisplay(news.notes);
    offer.imagePath = firmwareImagePath(model, news.newestVersion);
    emit offerMade(offer);
}

void FirmwareUpdateCheck::decline()
{
    emit checkFinished();
}

void FirmwareUpdateCheck::take(const Offer &offer)
{
    emit offerAccepted();
    auto *manager = new QNetworkAccessManager(this);
    QNetworkReply *reply = UpdateServer::get(manager, offer.imagePath, FirmwareImageFile::kMaxImageBytes);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onImage(reply); });
    emit downloadStarted(reply);
}

void FirmwareUpdateCheck::cancelDownload(QNetworkReply *reply)
{
    if (!reply->isRunning())
        return;
    m_cancelled.insert(reply);
    reply->abort();
}

void FirmwareUpdateCheck::onImage(QNetworkReply *reply)
{
    release(reply);
    const bool cancelledByUser = m_cancelled.remove(reply);
    if (DownloadLimit::exceeded(reply)) {
        emit downloadFailed(QStringLiteral("The firmware image on the update server is %1, more than any "
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
        emit downloadFailed(QStringLiteral("The firmware image could not be downloaded:\n%1\n\n"
                                           "Nothing was written to the unit.")
                                .arg(reply->errorString()));
        emit checkFinished();
        return;
    }
    const QByteArray image = reply->readAll();
    if (image.isEmpty()) {
        // Erasing the unit without an image to write would leave it without firmware.
        qWarning() << "Firmware image download is empty";
        emit downloadFailed(QStringLiteral("The firmware image on the update server is empty.\n\n"
                                           "Nothing was written to the unit."));
        emit checkFinished();
        return;
    }
    qDebug() << "Firmware image downloaded," << image.size() << "bytes";
    emit imageReady(image);
    emit checkFinished();
}
