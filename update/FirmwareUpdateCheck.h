#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MessageBoxes;
class QNetworkReply;
class QWidget;

// Asks the update server whether a unit's firmware is current, offers a newer image and
// downloads it, with a progress bar and Cancel, once the user agrees. The image itself goes out through imageReady();
// whoever owns the serial link writes it to the unit.
//
// Each request has its own network manager, parented to the owner widget and released
// with its reply. Several checks may run at once; each carries its own model and version.
class FirmwareUpdateCheck : public QObject
{
    Q_OBJECT
public:
    // The main window stays quiet when nothing is new; the upgrade dialog, which the user
    // opened for this purpose, says so.
    enum class Place { MainWindow, UpgradeDialog };

    FirmwareUpdateCheck(Place place, QWidget *owner, MessageBoxes *boxes = nullptr);

    // Starts a check for the unit's model text (e.g. "TQR-30 Pro") and firmware version text
    // (e.g. "V1.0.2"). Returns false, without any request, for a model not in the table.
    bool start(const QString &modelText, const QString &unitVersion);

signals:
    // The update file arrived and named this newest version (empty when it names none).
    void versionAnnounced(const QString &modelText, const QString &newestVersion);
    // A newer version is about to be offered; modelNumber is the table number.
    void updateOffered(int modelNumber);
    // The user took the offer; the image download starts next.
    void offerAccepted();
    // A non-empty image was downloaded and is ready to be written.
    void imageReady(const QByteArray &image);
    // The check is over, whatever its outcome (for callers that track running checks).
    void checkFinished();

private:
    void onUpdateFile(QNetworkReply *reply, const QString &modelText, const QString &unitVersion);
    void downloadImage(const QString &path);
    void onImage(QNetworkReply *reply, bool cancelledByUser);

    Place place;
    QWidget *owner;
    MessageBoxes *boxes;
};
