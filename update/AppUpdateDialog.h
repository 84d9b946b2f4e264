#pragma once

#include "ui_AppUpdateDialog.h"

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>

class MessageBoxes;
class QNetworkReply;

// One check for a newer panel release: asks the update server, offers what it finds,
// downloads the installer with progress and starts it. A fresh dialog is built for each
// check; it stays hidden until there is something to offer and deletes itself when the
// check is over.
class AppUpdateDialog : public QDialog
{
    Q_OBJECT
public:
    // The automatic check after start-up looks at major and minor only and stays silent
    // when nothing is new; the manual check compares every piece and says "up to date".
    enum class Mode { Automatic, Manual };

    // currentVersion is the panel's version text, e.g. "V2.1.0". parent is the main
    // window: it parents the network managers and the "Version Check" box too.
    AppUpdateDialog(const QString &currentVersion, QWidget *parent, MessageBoxes *boxes = nullptr);
    ~AppUpdateDialog() override;

    void startCheck(Mode mode);

    QString statusText() const { return ui.labelStatus->text(); }
    bool isDownloading() const { return !download.isNull(); }

public slots:
    // Also reached by Escape and the window's close button: a running download is
    // aborted, so nothing is saved or started behind a closed dialog.
    void reject() override;

signals:
    // The installer was saved at path and started.
    void installerStarted(const QString &path);

private:
    void onUpdateFile(QNetworkReply *reply);
    void startDownload();
    void onDownloadProgress(qint64 received, qint64 total);
    void onInstaller(QNetworkReply *reply);
    bool saveAndStart(const QByteArray &body);
    void downloadFailedState(const QString &status);

    Ui::AppUpdateDialog ui;
    MessageBoxes *boxes;
    Mode mode = Mode::Automatic;
    QString currentNumber;
    QString newestNumber;
    QPointer<QNetworkReply> download;
    bool ended = false; // closed once; the dialog is on its way out
};
