// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

class QNetworkReply;

// Asks the update server whether a unit's firmware is current and, once told to,
// downloads the newer image. It shows nothing: what to ask or tell the user goes out as
// signals (FirmwareUpdatePrompts shows them), and the image goes out through
// imageReady(); whoever owns the serial link writes it to the unit.
//
// Each request has its own network manager, released with its reply. Several checks may
// run at once; each carries its own model and version, and each offer its own image.
class FirmwareUpdateCheck : public QObject
{
    Q_OBJECT
public:
    // A newer image the user may take: text is what to ask them (it holds the server's
    // notes as they came, so it is plain text), imagePath where the image lies.
    struct Offer
    {
        QString text;
        QString imagePath;
    };

    explicit FirmwareUpdateCheck(QObject *parent = nullptr);

    // Starts a check for the unit's model text (e.g. "TQR-30 Pro") and firmware version text
    // (e.g. "V1.0.2"). Returns false, without any request, for a model not in the table.
    bool start(const QString &modelText, const QString &unitVersion);

    // The answer to offerMade(): take downloads the image, decline ends the check.
    void take(const Offer &offer);
    void decline();
    // The user stopped this download: it ends quietly, unlike one that timed out.
    void cancelDownload(QNetworkReply *reply);

signals:
    // The update file arrived and named this newest version (empty when it names none).
    void versionAnnounced(const QString &modelText, const QString &newestVersion);
    // The unit's firmware is the newest there is.
    void noUpdate();
    // A newer version is about to be offered; modelNumber is the table number.
    void updateOffered(int modelNumber);
    // Answer with take() or decline().
    void offerMade(const FirmwareUpdateCheck::Offer &offer);
    // The offer was taken; the image download starts next.
    void offerAccepted();
    // The image download is under way; reply reports its progress.
    void downloadStarted(QNetworkReply *reply);
    // The image could not be had; text says why, for the user.
    void downloadFailed(const QString &text);
    // A non-empty image was downloaded and is ready to be written.
    void imageReady(const QByteArray &image);
    // The check is over, whatever its outcome (for callers that track running checks).
    void checkFinished();

private:
    void onUpdateFile(QNetworkReply *reply, const QString &modelText, const QString &unitVersion);
    void onImage(QNetworkReply *reply);

    QSet<QNetworkReply *> m_cancelled;
};
